#pragma once

#include <sys/stat.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kelvoran {

/// A failure to create or write the output.
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The destination of the table: standard output, or a file that appears only when complete.
///
/// A regular file is written under a temporary name in the folder of the file and renamed over
/// it by commit(); if commit() is never reached (error, exception, or any terminating signal
/// that can be caught), the temporary file is removed and an existing file is left untouched.
/// The file is replaced, not rewritten: it is a new file (a hard link to the old one keeps the
/// old contents; the new one belongs to the caller, with the old file's mode). While it is
/// written, the temporary file is locked (flock): a temporary file of the same name pattern that
/// no one holds was left by a run that was killed (SIGKILL, a power cut) and is removed when it
/// is the caller's; any other is named in notices().
/// Otherwise the path is treated as a shell redirection would treat it:
///   - "-", /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N (also through symbolic
///     links) write to that open descriptor in place, without reopening what it names;
///   - a device, pipe or socket (/dev/null, a named pipe) is opened and written in place;
///   - through a symbolic link, the file it points to is written, and created if the link
///     dangles;
///   - an existing file that cannot be opened for writing (read-only, for a user without the
///     right to override it) is refused, as is a folder.
class OutputFile {
  public:
    /// `path` empty or "-" means standard output. Throws OutputError when the file cannot be
    /// created.
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// Writes `text`; throws OutputError on failure.
    void write(std::string_view text);

    /// Flushes and, for a file, moves it into place. Throws OutputError on failure.
    void commit();

    /// Whether the table goes into, or replaces, the regular file described by `file`
    /// (device and inode compared).
    bool writesTo(const struct stat& file) const;

    /// Whether the table goes to the terminal described by `terminal` (character devices
    /// compared).
    bool writesToTerminal(const struct stat& terminal) const;

    /// The name for messages: the quoted path, or "standard output".
    const std::string& name() const { return name_; }

    /// One line for each stale temporary file found beside the target (removed or left).
    const std::vector<std::string>& notices() const { return notices_; }

  private:
    void flushBuffer();
    void discard();
    void removeStaleTemporaries(const std::string& folder, const std::string& prefix);
    [[noreturn]] void fail(int error) const;

    int fd_ = -1;
    bool ownsDescriptor_ = false;
    bool toFile_ = false;  // written under a temporary name, renamed by commit()
    bool committed_ = false;
    std::string buffer_;
    std::string name_;
    std::string target_;
    std::string temporary_;
    std::vector<std::string> notices_;
};

/// Sets up the signal handling of a program that writes an OutputFile: a terminating signal
/// that is not ignored removes the temporary file, then ends the program as the signal would;
/// a signal inherited as ignored stays ignored. SIGXFSZ is ignored, so that a file-size limit
/// is reported as a write error. Call once, early.
void prepareOutputSignals();

}  // namespace kelvoran
