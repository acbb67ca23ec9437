#include "table/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace kelvoran {

namespace {

// The temporary file of the output being written, for the signal handler to remove. Only one
// OutputFile writes to a file at a time in this program.
char gTemporaryPath[4096];
std::atomic<bool> gTemporaryActive{false};

extern "C" void removeTemporaryAndDie(int signal) {
    if (gTemporaryActive.load()) {
        ::unlink(gTemporaryPath);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string describeErrno(int error) { return std::strerror(error); }

}  // namespace

OutputFile::OutputFile(const std::string& path) {
    if (path.empty() || path == "-") {
        stream_ = stdout;
        name_ = "standard output";
        return;
    }
    name_ = path;
    target_ = path;

    struct stat existing {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw OutputError("cannot write " + path + ": it is a folder");
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device, pipe or socket (/dev/null, a named pipe) is written in place: it cannot be
        // replaced by a file, and it holds no earlier contents to protect.
        stream_ = std::fopen(path.c_str(), "w");
        if (stream_ == nullptr) {
            const int error = errno;
            throw OutputError("cannot write " + path + ": " + describeErrno(error));
        }
        directStream_ = true;
        return;
    }
    toFile_ = true;
    // Through a symbolic link, the file it points to is replaced, not the link.
    struct stat link {};
    if (exists && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target_ = resolved;
            std::free(resolved);
        }
    }

    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    temporary_ = folder + "." + base + ".tmp-XXXXXX";
    if (temporary_.size() >= sizeof gTemporaryPath) {
        throw OutputError("cannot write " + path + ": the path is too long");
    }
    const int fd = ::mkstemp(temporary_.data());
    if (fd < 0) {
        const int error = errno;
        temporary_.clear();
        throw OutputError("cannot write " + path + ": " + describeErrno(error));
    }
    std::memcpy(gTemporaryPath, temporary_.c_str(), temporary_.size() + 1);
    gTemporaryActive.store(true);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, removeTemporaryAndDie);
    }

    // The finished file gets the mode of the file it replaces, or the usual mode of a new file.
    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);

    stream_ = ::fdopen(fd, "w");
    if (stream_ == nullptr) {
        const int error = errno;
        ::close(fd);
        discard();
        throw OutputError("cannot write " + path + ": " + describeErrno(error));
    }
}

OutputFile::~OutputFile() {
    if (directStream_ && stream_ != nullptr) {
        std::fclose(stream_);
    }
    if (toFile_ && !committed_) {
        if (stream_ != nullptr) {
            std::fclose(stream_);
            stream_ = nullptr;
        }
        discard();
    }
}

void OutputFile::discard() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    gTemporaryActive.store(false);
}

void OutputFile::write(std::string_view text) {
    if (text.empty()) {
        return;
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) {
        const int error = errno;
        throw OutputError("cannot write " + name_ + ": " +
                          (error != 0 ? describeErrno(error) : "write error"));
    }
}

void OutputFile::commit() {
    errno = 0;
    if (std::fflush(stream_) != 0 || std::ferror(stream_)) {
        const int error = errno;
        throw OutputError("cannot write " + name_ + ": " +
                          (error != 0 ? describeErrno(error) : "write error"));
    }
    if (directStream_) {
        std::FILE* stream = stream_;
        stream_ = nullptr;
        if (std::fclose(stream) != 0) {
            const int error = errno;
            throw OutputError("cannot write " + name_ + ": " + describeErrno(error));
        }
    }
    if (!toFile_) {
        committed_ = true;
        return;
    }
    if (::fsync(::fileno(stream_)) != 0 && errno != EINVAL) {
        const int error = errno;
        throw OutputError("cannot write " + name_ + ": " + describeErrno(error));
    }
    std::FILE* stream = stream_;
    stream_ = nullptr;
    if (std::fclose(stream) != 0) {
        const int error = errno;
        throw OutputError("cannot write " + name_ + ": " + describeErrno(error));
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        throw OutputError("cannot write " + name_ + ": " + describeErrno(error));
    }
    temporary_.clear();
    gTemporaryActive.store(false);
    committed_ = true;
}

}  // namespace kelvoran
