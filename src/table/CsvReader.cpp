#include "table/CsvReader.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "kelvoran/Calculator.h"
#include "table/TableFormatter.h"
#include "text/NumberText.h"
#include "text/NumberWriter.h"

namespace kelvoran {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr const char* kHeaderHint =
    "name T_C, P_bar and x_NaCl (or w_NaCl), or for the inverse evaluations P_bar with h_J_kg "
    "or rho_kg_m3, or T_C with rho_kg_m3";
constexpr const char* kColumnNames[] = {"T_C", "P_bar", "x_NaCl", "w_NaCl", "h_J_kg", "rho_kg_m3"};
constexpr int kNamedColumns = 6;
enum : int { kT = 0, kP = 1, kX = 2, kW = 3, kH = 4, kRho = 5 };

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string delimiterName(char delimiter) {
    return delimiter == '\t' ? std::string("tab") : std::string(1, delimiter);
}

// Half a unit in the last digit written of a number read from `text` (0.0005 for "0.265",
// 0.5 for "100", 5e-9 for "2.6e-07").
double halfLastDigit(std::string_view text, char decimalMark) {
    text = trimBlanks(text);
    int fractionDigits = 0;
    bool inFraction = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == decimalMark) {
            inFraction = true;
        } else if (ch >= '0' && ch <= '9') {
            if (inFraction) ++fractionDigits;
        } else if (ch == 'e' || ch == 'E') {
            break;
        }
    }
    int exponent = 0;
    if (i < text.size()) {
        exponent = std::atoi(std::string(text.substr(i + 1)).c_str());
    }
    return 0.5 * std::pow(10.0, exponent - fractionDigits);
}

void appendRoundTrip(std::string& out, double value) { appendNumber(out, value); }

std::string csvText(std::string_view text, char delimiter) { return csvField(text, delimiter); }

}  // namespace

CsvReader::CsvReader(std::FILE* file, std::string name, CsvDialect dialect)
    : file_(file), name_(std::move(name)), dialect_(dialect), buffer_(kChunkBytes) {
    struct stat info {};
    if (::fstat(::fileno(file_), &info) == 0 && S_ISREG(info.st_mode)) {
        const off_t start = ::ftello(file_);
        fileStart_ = start >= 0 ? static_cast<std::int64_t>(start) : -1;
    }
}

void CsvReader::refill() {
    position_ = 0;
    filled_ = 0;
    if (buffer_.size() != kChunkBytes) std::vector<char>(kChunkBytes).swap(buffer_);
    if (readError_ != 0 && !readFailed_) {
        // The bytes before a failed read are used: now the failure counts.
        readFailed_ = true;
        readFailure_ = "cannot read " + name_ +
                       (newlines_ > 0 ? " after line " + std::to_string(newlines_) : "") + ": " +
                       std::strerror(readError_);
    }
    if (endOfFile_) return;
    errno = 0;
    filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (filled_ < buffer_.size()) {
        if (std::ferror(file_)) {
            readError_ = errno != 0 ? errno : EIO;
            endOfFile_ = true;
            if (filled_ == 0) refill();  // nothing before it: the failure counts now
            return;
        }
        // A short read means the end of the input: ask no more (a terminal would wait).
        endOfFile_ = std::feof(file_) != 0 || filled_ == 0;
    }
}

int CsvReader::get() {
    if (position_ == filled_) {
        refill();
        if (filled_ == 0) return EOF;
    }
    ++bytesRead_;
    const int c = static_cast<unsigned char>(buffer_[position_++]);
    if (replaying_) {
        if (replay_.size() < maximumRecordBytes) {
            replay_ += static_cast<char>(c);
        } else {
            replayComplete_ = false;
        }
    }
    return c;
}

int CsvReader::peek() {
    if (position_ == filled_) {
        refill();
        if (filled_ == 0) return EOF;
    }
    return static_cast<unsigned char>(buffer_[position_]);
}

bool CsvReader::isBlank(int c) const {
    return c == ' ' || (c == '\t' && dialect_.delimiter != '\t');
}

// Whether `c` ends a line (LF, CR LF or CR); consumes the LF of CR LF and counts the line.
bool CsvReader::isLineEnd(int c) {
    if (c == '\n') {
        ++newlines_;
        return true;
    }
    if (c == '\r') {
        if (peek() == '\n') get();
        ++newlines_;
        return true;
    }
    return false;
}

void CsvReader::skipRestOfLine(int c) {
    while (c != EOF && !isLineEnd(c)) {
        c = get();
    }
}

void CsvReader::store(Field& field, int c) {
    if (++stored_ > maximumRecordBytes) {
        overflow_ = true;
        return;
    }
    field.text += static_cast<char>(c);
}

void CsvReader::startReplay() {
    replaying_ = true;
    replay_.clear();
    replayComplete_ = true;
    replayOffset_ = bytesRead_;
    replayNewlines_ = newlines_;
}

bool CsvReader::replay() {
    replaying_ = false;
    if (replayComplete_) {
        // The kept bytes go back in front of what is still unread.
        std::vector<char> joined(replay_.begin(), replay_.end());
        joined.insert(joined.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(position_),
                      buffer_.begin() + static_cast<std::ptrdiff_t>(filled_));
        buffer_ = std::move(joined);
        position_ = 0;
        filled_ = buffer_.size();
        bytesRead_ -= replay_.size();
    } else {
        if (fileStart_ < 0 || readFailed_ || readError_ != 0) return false;
        std::clearerr(file_);
        if (::fseeko(file_,
                     static_cast<off_t>(fileStart_ + static_cast<std::int64_t>(replayOffset_)),
                     SEEK_SET) != 0) {
            return false;
        }
        position_ = filled_ = 0;
        endOfFile_ = false;
        bytesRead_ = replayOffset_;
    }
    newlines_ = replayNewlines_;
    std::string().swap(replay_);
    return true;
}

CsvReader::Record CsvReader::readRecord(bool comments) {
    // A long field of an earlier line gives its memory back.
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        if (fields_[i].text.capacity() > 64 * 1024) std::string().swap(fields_[i].text);
    }
    fieldCount_ = 0;
    malformed_.clear();
    stored_ = 0;
    overflow_ = false;
    replaying_ = false;
    if (replay_.capacity() > 64 * 1024) std::string().swap(replay_);
    firstLineFields_ = 0;
    if (startOfInput_) {
        startOfInput_ = false;
        // A byte-order mark, whole (a part of one is text).
        if (peek() == 0xEF && filled_ - position_ >= 3 &&
            static_cast<unsigned char>(buffer_[position_ + 1]) == 0xBB &&
            static_cast<unsigned char>(buffer_[position_ + 2]) == 0xBF) {
            position_ += 3;
            bytesRead_ += 3;
        }
    }
    int c = get();
    recordLine_ = recordLastLine_ = newlines_ + 1;
    if (c == EOF) return readFailed_ ? Record::ReadFailed : Record::End;

    while (isBlank(c)) c = get();
    if (c == EOF) return readFailed_ ? Record::ReadFailed : Record::Blank;
    if (isLineEnd(c)) return Record::Blank;
    std::string first;  // a comment's first field, while it may be a spreadsheet's error value
    if (comments && c == '#') {
        while (c != EOF && c != dialect_.delimiter && c != '\n' && c != '\r' &&
               first.size() <= 16) {
            first += static_cast<char>(c);
            c = get();
        }
        if (first.size() > 16 || !isSpreadsheetError(trimBlanks(first))) {
            skipRestOfLine(c);
            return Record::Comment;
        }
    }
    const auto ended = [&](int ch) {
        if (ch == EOF && readFailed_) return Record::ReadFailed;
        if (overflow_) return Record::TooLong;
        return Record::Fields;
    };
    while (true) {
        if (fieldCount_ == fields_.size()) fields_.emplace_back();
        Field& field = fields_[fieldCount_++];
        field.text.clear();
        field.quoted = false;
        stored_ += sizeof(Field);  // a line of separators holds memory too
        if (stored_ > maximumRecordBytes) overflow_ = true;
        if (!first.empty()) {
            field.text = trimBlanks(first);
            first.clear();
        } else {
            while (isBlank(c)) c = get();
        }
        if (c == '"' && field.text.empty()) {
            field.quoted = true;
            bool afterLineBreak = false;  // the last byte ended a line
            while (true) {
                c = get();
                if (c == EOF) {
                    recordLastLine_ = newlines_ + (afterLineBreak ? 0 : 1);
                    if (readFailed_) return Record::ReadFailed;
                    malformed_ = "field " + std::to_string(fieldCount_) +
                                 ": a quoted field is not closed before the end of the input";
                    return firstLineFields_ > 0 ? Record::Broken : Record::Fields;
                }
                if (c == '"') {
                    if (peek() != '"') break;
                    get();
                }
                afterLineBreak = c == '\n' || c == '\r';
                if (c == '\n' || (c == '\r' && peek() != '\n')) {
                    ++newlines_;  // a line break inside the field
                    if (firstLineFields_ == 0) {
                        // What the record's first line holds, and the bytes after it.
                        firstLineFields_ = fieldCount_;
                        firstLineLastSize_ = field.text.size();
                        if (!field.text.empty() && field.text.back() == '\r') {
                            --firstLineLastSize_;
                        }
                        startReplay();
                    }
                }
                store(field, c);
            }
            c = get();
            while (isBlank(c)) c = get();
        } else {
            // Blanks inside the field are kept, those at its end dropped: they wait here.
            std::string blanks;
            while (c != EOF && c != dialect_.delimiter && c != '\n' && c != '\r') {
                if (isBlank(c)) {
                    if (blanks.size() <= maximumRecordBytes) blanks += static_cast<char>(c);
                } else {
                    for (const char blank : blanks) store(field, blank);
                    if (blanks.size() > maximumRecordBytes) overflow_ = true;
                    blanks.clear();
                    store(field, c);
                }
                c = get();
            }
        }
        if (c == dialect_.delimiter) {
            c = get();
            continue;
        }
        recordLastLine_ = newlines_ + 1;
        if (c == EOF) return ended(c);
        if (isLineEnd(c)) return ended(c);
        malformed_ = "field " + std::to_string(fieldCount_) +
                     ": text after the closing quote (a quote inside a quoted field is "
                     "written twice: \"\")";
        if (firstLineFields_ > 0) return Record::Broken;
        skipRestOfLine(c);
        return overflow_ ? Record::TooLong : Record::Fields;
    }
}

void CsvReader::recoverFromBrokenRecord() {
    // The fields of the first line only: the rest is read again.
    fieldCount_ = firstLineFields_;
    fields_[fieldCount_ - 1].text.resize(firstLineLastSize_);
    const std::int64_t last = recordLastLine_;
    std::string cause = malformed_;
    if (cause.find("is not closed") != std::string::npos) {
        cause += " (a stray quote?)";
    } else {
        cause = "field " + std::to_string(fieldCount_) +
                ": the quoted field opened on this line ends on line " + std::to_string(last) +
                " with text after its closing quote (a stray quote?)";
    }
    if (replay()) {
        malformed_ = cause + "; the lines after this one are read again as rows";
        recordLastLine_ = recordLine_;
        return;
    }
    malformed_ = "lines " + std::to_string(recordLine_) + "-" + std::to_string(last) + ": " +
                 cause + "; the record holds more than " + std::to_string(maximumRecordBytes) +
                 " bytes and cannot be read again from a pipe, so reading stops here (read the "
                 "file by its name, or mend the quote)";
    stopped_ = name_ + ":" + std::to_string(recordLine_) + ": reading stopped at a broken record";
}

void CsvReader::readHeader() {
    Record record;
    do {
        record = readRecord(true);
    } while (record == Record::Blank || record == Record::Comment);
    if (record == Record::ReadFailed) {
        throw InputError(readFailure_);
    }
    if (record == Record::End) {
        throw InputError(name_ + ": no header line (the input is empty); " + kHeaderHint);
    }
    headerLine_ = recordLine_;
    const std::string where = name_ + ":" + std::to_string(recordLine_) + ": ";
    if (record == Record::TooLong) {
        throw InputError(where + "the header line is longer than " +
                         std::to_string(maximumRecordBytes) + " bytes");
    }
    if (!malformed_.empty()) {
        throw InputError(where + "cannot read the header: " + malformed_);
    }

    // Which of the named columns the header has; a column that is given twice is refused,
    // except h_J_kg and rho_kg_m3 beside T_C and P_bar, which are then passed through.
    int count[kNamedColumns] = {};
    std::vector<int> named(fieldCount_, -1);
    headerNames_.clear();
    std::string found;
    constexpr std::size_t kShownNames = 6;
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        const std::string_view name = trimBlanks(fields_[i].text);
        headerNames_.push_back(fields_[i].text);
        if (i < kShownNames) {
            found += i == 0 ? "'" : ", '";
            found += printable(name);
            found += '\'';
        }
        for (int c = 0; c < kNamedColumns; ++c) {
            if (sameIgnoringCase(name, kColumnNames[c])) named[i] = c;
        }
        if (named[i] >= 0) ++count[named[i]];
    }
    if (fieldCount_ > kShownNames) {
        found += " and " + std::to_string(fieldCount_ - kShownNames) + " more";
    }
    const bool seenT = count[kT] > 0, seenP = count[kP] > 0, seenH = count[kH] > 0,
               seenRho = count[kRho] > 0;
    const auto missing = [&](int c) {
        std::string message = where + "column " + kColumnNames[c] + " is missing (the header has " +
                              found + "); " + kHeaderHint;
        if (fieldCount_ == 1) {
            for (const char other : {',', ';', '\t', '|'}) {
                if (other != dialect_.delimiter &&
                    fields_[0].text.find(other) != std::string::npos) {
                    message += "; fields here are separated by '";
                    message += delimiterName(dialect_.delimiter);
                    message += "': for '";
                    message += delimiterName(other);
                    message += "' use --delimiter ";
                    if (other == '\t') {
                        message += "tab";
                    } else {
                        message += '\'';
                        message += other;
                        message += '\'';
                    }
                    break;
                }
            }
        }
        return InputError(message);
    };
    if (seenT && seenP) {
        mode_ = TableMode::Direct;
    } else if (seenH && seenRho) {
        throw InputError(where + "give either h_J_kg or rho_kg_m3, not both");
    } else if (seenP && seenH) {
        mode_ = TableMode::PressureEnthalpy;
    } else if (seenP && seenRho) {
        mode_ = TableMode::PressureDensity;
    } else if (seenT && seenRho) {
        mode_ = TableMode::TemperatureDensity;
    } else {
        throw missing(seenT || seenH ? kP : kT);
    }
    const bool inverse = mode_ != TableMode::Direct;
    columns_.clear();
    extraNames_.clear();
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        const int c = named[i];
        if (c < 0 || (!inverse && (c == kH || c == kRho))) {
            columns_.push_back(Column::Extra);
            extraNames_.push_back(fields_[i].text);
            continue;
        }
        if (count[c] > 1) {
            throw InputError(where + "column " + kColumnNames[c] + " appears twice");
        }
        columns_.push_back(static_cast<Column>(c));
    }
    if (count[kX] == 0 && count[kW] == 0) {
        throw missing(kX);
    }
    compositionIsMass_ = count[kW] > 0 && count[kX] == 0;
    bothCompositions_ = count[kW] > 0 && count[kX] > 0;
    // A '#' line can only be a comment where it could not be a row: under a numeric first
    // column. A passed-through first column (sample names) may hold '#1'.
    commentsAfterHeader_ = columns_.front() != Column::Extra;
}

void CsvReader::dropExtraColumns(const std::vector<bool>& drop) {
    std::vector<std::string> kept;
    std::size_t extra = 0;
    for (Column& column : columns_) {
        if (column != Column::Extra) continue;
        if (extra < drop.size() && drop[extra]) {
            column = Column::Dropped;
        } else {
            kept.push_back(extraNames_[extra]);
        }
        ++extra;
    }
    extraNames_ = std::move(kept);
    commentsAfterHeader_ = columns_.front() != Column::Extra;
}

void CsvReader::fillErrorFields(InputRow& row) const {
    std::size_t extra = 0;
    for (std::size_t i = 0; i < fieldCount_ && i < columns_.size(); ++i) {
        if (columns_[i] == Column::Extra) {
            row.extras[extra++] = fields_[i].text;
        } else if (columns_[i] != Column::Dropped) {
            row.inputText[static_cast<std::size_t>(columns_[i])] = fields_[i].text;
        }
    }
}

// x is the composition; w, given beside it, must agree with it to the digits written.
bool CsvReader::readComposition(InputRow& row, double x, double w) {
    row.composition = x;
    row.massFraction = w;
    const std::string& xText = row.inputText[static_cast<std::size_t>(InputColumn::MoleFraction)];
    const std::string& wText = row.inputText[static_cast<std::size_t>(InputColumn::MassFraction)];
    const double xHalf = halfLastDigit(xText, dialect_.decimalMark);
    const double wHalf = halfLastDigit(wText, dialect_.decimalMark);
    // The mass fractions of the ends of x's interval, against w's interval (with a few units
    // of round-off).
    const double low = massFractionFromMoleFraction(x - xHalf);
    const double high = massFractionFromMoleFraction(x + xHalf);
    const double slack = 8.0 * std::numeric_limits<double>::epsilon() * (std::fabs(w) + 1e-300);
    if (low - wHalf - slack <= w && w <= high + wHalf + slack) {
        return true;
    }
    std::string derived;
    appendRoundTrip(derived, massFractionFromMoleFraction(x));
    row.error = "x_NaCl '" + printable(trimBlanks(xText)) + "' and w_NaCl '" +
                printable(trimBlanks(wText)) + "' disagree (x_NaCl " +
                printable(trimBlanks(xText)) + " is w_NaCl " + derived +
                "); give one of them, or both alike";
    return false;
}

bool CsvReader::next(InputRow& row) {
    if (!stopped_.empty()) return false;
    Record record;
    while (true) {
        record = readRecord(commentsAfterHeader_);
        if (record == Record::Fields && malformed_.empty()) {
            bool empty = true;
            for (std::size_t i = 0; i < fieldCount_ && empty; ++i) {
                empty = fields_[i].text.empty();
            }
            if (empty) record = Record::Blank;  // a spreadsheet's empty row
        }
        if (record != Record::Blank && record != Record::Comment) break;
    }
    if (record == Record::End) {
        return false;
    }

    row.line = recordLine_;
    row.lastLine = recordLastLine_;
    row.temperatureC = row.pressureBar = row.composition = row.massFraction = row.bulkValue = 0.0;
    row.error.clear();
    for (std::string& text : row.inputText) text.clear();
    row.extras.resize(extraNames_.size());
    for (std::string& text : row.extras) text.clear();
    switch (record) {
        case Record::ReadFailed:
            // The record the failure cut short is not a point.
            fillErrorFields(row);
            row.error = readFailure_ + "; the table ends here";
            stopped_ = readFailure_;
            return true;
        case Record::TooLong:
            row.error = recordLastLine_ > recordLine_
                            ? "lines " + std::to_string(recordLine_) + "-" +
                                  std::to_string(recordLastLine_) +
                                  " are one record (a quoted field with line breaks) of more "
                                  "than " +
                                  std::to_string(maximumRecordBytes) +
                                  " bytes, the most a record may hold"
                            : "the line is longer than " + std::to_string(maximumRecordBytes) +
                                  " bytes, the most a line may hold";
            return true;
        case Record::Broken:
            recoverFromBrokenRecord();
            row.lastLine = recordLastLine_;
            fillErrorFields(row);
            row.error = malformed_;
            return true;
        default:
            break;
    }

    fillErrorFields(row);
    if (!malformed_.empty()) {
        row.error = malformed_;
        return true;
    }
    if (fieldCount_ != columns_.size()) {
        row.error = "expected " + std::to_string(columns_.size()) + " values but found " +
                    std::to_string(fieldCount_);
        if (fieldCount_ > columns_.size()) {
            // The fields past the header's columns, as they would be written.
            row.error += "; the fields past the header's columns:";
            for (std::size_t i = columns_.size(); i < fieldCount_; ++i) {
                row.error += i == columns_.size() ? ' ' : dialect_.delimiter;
                row.error += csvText(fields_[i].text, dialect_.delimiter);
            }
        }
        return true;
    }

    double x = 0.0, w = 0.0;
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        if (columns_[i] == Column::Extra || columns_[i] == Column::Dropped) continue;
        const std::string& text = fields_[i].text;
        double value = 0.0;
        const NumberParse outcome = parseNumber(text, value, dialect_.decimalMark);
        if (outcome != NumberParse::Ok) {
            const std::string column = kColumnNames[static_cast<int>(columns_[i])];
            if (isSpreadsheetError(trimBlanks(text))) {
                row.error = column + ": '" + printable(trimBlanks(text)) +
                            "' is a spreadsheet's error value, not a number";
                return true;
            }
            row.error = column + ": " + describeParseFailure(outcome, text);
            double withComma = 0.0;
            if (outcome == NumberParse::NotANumber && dialect_.decimalMark == '.' &&
                dialect_.delimiter != ',' && parseNumber(text, withComma, ',') == NumberParse::Ok) {
                row.error += " (for decimal commas use --decimal-comma)";
            }
            return true;
        }
        switch (columns_[i]) {
            case Column::Temperature:
                row.temperatureC = value;
                break;
            case Column::Pressure:
                row.pressureBar = value;
                break;
            case Column::MoleFraction:
                x = value;
                break;
            case Column::MassFraction:
                w = value;
                break;
            case Column::Enthalpy:
            case Column::Density:
                row.bulkValue = value;
                break;
            case Column::Extra:
            case Column::Dropped:
                break;
        }
    }
    if (bothCompositions_) {
        if (!readComposition(row, x, w)) return true;
    } else {
        row.setComposition(compositionIsMass_ ? w : x, compositionIsMass_);
    }
    // An error row keeps the text of its fields; a good row needs none of it.
    for (std::string& text : row.inputText) text.clear();
    return true;
}

bool isSpreadsheetError(std::string_view text) {
    constexpr const char* kErrors[] = {
        "#N/A",      "#N/A!",   "#NAME?",     "#VALUE!",  "#DIV/0!",      "#REF!",     "#NUM!",
        "#NULL!",    "#SPILL!", "#CALC!",     "#FIELD!",  "#BLOCKED!",    "#CONNECT!", "#BUSY!",
        "#UNKNOWN!", "#ERROR!", "#EXTERNAL!", "#PYTHON!", "#GETTING_DATA"};
    for (const char* error : kErrors) {
        if (sameIgnoringCase(text, error)) return true;
    }
    return false;
}

}  // namespace kelvoran
