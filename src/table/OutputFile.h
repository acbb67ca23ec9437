#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvoran {

/// A failure to create or write the output.
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// The destination of the table: standard output, or a file that appears only when complete.
/// A file is written under a temporary name in its own folder and renamed over the target by
/// commit(); if commit() is never reached (error, exception, SIGINT/SIGTERM/SIGHUP), the
/// temporary file is removed and an existing target is left untouched. A device or named pipe
/// (such as /dev/null) is written in place; through a symbolic link the file it names is
/// replaced.
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

    /// The name for messages: the path, or "standard output".
    const std::string& name() const { return name_; }

  private:
    void discard();

    std::FILE* stream_ = nullptr;
    bool toFile_ = false;        // written under a temporary name, renamed by commit()
    bool directStream_ = false;  // a device or pipe, opened and written in place
    bool committed_ = false;
    std::string name_;
    std::string target_;
    std::string temporary_;
};

}  // namespace kelvoran
