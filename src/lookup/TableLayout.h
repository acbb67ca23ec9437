#pragma once

// The byte layout of a property table, in memory and in its file (the same bytes: a loaded
// table is its file mapped into memory). Every number is little-endian; every section starts
// at a multiple of 64 bytes. docs/property-tables.md describes the format.

#include <cstddef>
#include <cstdint>

namespace kelvoran {

/// The first eight bytes of a table file.
inline constexpr char kTableMagic[8] = {'K', 'L', 'V', 'R', 'T', 'A', 'B', '\x1a'};
/// The format this build writes, and the oldest it reads. Format 2 added segments of constant
/// values (0 intervals); it writes the coexistence sections of format 1 empty. Format 3 added
/// segments of the temperature alone (SegmentKind::FromTemperature) to (P, h, x) tables.
inline constexpr std::uint32_t kTableFormatVersion = 3;
inline constexpr std::uint32_t kTableOldestFormatVersion = 1;
/// Bytes of the header, and the alignment of every section.
inline constexpr std::size_t kTableHeaderBytes = 512;
inline constexpr std::size_t kTableSectionAlignment = 64;
/// The checksum (XXH64, seed 0) covers the file from this offset to its end.
inline constexpr std::size_t kTableChecksummedFrom = 16;

/// Where a section lies: its offset from the start of the file in bytes and its entry count.
struct TableSection {
    std::uint64_t offset;
    std::uint64_t count;
};

/// The file header (kTableHeaderBytes bytes, zero-padded).
struct TableHeader {
    char magic[8];                ///< kTableMagic
    std::uint64_t checksum;       ///< XXH64 of bytes [16, fileBytes)
    std::uint32_t formatVersion;  ///< kTableFormatVersion
    std::uint32_t headerBytes;    ///< kTableHeaderBytes
    std::uint64_t fileBytes;      ///< size of the whole file
    char kelvoranVersion[32];     ///< of the build, NUL-padded ("0.2.0")
    std::int32_t variables;       ///< TableVariables code
    std::int32_t maxLevel;        ///< finest cell: box / 2^maxLevel per lateral variable
    std::int32_t rootLevel;       ///< 2^rootLevel root cells per lateral variable
    std::uint32_t reserved;       ///< zero
    double box[6];                ///< first, second, composition: lower and upper
    double relativeTolerance;
    double absoluteTolerance;
    double enthalpyFloorJKg;
    double buildSeconds;
    std::uint64_t cells, exactCells, segmentCount, exactSegments, nodeCount, modelEvaluations;
    TableSection roots;     ///< uint32 node index per root cell, first-variable-major
    TableSection nodes;     ///< TableNode
    TableSection leaves;    ///< TableLeaf
    TableSection breaks;    ///< double: per leaf, (K + 1) × 9 lattice values, then K + 1 margins
    TableSection segments;  ///< TableSegment
    TableSection values;    ///< double: per segment, N + 1 nodes η, then (N + 1) × 9 × M values
    // Format 1 (P, h, x) tables: a table of the coexisting phases over (T, P), no longer
    // looked up (its V + L segments were all left to the model). Empty from format 2 on.
    TableSection coexistenceRoots;   ///< uint32
    TableSection coexistenceNodes;   ///< TableNode
    TableSection coexistenceCells;   ///< kFormerCoexistenceCellBytes each
    TableSection coexistenceValues;  ///< double
};
static_assert(sizeof(TableHeader) <= kTableHeaderBytes);

/// The lateral variables of a table: (T, P) of a (T, P, x) table, (P, x) of a (P, h, x) table;
/// the column variable is x or h. A node of the tree over the lateral plane:
/// kind 0 or 1 splits the first or second lateral variable at `split` (below: child `index`,
/// at or above: child `index` + 1); kind 2 is the leaf `index`.
struct TableNode {
    double split;
    std::uint32_t kind;
    std::uint32_t index;
};
static_assert(sizeof(TableNode) == 16);
inline constexpr std::uint32_t kNodeLeaf = 2;

/// Columns of a cell: a 3 × 3 lattice at s, t ∈ {0, ½, 1} of the cell (s along u, t along v),
/// column a + 3 b at (a/2, b/2).
inline constexpr int kCellColumns = 9;

/// A cell of the lateral plane: its lower corner, the inverse of its widths, and its K
/// segments along the column variable (regular), or none (kind 1: every point of the cell is
/// evaluated by the model).
struct TableLeaf {
    double lowerU, lowerV;
    double scaleU, scaleV;  ///< 1 / width
    std::uint32_t kind;     ///< 0 regular, 1 exact
    std::uint32_t segmentCount;
    std::uint32_t firstSegment;
    std::uint32_t firstBreak;  ///< index into the breaks section
};
static_assert(sizeof(TableLeaf) == 48);
inline constexpr std::uint32_t kLeafRegular = 0;
inline constexpr std::uint32_t kLeafExact = 1;

/// Bytes of a cell of a format 1 coexistence table.
inline constexpr std::size_t kFormerCoexistenceCellBytes = 48;

/// What a segment holds.
enum class SegmentKind : std::uint8_t {
    Interpolated = 0,  ///< a state with tabulated values
    Gap = 1,           ///< no state (an inverse status other than solved)
    Exact = 2,         ///< evaluated by the model
    /// (P, h, x) only: the temperature alone, from which a lookup solves the model's state
    /// (V + L)
    FromTemperature = 3,
};

/// One segment of a cell: between breakpoints k and k + 1 of its cell, a state whose values
/// are tabulated at N + 1 nodes 0 = η_0 < … < η_N = 1 of the normalised column variable η, or
/// (N = 0) one row of values that do not change along the column.
struct TableSegment {
    std::uint8_t kind;         ///< SegmentKind
    std::int8_t state;         ///< Phases code
    std::int8_t status;        ///< InverseStatus code
    std::int8_t fluidType;     ///< FluidType code
    std::uint32_t warnings;    ///< Warning bits of the state
    std::uint32_t intervals;   ///< N
    std::uint32_t channels;    ///< M
    std::uint64_t valueIndex;  ///< index into the values section
};
static_assert(sizeof(TableSegment) == 24);

}  // namespace kelvoran
