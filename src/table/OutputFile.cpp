#include "table/OutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "io/OutputPath.h"
#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// Bytes of the file name kept in the temporary name: with ".", ".tmp-XXXXXX" and the name it
// stays below the 255 bytes a file name may have.
constexpr std::size_t kTemporaryNameKept = 200;

// The temporary file of the output being written, for the signal handler to remove. Only one
// OutputFile writes to a file at a time in this program.
char gTemporaryPath[PATH_MAX + 1];
std::atomic<bool> gTemporaryActive{false};

extern "C" void removeTemporaryAndDie(int signal) {
    if (gTemporaryActive.load()) {
        ::unlink(gTemporaryPath);
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
}

// Signals whose default action ends the program.
std::vector<int> terminatingSignals() {
    std::vector<int> signals = {SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                SIGFPE,    SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                SIGVTALRM, SIGPROF, SIGIO,   SIGSYS,  SIGXCPU, SIGPWR,  SIGSTKFLT};
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) {
        signals.push_back(s);
    }
    return signals;
}

std::string describeErrno(int error) { return std::strerror(error); }

}  // namespace

void prepareOutputSignals() {
    struct sigaction handler {};
    handler.sa_handler = removeTemporaryAndDie;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (const int signal : terminatingSignals()) {
        struct sigaction current {};
        // Only a signal at its default action gets the handler: one inherited as ignored (nohup,
        // a shell's background job) stays ignored, and a handler already in place (a
        // sanitizer's) stays.
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
            (current.sa_flags & SA_SIGINFO) == 0) {
            ::sigaction(signal, &handler, nullptr);
        }
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

OutputFile::OutputFile(const std::string& path) : name_(quotedName(path)) {
    buffer_.reserve(kBufferBytes);
    if (path.empty() || path == "-") {
        fd_ = STDOUT_FILENO;
        name_ = "standard output";
        return;
    }

    // Follow the symbolic links of the last component one by one: a link to /dev/stdout is
    // standard output, and a dangling link names the file to create.
    const OutputPath resolved = resolveOutputPath(path);
    if (resolved.fault == OutputPath::Fault::TooManyLinks) {
        throw OutputError("cannot write " + name_ + ": " + describeErrno(ELOOP));
    }
    if (resolved.fault == OutputPath::Fault::UnreadableLink) {
        throw OutputError("cannot write " + name_ + ": cannot read the symbolic link " +
                          quotedName(resolved.target));
    }
    if (resolved.fault == OutputPath::Fault::ReadOnlyDescriptor) {
        throw OutputError("cannot write " + name_ + ": " + describeErrno(EBADF));
    }
    if (resolved.descriptor >= 0) {
        fd_ = resolved.descriptor;
        return;
    }
    target_ = resolved.target;

    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        throw OutputError("cannot write " + name_ + ": it is a folder");
    }
    if (exists && !S_ISREG(existing.st_mode)) {
        // A device, pipe or socket (/dev/null, a named pipe) is written in place: it cannot be
        // replaced by a file, and it holds no earlier contents to protect.
        fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            const int error = errno;
            throw OutputError("cannot write " + name_ + ": " + describeErrno(error));
        }
        ownsDescriptor_ = true;
        return;
    }
    if (exists) {
        // A file the shell could not open for writing is not replaced either.
        const int probe = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) {
            const int error = errno;
            throw OutputError("cannot write " + name_ + ": " + describeErrno(error));
        }
        ::close(probe);
    }

    const std::string folder = folderOf(target_);
    const std::string base = target_.substr(folder.size());
    std::string prefix = ".";
    prefix.append(base, 0, kTemporaryNameKept).append(".tmp-");
    std::string temporary = folder + prefix + "XXXXXX";
    if (temporary.size() >= sizeof gTemporaryPath) {
        throw OutputError("cannot write " + name_ + ": " + describeErrno(ENAMETOOLONG));
    }
    removeStaleTemporaries(folder, prefix);
    int fd = -1;
    int error = 0;
    for (int attempt = 0; attempt < 10; ++attempt) {
        temporary = folder + prefix + "XXXXXX";
        // No signal between creating the temporary file and telling the handler about it.
        sigset_t all, previous;
        sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &previous);
        fd = ::mkstemp(temporary.data());
        error = errno;
        if (fd >= 0) {
            std::memcpy(gTemporaryPath, temporary.c_str(), temporary.size() + 1);
            gTemporaryActive.store(true);
        }
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        if (fd < 0) break;
        // Held while the file is written: the mark of a live temporary file. Another run that
        // took it for stale in the moment before has removed it: then make another.
        struct stat mine {};
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &mine) == 0 && mine.st_nlink > 0) break;
        gTemporaryActive.store(false);
        ::close(fd);
        fd = -1;
        error = EEXIST;
    }
    if (fd < 0) {
        throw OutputError("cannot write " + name_ + ": " + describeErrno(error) +
                          (exists && (error == EACCES || error == EROFS)
                               ? " (the folder must be writable to replace the file safely)"
                               : ""));
    }
    temporary_ = temporary;
    fd_ = fd;
    ownsDescriptor_ = true;
    toFile_ = true;
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);

    // The finished file gets the mode of the file it replaces, or the usual mode of a new file.
    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd_, mode);
}

void OutputFile::removeStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* directory = ::opendir(folder.empty() ? "." : folder.c_str());
    if (directory == nullptr) return;
    constexpr std::size_t kRandomPart = 6;  // mkstemp's XXXXXX
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + kRandomPart ||
            name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string shown = quotedName(folder + name);
        const int fd = ::openat(::dirfd(directory), name.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            notices_.push_back(shown + " is being written by another run at this moment; the " +
                               "run that finishes last replaces " + name_);
        } else if (info.st_uid != ::geteuid()) {
            notices_.push_back(shown + " was left by an earlier run that was killed (it is " +
                               "not yours to remove)");
        } else if (::unlinkat(::dirfd(directory), name.c_str(), 0) == 0) {
            notices_.push_back("removed " + shown +
                               ", left by an earlier run that was killed before it finished");
        } else {
            const int error = errno;
            notices_.push_back(shown + " was left by an earlier run that was killed; it cannot " +
                               "be removed: " + describeErrno(error));
        }
        ::close(fd);
    }
    ::closedir(directory);
}

bool OutputFile::writesToTerminal(const struct stat& terminal) const {
    struct stat mine {};
    if (toFile_ || fd_ < 0 || ::fstat(fd_, &mine) != 0) return false;
    return S_ISCHR(mine.st_mode) && S_ISCHR(terminal.st_mode) && mine.st_rdev == terminal.st_rdev &&
           ::isatty(fd_) == 1;
}

OutputFile::~OutputFile() {
    if (ownsDescriptor_ && fd_ >= 0) {
        ::close(fd_);
    }
    if (toFile_ && !committed_) {
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

void OutputFile::fail(int error) const {
    throw OutputError("cannot write " + name_ + ": " +
                      (error != 0 ? describeErrno(error) : "write error"));
}

void OutputFile::flushBuffer() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) fail(0);
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::write(std::string_view text) {
    if (buffer_.size() + text.size() > kBufferBytes) {
        flushBuffer();
    }
    if (text.size() >= kBufferBytes) {
        buffer_.assign(text);
        flushBuffer();
        buffer_.reserve(kBufferBytes);
        return;
    }
    buffer_ += text;
}

bool OutputFile::writesTo(const struct stat& file) const {
    struct stat mine {};
    if (toFile_) {
        if (::stat(target_.c_str(), &mine) != 0) return false;
    } else if (::fstat(fd_, &mine) != 0) {
        return false;
    }
    return S_ISREG(mine.st_mode) && mine.st_dev == file.st_dev && mine.st_ino == file.st_ino;
}

void OutputFile::commit() {
    flushBuffer();
    if (!toFile_) {
        if (ownsDescriptor_) {
            const int fd = fd_;
            fd_ = -1;
            if (::close(fd) != 0 && errno != EINTR) fail(errno);
        }
        committed_ = true;
        return;
    }
    if (::fsync(fd_) != 0 && errno != EINVAL) {
        fail(errno);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        fail(errno);
    }
    sigset_t all, previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    const int renamed = ::rename(temporary_.c_str(), target_.c_str());
    const int error = errno;
    if (renamed == 0) {
        temporary_.clear();
        gTemporaryActive.store(false);
        committed_ = true;
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (renamed != 0) {
        fail(error);
    }
}

}  // namespace kelvoran
