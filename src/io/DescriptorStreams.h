#pragma once

#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>

namespace kelvoran {

/// A failure of the console's input or output stream, with a one-line reason
/// ("cannot read the input: Is a directory").
class ConsoleStreamError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Reads a file descriptor through a buffer. A read error is never taken for the end of the
/// input: it throws ConsoleStreamError. Interrupted reads are repeated, and a descriptor set
/// to non-blocking is waited for. The end of the input is final: once a read found it (a
/// Ctrl-D at a terminal), no further read is made. in_avail() never waits: it counts the bytes
/// that are buffered or ready to be read.
class DescriptorInputBuffer : public std::streambuf {
  public:
    explicit DescriptorInputBuffer(int fd) : fd_(fd) {}

  protected:
    int_type underflow() override;
    std::streamsize showmanyc() override;

  private:
    int fd_;
    bool ended_ = false;
    char buffer_[4096];
};

/// Writes a file descriptor through a buffer; a failed write (a full disk, a closed
/// descriptor) throws ConsoleStreamError. Interrupted and partial writes are completed.
class DescriptorOutputBuffer : public std::streambuf {
  public:
    explicit DescriptorOutputBuffer(int fd);
    ~DescriptorOutputBuffer() override;

  protected:
    int_type overflow(int_type c) override;
    int sync() override;

  private:
    void drain();

    int fd_;
    char buffer_[8192];
};

/// Writes all of `text` to `fd` (interrupted and partial writes completed, a non-blocking
/// descriptor waited for); returns 0, or the errno of the failure (EIO for a write of nothing).
int writeAll(int fd, std::string_view text);

/// Makes sure descriptors 0, 1 and 2 are open, so that no file the program opens takes their
/// numbers (and receives its messages or its table). A closed one is opened on /dev/null the
/// wrong way round (standard input for writing, standard output and error for reading), so it
/// still fails as a closed one would: reading or writing it gives "Bad file descriptor".
void occupyStandardDescriptors();

}  // namespace kelvoran
