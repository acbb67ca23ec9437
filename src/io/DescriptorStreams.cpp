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
    while (true) {
        const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            setg(buffer_, buffer_, buffer_ + n);
            return traits_type::to_int_type(*gptr());
        }
        if (n == 0) {
            return traits_type::eof();
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            waitFor(fd_, POLLIN);
            continue;
        }
        throw ConsoleStreamError(std::string("cannot read the input: ") + std::strerror(errno));
    }
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
    const char* next = pbase();
    while (next < pptr()) {
        const ssize_t n = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
        if (n > 0) {
            next += n;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            waitFor(fd_, POLLOUT);
            continue;
        }
        const int error = n < 0 ? errno : EIO;
        setp(buffer_, buffer_ + sizeof buffer_);  // what could not be written is dropped
        throw ConsoleStreamError(std::string("cannot write the output: ") + std::strerror(error));
    }
    setp(buffer_, buffer_ + sizeof buffer_);
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
