#include "io/OutputPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

namespace kelvoran {

namespace {

// Removes repeated slashes and "." components, so that //dev/./stdout reads as /dev/stdout.
std::string tidy(const std::string& path) {
    std::string out;
    std::size_t i = 0;
    while (i < path.size()) {
        if (path[i] == '/') {
            if (out.empty() || out.back() != '/') out += '/';
            ++i;
            continue;
        }
        const std::size_t end = path.find('/', i);
        const std::string part =
            path.substr(i, end == std::string::npos ? std::string::npos : end - i);
        if (part != ".")
            out += part;
        else if (!out.empty() && out.back() != '/')
            out += '/';
        i = end == std::string::npos ? path.size() : end;
    }
    return out;
}

// The descriptor that `path` names by itself (/dev/stdin, /dev/stdout, /dev/stderr,
// /dev/fd/N, /proc/self/fd/N, /proc/thread-self/fd/N, /proc/PID/fd/N of this process), or -1.
int descriptorNamed(const std::string& path) {
    const std::string p = tidy(path);
    if (p == "/dev/stdin") return 0;
    if (p == "/dev/stdout") return 1;
    if (p == "/dev/stderr") return 2;
    const std::string prefixes[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                    "/proc/" + std::to_string(::getpid()) + "/fd/"};
    for (const std::string& prefix : prefixes) {
        if (p.size() > prefix.size() && p.compare(0, prefix.size(), prefix) == 0) {
            const std::string number = p.substr(prefix.size());
            if (number.size() > 9 || number.find_first_not_of("0123456789") != std::string::npos) {
                return -1;
            }
            return std::atoi(number.c_str());
        }
    }
    return -1;
}

}  // namespace

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

OutputPath resolveOutputPath(const std::string& path) {
    OutputPath out;
    out.target = path;
    for (int hops = 0;; ++hops) {
        out.descriptor = descriptorNamed(out.target);
        if (out.descriptor >= 0) {
            const int flags = ::fcntl(out.descriptor, F_GETFL);
            if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
                out.fault = OutputPath::Fault::ReadOnlyDescriptor;
            }
            return out;
        }
        struct stat link {};
        if (::lstat(out.target.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return out;
        if (hops == 40) {
            out.fault = OutputPath::Fault::TooManyLinks;
            return out;
        }
        std::vector<char> text(
            static_cast<std::size_t>(link.st_size > 0 ? link.st_size : PATH_MAX) + 1);
        const ssize_t length = ::readlink(out.target.c_str(), text.data(), text.size());
        if (length < 0 || static_cast<std::size_t>(length) >= text.size()) {
            out.fault = OutputPath::Fault::UnreadableLink;
            return out;
        }
        const std::string next(text.data(), static_cast<std::size_t>(length));
        out.target = !next.empty() && next.front() == '/' ? next : folderOf(out.target) + next;
    }
}

}  // namespace kelvoran
