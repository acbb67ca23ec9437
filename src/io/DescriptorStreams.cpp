#include "io/DescriptorStreams.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kelvoran {

namespace {

// Waits until `fd` is ready for `events` (a descriptor set to non-blocking).
void waitFor(int fd, short events) {
    pollfd entry{fd, events, 0};
    while (::poll(&entry, 1, -1) < 0 && errno == EINTR) {
    }
}

}  // namespace

DescriptorInputBuffer::int_type DescriptorInputBuffer::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    while (!ended_) {
        const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            setg(buffer_, buffer_, buffer_ + n);
            return traits_type::to_int_type(*gptr());
        }
        if (n == 0) {
            ended_ = true;
            break;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            waitFor(fd_, POLLIN);
            continue;
        }
        throw ConsoleStreamError(std::string("cannot read the input: ") + std::strerror(errno));
    }
    return traits_type::eof();
}

std::streamsize DescriptorInputBuffer::showmanyc() {
    if (ended_) return -1;
    pollfd entry{fd_, POLLIN, 0};
    if (::poll(&entry, 1, 0) <= 0 || (entry.revents & (POLLIN | POLLHUP)) == 0) return 0;
    const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
    if (n > 0) {
        setg(buffer_, buffer_, buffer_ + n);
        return n;
    }
    if (n == 0) {
        ended_ = true;
        return -1;
    }
    return 0;  // a failure: the next read reports it
}

DescriptorOutputBuffer::DescriptorOutputBuffer(int fd) : fd_(fd) {
    setp(buffer_, buffer_ + sizeof buffer_);
}

DescriptorOutputBuffer::~DescriptorOutputBuffer() {
    try {
        drain();
    } catch (const ConsoleStreamError&) {
        // The owner flushes and reports before this; nothing more can be said here.
    }
}

void DescriptorOutputBuffer::drain() {
    const int error =
        writeAll(fd_, std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
    setp(buffer_, buffer_ + sizeof buffer_);  // what could not be written is dropped
    if (error != 0) {
        throw ConsoleStreamError(std::string("cannot write the output: ") + std::strerror(error));
    }
}

DescriptorOutputBuffer::int_type DescriptorOutputBuffer::overflow(int_type c) {
    drain();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int DescriptorOutputBuffer::sync() {
    drain();
    return 0;
}

int writeAll(int fd, std::string_view text) {
    const char* next = text.data();
    const char* const end = text.data() + text.size();
    while (next < end) {
        const ssize_t n = ::write(fd, next, static_cast<std::size_t>(end - next));
        if (n > 0) {
            next += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            waitFor(fd, POLLOUT);
            continue;
        }
        return n < 0 ? errno : EIO;
    }
    return 0;
}

void occupyStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int opened = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
            if (opened >= 0 && opened != fd) {
                // A lower descriptor was closed too and took it: move it to its place.
                ::dup2(opened, fd);
                ::close(opened);
            }
        }
    }
}

}  // namespace kelvoran
