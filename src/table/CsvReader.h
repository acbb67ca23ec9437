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
/// T_C, P_bar and x_NaCl (mole fraction NaCl) or w_NaCl (mass fraction NaCl), or both, in any
/// order, in any letter case, then one point per line. The inverse evaluations are chosen by
/// the header as well: P_bar and h_J_kg (bulk specific enthalpy) without T_C, P_bar and
/// rho_kg_m3 (bulk density) without T_C, or T_C and rho_kg_m3 without P_bar, each with x_NaCl
/// or w_NaCl (see TableMode). With both T_C and P_bar the point is evaluated directly and any
/// h_J_kg or rho_kg_m3 column is passed through. Every other column is passed through:
/// its fields are kept as text in InputRow::extras. A field may be quoted ("a, b" and "say
/// ""hi""" are one field each; a quoted field may hold line breaks); blanks around unquoted
/// fields are dropped. Blank lines, lines of empty fields only, and comment lines are skipped:
/// a comment line starts with '#' (after blanks), and its first field is not a spreadsheet's
/// error value such as #N/A or #VALUE! (such a line is a row, whose value is refused); after the
/// header a '#' line is a comment only while the first column is one of the six above (under a
/// passed-through first column, such as sample names, it is a row). A byte-order mark and LF,
/// CR LF or CR line ends are accepted. With both x_NaCl and w_NaCl (the table's own output
/// read back), x_NaCl is the composition and w_NaCl must agree with it to the digits written.
///
/// A record that cannot be read becomes a row with an error message, the text of its fields
/// and its line number; reading goes on. No record may hold more than maximumRecordBytes of
/// text: a longer one is such a row (memory stays bounded), and reading goes on at the end of
/// the record, found by its quotes. A quoted field that spans lines and then turns out broken
/// (never closed, or text after its closing quote) is taken for a stray quote: the row of its
/// first line says so, and the lines after that first line are read again as rows (from memory,
/// or by seeking a regular file when the record was longer than the limit). From a pipe a
/// record that long cannot be read again: its row names the lines it covers and reading stops
/// (stopped() says why).
class CsvReader {
  public:
    /// Most bytes of text one record may hold (its fields, line breaks in quotes included;
    /// blanks around fields do not count): 1 MiB.
    static constexpr std::size_t maximumRecordBytes = std::size_t{1} << 20;
    /// The former name of maximumRecordBytes.
    static constexpr std::size_t maximumLineBytes = maximumRecordBytes;

    /// Reads from `file` (not owned); `name` is used in messages ("'data.csv'", "<stdin>").
    CsvReader(std::FILE* file, std::string name, CsvDialect dialect = {});
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    /// Reads up to and including the header line. Throws InputError when the input ends first,
    /// a column is repeated or missing, the header cannot be read, or the file cannot be read.
    void readHeader();

    /// Reads the next point into `row`; false at the end of the input. A read error of the
    /// file is never taken for the end of the input: the record it cuts short becomes an error
    /// row, reading ends there, and readFailure() says why.
    bool next(InputRow& row);

    /// Why the file could not be read to its end, or empty.
    const std::string& readFailure() const { return readFailure_; }

    /// Why reading stopped before the end of the input (a broken record too long to be read
    /// again from a pipe, or a read error), or empty.
    const std::string& stopped() const { return stopped_; }

    /// Passed-through columns for which `drop` is true are neither read nor passed through
    /// (call after readHeader).
    void dropExtraColumns(const std::vector<bool>& drop);

    /// Whether compositions are read as mass fractions (header has w_NaCl and no x_NaCl).
    bool massFractionInput() const { return compositionIsMass_; }

    /// What the header's columns ask for (set by readHeader).
    TableMode mode() const { return mode_; }

    /// Names of the passed-through columns, in input order.
    const std::vector<std::string>& extraColumns() const { return extraNames_; }

    /// Names of every column of the header, in input order.
    const std::vector<std::string>& headerColumns() const { return headerNames_; }

    /// Line number of the header.
    std::int64_t headerLine() const { return headerLine_; }

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
        Extra,
        Dropped,
    };
    enum class Record { Fields, Blank, Comment, TooLong, Broken, ReadFailed, End };

    struct Field {
        std::string text;
        bool quoted = false;
    };

    int get();
    int peek();
    bool isBlank(int c) const;
    bool isLineEnd(int c);
    void skipRestOfLine(int c);
    void refill();
    // Appends `c` to `field`, within the record's limit.
    void store(Field& field, int c);
    // Starts keeping the bytes read from here on, for reading them again.
    void startReplay();
    // Reads the bytes after the first line of the current record again; false when it cannot.
    bool replay();
    // Reads the next record into fields_ (fieldCount_ of them); `comments` says whether a line
    // starting with '#' is a comment here.
    Record readRecord(bool comments);
    // After a broken record that spans lines: its first line's fields, and the lines after it
    // read again (or reading stopped). Sets malformed_ to the row's message.
    void recoverFromBrokenRecord();
    void fillErrorFields(InputRow& row) const;
    bool readComposition(InputRow& row, double x, double w);

    std::FILE* file_;
    std::string name_;
    CsvDialect dialect_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t filled_ = 0;
    bool endOfFile_ = false;
    bool startOfInput_ = true;
    int readError_ = 0;  // errno of a failed read, reported once the bytes before it are used
    bool readFailed_ = false;
    std::int64_t fileStart_ = -1;  // offset of the first byte in a regular file, else -1

    std::vector<Field> fields_;
    std::size_t fieldCount_ = 0;
    std::string malformed_;  // why the record's quoting is broken, empty if it is not
    std::size_t stored_ = 0;     // bytes of the record counted against the limit
    bool overflow_ = false;      // the record holds more than the limit
    std::int64_t newlines_ = 0;  // line ends consumed so far
    std::int64_t recordLine_ = 0;
    std::int64_t recordLastLine_ = 0;
    std::uint64_t bytesRead_ = 0;

    // The bytes after the first line break inside a quoted field of the current record.
    bool replaying_ = false;
    std::string replay_;
    bool replayComplete_ = true;
    std::uint64_t replayOffset_ = 0;   // bytesRead_ where it starts
    std::int64_t replayNewlines_ = 0;  // newlines_ where it starts
    // The fields of the record's first line: their count, and the size of the last one.
    std::size_t firstLineFields_ = 0;
    std::size_t firstLineLastSize_ = 0;

    std::vector<Column> columns_;
    std::vector<std::string> extraNames_;
    std::vector<std::string> headerNames_;
    std::int64_t headerLine_ = 0;
    bool compositionIsMass_ = false;
    bool bothCompositions_ = false;
    TableMode mode_ = TableMode::Direct;
    bool commentsAfterHeader_ = true;
    std::string readFailure_;
    std::string stopped_;
};

/// Whether `text` is a spreadsheet's error value (#N/A, #VALUE!, #DIV/0!, #REF!, #NAME?,
/// #NUM!, #NULL! and the like), letter case ignored.
bool isSpreadsheetError(std::string_view text);

}  // namespace kelvoran
