#pragma once

// Where a path given for output leads, as a shell redirection takes it: the symbolic links of
// its last component followed one by one, and a name of an open descriptor (/dev/stdout,
// /dev/fd/3, /proc/self/fd/3), at any step, meaning that descriptor itself.

#include <string>

namespace kelvoran {

struct OutputPath {
    enum class Fault {
        None,
        UnreadableLink,      ///< `target` is a symbolic link that cannot be read
        TooManyLinks,        ///< more than 40 links in a row
        ReadOnlyDescriptor,  ///< `descriptor` is not open for writing (or not open at all)
    };
    int descriptor = -1;  ///< the open descriptor the path names, or -1
    std::string target;   ///< otherwise the file to write (to create, where a link dangles)
    Fault fault = Fault::None;
};

/// The folder part of `path` with its final slash ("" for a bare name).
std::string folderOf(const std::string& path);

/// Follows `path` (not empty) to the descriptor or the file it names for writing.
OutputPath resolveOutputPath(const std::string& path);

}  // namespace kelvoran
