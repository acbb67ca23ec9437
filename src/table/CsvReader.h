#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "table/InputRow.h"

namespace kelvoran {

/// A failure that makes the whole input unusable (no header, unknown column, read error).
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Reads points from CSV text: a header naming the columns T_C, P_bar and either x_NaCl (mole
/// fraction NaCl) or w_NaCl (mass fraction NaCl), in any order, then one point per line.
/// Fields are separated by commas and trimmed of blanks; lines whose first non-blank character
/// is '#', and blank lines, are skipped anywhere; a byte-order mark and CR line ends are
/// accepted. A line that cannot be read becomes a row with an error message instead of
/// values; reading goes on.
class CsvReader {
  public:
    /// Reads from `file` (not owned); `name` is used in messages ("data.csv", "<stdin>").
    CsvReader(std::FILE* file, std::string name);
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    /// Reads up to and including the header line. Throws InputError when the input ends first,
    /// a column is unknown, repeated or missing, or the file cannot be read.
    void readHeader();

    /// Reads the next point into `row`; false at the end of the input. Throws InputError on a
    /// read error of the file.
    bool next(InputRow& row);

    /// Whether compositions are read as mass fractions (header has w_NaCl).
    bool massFractionInput() const { return compositionIsMass_; }

    /// Bytes consumed so far.
    std::uint64_t bytesRead() const { return bytesRead_; }

    const std::string& name() const { return name_; }

  private:
    enum class Column { Temperature, Pressure, MoleFraction, MassFraction };

    // Reads the next line into text_ without its line end; false at the end of the input.
    bool readLine();
    // Whether text_ is blank or a comment.
    bool skippable() const;

    std::FILE* file_;
    std::string name_;
    char* buffer_ = nullptr;
    std::size_t capacity_ = 0;
    std::string_view text_;
    std::int64_t lineNumber_ = 0;
    std::uint64_t bytesRead_ = 0;
    std::vector<Column> columns_;
    bool compositionIsMass_ = false;
};

}  // namespace kelvoran
