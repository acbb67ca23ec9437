#pragma once

// A property table's bytes and the views into them: a built image in memory, or a file mapped
// into memory; both checked the same way.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "kelvoran/Table.h"
#include "lookup/TableInterpolation.h"
#include "lookup/TableLayout.h"

namespace kelvoran {

/// Typed views of a table's sections, and its box in lateral and column variables.
struct TableView {
    TableVariables variables;
    const TableHeader* header;
    const std::uint32_t* roots;
    const TableNode* nodes;
    const TableLeaf* leaves;
    const double* breaks;
    const TableSegment* segments;
    const double* values;
    std::uint32_t rootsPerAxis;
    double lowU, highU, lowV, highV, lowC, highC;
    /// An index of the tree: the box cut into gridPerAxis × gridPerAxis equal places (first
    /// lateral variable major), each holding the deepest node whose cell contains it, so that
    /// a lookup descends the tree only below the level of the index.
    const std::uint32_t* grid;
    std::uint32_t gridPerAxis;
    double gridScaleU, gridScaleV;  ///< places of the index per unit of u and of v
};

struct PropertyTable::Storage {
    std::vector<std::byte> owned;  ///< a table built here
    void* mapped = nullptr;        ///< a table file mapped into memory
    std::size_t mappedBytes = 0;
    const std::byte* bytes = nullptr;
    std::size_t size = 0;
    TableView view{};
    double buildSeconds = 0.0;
    std::vector<std::uint32_t> grid;  ///< the index of the tree (TableView::grid)

    Storage() = default;
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    ~Storage();
};

/// Checks the image of a table (`name` for the messages: the file's path) and sets the views.
/// Throws TableError "<name>: <why>".
void attachTable(PropertyTable::Storage& storage, const std::string& name);

/// Builds the index of the tree of an attached table (TableView::grid).
void indexTree(PropertyTable::Storage& storage);

/// Maps the file at `path` and attaches it.
void mapTableFile(PropertyTable::Storage& storage, const std::string& path);

/// Writes `size` bytes to `path` through a temporary file renamed into place, as a shell
/// redirection would treat the path otherwise: an open descriptor the path names (/dev/stdout,
/// /dev/fd/3), a device or a pipe is written in place, through a symbolic link the file it
/// names is replaced (created where it dangles), and an existing file that cannot be opened
/// for writing, or a folder, is refused.
void writeTableFile(const std::string& path, const std::byte* bytes, std::size_t size);

/// Refuses (TableError) a path that writeTableFile would refuse before it writes, and a new
/// file in a folder that is missing or not writable: for a check before a long build.
void checkTableDestination(const std::string& path);

}  // namespace kelvoran
