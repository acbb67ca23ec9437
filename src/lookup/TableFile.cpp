#include "lookup/TableFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "io/OutputPath.h"
#include "lookup/Checksum.h"
#include "lookup/TableChannels.h"

namespace kelvoran {

namespace {

[[noreturn]] void fail(const std::string& name, const std::string& why) {
    throw TableError(name + ": " + why);
}

std::string systemError(int error) { return std::strerror(error); }

// Whether section s of items of `size` bytes lies inside the file, after the header and
// aligned for its items.
bool inside(const TableSection& s, std::size_t size, std::uint64_t fileBytes) {
    if (s.offset < kTableHeaderBytes || s.offset % 8 != 0 || s.offset > fileBytes) return false;
    const std::uint64_t room = fileBytes - s.offset;
    return s.count <= room / size;
}

bool finite(double x) { return std::isfinite(x); }

}  // namespace

PropertyTable::Storage::~Storage() {
    if (mapped != nullptr) ::munmap(mapped, mappedBytes);
}

void attachTable(PropertyTable::Storage& storage, const std::string& name) {
    const std::byte* bytes = storage.bytes;
    const std::size_t size = storage.size;
    if (std::endian::native != std::endian::little) {
        fail(name, "property tables are little-endian; this machine is not");
    }
    if (size < sizeof kTableMagic || std::memcmp(bytes, kTableMagic, sizeof kTableMagic) != 0) {
        fail(name, "not a kelvoran property table (no table magic number at its start)");
    }
    if (size < kTableHeaderBytes) {
        fail(name, "truncated: " + std::to_string(size) + " bytes, less than a table header");
    }
    const auto* header = reinterpret_cast<const TableHeader*>(bytes);
    if (header->formatVersion < kTableOldestFormatVersion ||
        header->formatVersion > kTableFormatVersion) {
        fail(name, "table format version " + std::to_string(header->formatVersion) +
                       "; this kelvoran reads versions " +
                       std::to_string(kTableOldestFormatVersion) + " to " +
                       std::to_string(kTableFormatVersion));
    }
    if (header->headerBytes != kTableHeaderBytes) fail(name, "corrupt header (its size)");
    if (header->fileBytes > size) {
        fail(name, "truncated: " + std::to_string(size) + " of " +
                       std::to_string(header->fileBytes) + " bytes");
    }
    if (header->fileBytes < size) {
        fail(name, std::to_string(size) + " bytes, but its header says " +
                       std::to_string(header->fileBytes) + " (something was appended)");
    }
    if (xxh64(bytes + kTableChecksummedFrom, size - kTableChecksummedFrom) != header->checksum) {
        fail(name, "corrupt: its checksum does not match its contents");
    }

    // Every number the lookups follow, checked once here so that no lookup can leave the file.
    const auto corrupt = [&](const char* what) { fail(name, std::string("corrupt ") + what); };
    if (header->variables != static_cast<std::int32_t>(TableVariables::TemperaturePressure) &&
        header->variables != static_cast<std::int32_t>(TableVariables::PressureEnthalpy)) {
        corrupt("header (table variables)");
    }
    if (header->maxLevel < 4 || header->maxLevel > 20 || header->rootLevel < 0 ||
        header->rootLevel > 8 || header->rootLevel > header->maxLevel) {
        corrupt("header (levels)");
    }
    for (int i = 0; i < 6; i += 2) {
        if (!finite(header->box[i]) || !finite(header->box[i + 1]) ||
            !(header->box[i] < header->box[i + 1])) {
            corrupt("header (box)");
        }
    }
    if (!(header->relativeTolerance > 0.0) || !(header->absoluteTolerance > 0.0) ||
        !(header->enthalpyFloorJKg >= 0.0)) {
        corrupt("header (tolerance)");
    }
    const std::uint64_t fileBytes = header->fileBytes;
    if (!inside(header->roots, sizeof(std::uint32_t), fileBytes) ||
        !inside(header->nodes, sizeof(TableNode), fileBytes) ||
        !inside(header->leaves, sizeof(TableLeaf), fileBytes) ||
        !inside(header->breaks, sizeof(double), fileBytes) ||
        !inside(header->segments, sizeof(TableSegment), fileBytes) ||
        !inside(header->values, sizeof(double), fileBytes) ||
        !inside(header->coexistenceRoots, sizeof(std::uint32_t), fileBytes) ||
        !inside(header->coexistenceNodes, sizeof(TableNode), fileBytes) ||
        !inside(header->coexistenceCells, kFormerCoexistenceCellBytes, fileBytes) ||
        !inside(header->coexistenceValues, sizeof(double), fileBytes)) {
        corrupt("section table");
    }
    TableView& v = storage.view;
    v.header = header;
    v.variables = static_cast<TableVariables>(header->variables);
    v.roots = reinterpret_cast<const std::uint32_t*>(bytes + header->roots.offset);
    v.nodes = reinterpret_cast<const TableNode*>(bytes + header->nodes.offset);
    v.leaves = reinterpret_cast<const TableLeaf*>(bytes + header->leaves.offset);
    v.breaks = reinterpret_cast<const double*>(bytes + header->breaks.offset);
    v.segments = reinterpret_cast<const TableSegment*>(bytes + header->segments.offset);
    v.values = reinterpret_cast<const double*>(bytes + header->values.offset);
    v.rootsPerAxis = 1U << header->rootLevel;

    const std::uint64_t nodes = header->nodes.count, leaves = header->leaves.count;
    const std::uint64_t breaks = header->breaks.count, segments = header->segments.count;
    const std::uint64_t values = header->values.count;
    if (header->roots.count != static_cast<std::uint64_t>(v.rootsPerAxis) * v.rootsPerAxis) {
        corrupt("root cells");
    }
    for (std::uint64_t i = 0; i < header->roots.count; ++i) {
        if (v.roots[i] >= nodes) corrupt("root cells");
    }
    // Children follow their parent, so every descent ends.
    for (std::uint64_t i = 0; i < nodes; ++i) {
        const TableNode& n = v.nodes[i];
        if (n.kind == kNodeLeaf) {
            if (n.index >= leaves) corrupt("tree (a leaf index)");
        } else if (n.kind <= 1) {
            if (n.index <= i || static_cast<std::uint64_t>(n.index) + 1 >= nodes ||
                !finite(n.split)) {
                corrupt("tree (a split)");
            }
        } else {
            corrupt("tree (a node kind)");
        }
    }
    for (std::uint64_t i = 0; i < leaves; ++i) {
        const TableLeaf& l = v.leaves[i];
        if (!finite(l.lowerU) || !finite(l.lowerV) || !(l.scaleU > 0.0) || !(l.scaleV > 0.0) ||
            !finite(l.scaleU) || !finite(l.scaleV)) {
            corrupt("cell");
        }
        if (l.kind == kLeafExact) continue;
        if (l.kind != kLeafRegular || l.segmentCount == 0 || l.segmentCount > 4096 ||
            static_cast<std::uint64_t>(l.firstSegment) + l.segmentCount > segments ||
            static_cast<std::uint64_t>(l.firstBreak) + (kCellColumns + 1ULL) * (l.segmentCount + 1) > breaks) {
            corrupt("cell");
        }
    }
    for (std::uint64_t i = 0; i < segments; ++i) {
        const TableSegment& s = v.segments[i];
        if (s.kind > 3 || s.state < 0 || s.state > 7 || s.status < 0 || s.status > 3 ||
            s.fluidType < 0 || s.fluidType > 3) {
            corrupt("segment");
        }
        const bool fromTemperature =
            s.kind == static_cast<std::uint8_t>(SegmentKind::FromTemperature);
        if (s.kind != static_cast<std::uint8_t>(SegmentKind::Interpolated) && !fromTemperature) {
            continue;
        }
        // A state kept as its temperature only so; format 1 knows no segments of constant
        // values (0 intervals), formats 1 and 2 none of the temperature alone.
        const int m =
            fromTemperature == keptAsTemperature(v.variables, static_cast<Phases>(s.state))
                ? channelCount(v.variables, static_cast<Phases>(s.state))
                : 0;
        if (m == 0 || s.channels != static_cast<std::uint32_t>(m) ||
            (s.intervals == 0 && header->formatVersion < 2) ||
            (fromTemperature && header->formatVersion < 3) || s.intervals > (1U << 20) ||
            s.valueIndex > values ||
            (static_cast<std::uint64_t>(s.intervals) + 1) * (1 + kCellColumns * s.channels) >
                values - s.valueIndex) {
            corrupt("segment");
        }
        // Its nodes rise from 0 to 1.
        const double* nodes = v.values + s.valueIndex;
        bool rising = nodes[0] == 0.0 && (s.intervals == 0 || nodes[s.intervals] == 1.0);
        for (std::uint32_t k = 1; k <= s.intervals && rising; ++k) rising = nodes[k] > nodes[k - 1];
        if (!rising) corrupt("segment nodes");
    }
    const bool ph = v.variables == TableVariables::PressureEnthalpy;
    v.lowU = header->box[0];
    v.highU = header->box[1];
    v.lowV = ph ? header->box[4] : header->box[2];
    v.highV = ph ? header->box[5] : header->box[3];
    v.lowC = ph ? header->box[2] : header->box[4];
    v.highC = ph ? header->box[3] : header->box[5];
    indexTree(storage);
}

namespace {

// The finest level of the tree's index: 4^10 places (4 MiB) at most.
constexpr int kMaxIndexLevel = 10;

// Sets the index places [u0, u1) × [v0, v1), the cell of `node`, to the deepest node below it
// whose cell contains each of them. A node is followed down where it splits its cell in the
// middle and on a line between places (as every built table does); any other split is left to
// the descent of the lookup, so that the index holds for any tree that loaded.
void indexNode(const TableView& v, std::vector<std::uint32_t>& grid, std::uint32_t node,
               std::uint32_t u0, std::uint32_t u1, std::uint32_t v0, std::uint32_t v1) {
    const TableNode& n = v.nodes[node];
    if (n.kind != kNodeLeaf) {
        const bool alongU = n.kind == 0;
        const std::uint32_t lo = alongU ? u0 : v0, hi = alongU ? u1 : v1;
        if (hi - lo > 1) {
            const std::uint32_t middle = (lo + hi) / 2;
            const double place = alongU ? (n.split - v.lowU) * v.gridScaleU
                                        : (n.split - v.lowV) * v.gridScaleV;
            if (std::fabs(place - middle) <= 1e-6) {
                if (alongU) {
                    indexNode(v, grid, n.index, u0, middle, v0, v1);
                    indexNode(v, grid, n.index + 1, middle, u1, v0, v1);
                } else {
                    indexNode(v, grid, n.index, u0, u1, v0, middle);
                    indexNode(v, grid, n.index + 1, u0, u1, middle, v1);
                }
                return;
            }
        }
    }
    for (std::uint32_t i = u0; i < u1; ++i) {
        for (std::uint32_t j = v0; j < v1; ++j) grid[std::size_t{i} * v.gridPerAxis + j] = node;
    }
}

}  // namespace

void indexTree(PropertyTable::Storage& storage) {
    TableView& v = storage.view;
    const int level = std::min(v.header->maxLevel, kMaxIndexLevel);
    v.gridPerAxis = 1U << level;
    // 2^level / width is 2^(level − rootLevel) times the root cells per unit, exactly: a place of
    // the index lies in the root cell that holds it.
    v.gridScaleU = v.gridPerAxis / (v.highU - v.lowU);
    v.gridScaleV = v.gridPerAxis / (v.highV - v.lowV);
    storage.grid.assign(std::size_t{v.gridPerAxis} * v.gridPerAxis, 0);
    const std::uint32_t perRoot = v.gridPerAxis / v.rootsPerAxis;
    for (std::uint32_t iu = 0; iu < v.rootsPerAxis; ++iu) {
        for (std::uint32_t iv = 0; iv < v.rootsPerAxis; ++iv) {
            indexNode(v, storage.grid, v.roots[iu * v.rootsPerAxis + iv], iu * perRoot,
                      (iu + 1) * perRoot, iv * perRoot, (iv + 1) * perRoot);
        }
    }
    v.grid = storage.grid.data();
}

void mapTableFile(PropertyTable::Storage& storage, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(path, "cannot open: " + systemError(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        fail(path, "cannot read: " + systemError(error));
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        fail(path, "is a folder, not a table file");
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        fail(path, "is not a regular file");
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size == 0) {
        ::close(fd);
        fail(path, "empty file: not a kelvoran property table");
    }
    void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    const int error = errno;
    ::close(fd);
    if (mapped == MAP_FAILED) fail(path, "cannot map into memory: " + systemError(error));
    storage.mapped = mapped;
    storage.mappedBytes = size;
    storage.bytes = static_cast<const std::byte*>(mapped);
    storage.size = size;
    attachTable(storage, path);
}

namespace {

// Writes all of `bytes` to `fd`; false with errno where a write fails.
bool writeAll(int fd, const std::byte* bytes, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, bytes + written, size - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Where a table saved to a path goes.
struct Destination {
    int descriptor = -1;  // the open descriptor the path names (/dev/stdout), or -1
    std::string target;   // otherwise the file written: the path through its links
    bool exists = false;  // the target is there (a file, a device or a pipe)
    struct stat existing {};
};

// `path` followed to where a save writes, refused where that cannot be written: a descriptor
// not open for writing, a folder, a file that cannot be opened for writing, a new file in a
// folder that is missing or not writable.
Destination destinationOf(const std::string& path) {
    if (path.empty()) fail(path, "no file name");
    // A link keeps pointing where it did: the file it names is replaced. A name of an open
    // descriptor is that descriptor, which holds what the shell made of it (a file opened
    // with > or >>, a pipe).
    const OutputPath resolved = resolveOutputPath(path);
    if (resolved.fault == OutputPath::Fault::TooManyLinks) {
        fail(path, "cannot write: " + systemError(ELOOP));
    }
    if (resolved.fault == OutputPath::Fault::UnreadableLink) {
        fail(path, "cannot read the symbolic link " + resolved.target);
    }
    if (resolved.fault == OutputPath::Fault::ReadOnlyDescriptor) {
        fail(path, "cannot write: " + systemError(EBADF));
    }
    Destination d;
    if (resolved.descriptor >= 0) {
        d.descriptor = resolved.descriptor;
        return d;
    }
    d.target = resolved.target;
    d.exists = ::stat(path.c_str(), &d.existing) == 0;
    if (d.exists && S_ISDIR(d.existing.st_mode)) fail(path, "cannot write: it is a folder");
    if (d.exists && S_ISREG(d.existing.st_mode)) {
        // A file its owner made read-only is not replaced.
        const int probe = ::open(d.target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) fail(path, "cannot write: " + systemError(errno));
        ::close(probe);
    } else if (!d.exists) {
        const std::string folder = folderOf(d.target);
        if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
            fail(path, "cannot write: " + systemError(errno));
        }
    }
    return d;
}

}  // namespace

void checkTableDestination(const std::string& path) { (void)destinationOf(path); }

void writeTableFile(const std::string& path, const std::byte* bytes, std::size_t size) {
    const Destination d = destinationOf(path);
    if (d.descriptor >= 0) {
        if (!writeAll(d.descriptor, bytes, size)) fail(path, "cannot write: " + systemError(errno));
        return;
    }
    if (d.exists && !S_ISREG(d.existing.st_mode)) {
        // A device or pipe (/dev/null, a named pipe) is written in place: it cannot be replaced
        // by a file, and it holds no earlier table to protect.
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) fail(path, "cannot write: " + systemError(errno));
        const bool written = writeAll(fd, bytes, size);
        const int error = errno;
        if (::close(fd) != 0 && written) fail(path, "cannot write: " + systemError(errno));
        if (!written) fail(path, "cannot write: " + systemError(error));
        return;
    }
    const std::string& target = d.target;
    const std::string temporary = target + ".partial-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) fail(path, "cannot write: " + systemError(errno));
    // The file that replaces another keeps its permissions (a private table stays private).
    if (d.exists) ::fchmod(fd, d.existing.st_mode & 07777);
    if (!writeAll(fd, bytes, size)) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        fail(path, "cannot write: " + systemError(error));
    }
    const bool synced = ::fsync(fd) == 0;
    int error = errno;
    const bool closed = ::close(fd) == 0;
    if (synced && !closed) error = errno;
    if (!synced || !closed) {
        ::unlink(temporary.c_str());
        fail(path, "cannot write: " + systemError(error));
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(path, "cannot write: " + systemError(error));
    }
}

}  // namespace kelvoran
