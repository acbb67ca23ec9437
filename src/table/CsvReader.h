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

/// How a CSV file is written: its field separator and its decimal mark.
struct CsvDialect {
    char delimiter = ',';    ///< ',', ';', '|' or '\t'
    char decimalMark = '.';  ///< '.' or ',' (',' only with another delimiter)
};

/// Reads points from CSV text as spreadsheets write it (RFC 4180): a header naming the columns
/// T_C, P_bar and either x_NaCl (mole fraction NaCl) or w_NaCl (mass fraction NaCl), in any
/// order, in any letter case, then one point per line. The inverse evaluations are chosen by
/// the header as well: P_bar and h_J_kg (bulk specific enthalpy) without T_C, P_bar and
/// rho_kg_m3 (bulk density) without T_C, or T_C and rho_kg_m3 without P_bar, each with x_NaCl
/// or w_NaCl (see TableMode). With both T_C and P_bar the point is evaluated directly and any
/// h_J_kg or rho_kg_m3 column is passed through. Every other column is passed through:
/// its fields are kept as text in InputRow::extras. A field may be quoted ("a, b" and "say
/// ""hi""" are one field each; a quoted field may hold line breaks); blanks around unquoted
/// fields are dropped. Blank lines, lines of empty fields only, and lines whose first
/// non-blank character is '#' are skipped (after the header, a '#' line is skipped only while
/// the first column is one of the four above: under a passed-through first column, such as
/// sample names, it is a row). A byte-order mark and LF, CR LF or CR line ends are accepted.
/// A line that cannot be read becomes a row with an error message, the text of its fields and
/// its line number; reading goes on. No line may be longer than maximumLineBytes: a longer one
/// becomes such a row, and reading goes on after it, so memory stays bounded.
class CsvReader {
  public:
    /// Longest line (a record with its quoted line breaks), in bytes: 1 MiB.
    static constexpr std::size_t maximumLineBytes = std::size_t{1} << 20;

    /// Reads from `file` (not owned); `name` is used in messages ("data.csv", "<stdin>").
    CsvReader(std::FILE* file, std::string name, CsvDialect dialect = {});
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    /// Reads up to and including the header line. Throws InputError when the input ends first,
    /// a column is repeated or missing, the header cannot be read, or the file cannot be read.
    void readHeader();

    /// Reads the next point into `row`; false at the end of the input. Throws InputError when
    /// the file cannot be read (a read error is never taken for the end of the input).
    bool next(InputRow& row);

    /// Whether compositions are read as mass fractions (header has w_NaCl).
    bool massFractionInput() const { return compositionIsMass_; }

    /// What the header's columns ask for (set by readHeader).
    TableMode mode() const { return mode_; }

    /// Names of the passed-through columns, in input order.
    const std::vector<std::string>& extraColumns() const { return extraNames_; }

    /// Bytes consumed so far.
    std::uint64_t bytesRead() const { return bytesRead_; }

    const std::string& name() const { return name_; }

  private:
    // The first six in the order of InputColumn.
    enum class Column {
        Temperature,
        Pressure,
        MoleFraction,
        MassFraction,
        Enthalpy,
        Density,
        Extra
    };
    enum class Record { Fields, Blank, Comment, TooLong, End };

    struct Field {
        std::string text;
        bool quoted = false;
    };

    int get();
    int peek();
    bool isBlank(int c) const;
    bool isLineEnd(int c);
    void skipRestOfLine(int c);
    // Reads the next record into fields_ (fieldCount_ of them); `comments` says whether a line
    // starting with '#' is a comment here.
    Record readRecord(bool comments);
    void refill();

    std::FILE* file_;
    std::string name_;
    CsvDialect dialect_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool endOfFile_ = false;
    bool startOfInput_ = true;

    std::vector<Field> fields_;
    std::size_t fieldCount_ = 0;
    std::string malformed_;  // why the record's quoting is broken, empty if it is not
    std::size_t recordBytes_ = 0;
    std::int64_t newlines_ = 0;  // line ends consumed so far
    std::int64_t recordLine_ = 0;
    std::uint64_t bytesRead_ = 0;

    std::vector<Column> columns_;
    std::vector<std::string> extraNames_;
    bool compositionIsMass_ = false;
    TableMode mode_ = TableMode::Direct;
    bool commentsAfterHeader_ = true;
};

}  // namespace kelvoran
