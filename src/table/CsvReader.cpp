#include "table/CsvReader.h"

#include <cerrno>
#include <cstring>

#include "kelvoran/Calculator.h"
#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
constexpr const char* kHeaderHint =
    "the header must name the columns T_C, P_bar and x_NaCl (or w_NaCl instead of x_NaCl), or "
    "for the inverse evaluations P_bar and h_J_kg, P_bar and rho_kg_m3, or T_C and rho_kg_m3 "
    "in place of T_C and P_bar";
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

}  // namespace

CsvReader::CsvReader(std::FILE* file, std::string name, CsvDialect dialect)
    : file_(file), name_(std::move(name)), dialect_(dialect), buffer_(kChunkBytes) {}

void CsvReader::refill() {
    position_ = 0;
    filled_ = 0;
    if (endOfFile_) return;
    errno = 0;
    filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    if (filled_ < buffer_.size()) {
        if (std::ferror(file_)) {
            const int error = errno;
            throw InputError(name_ + ": cannot read after line " + std::to_string(newlines_) +
                             ": " + (error != 0 ? std::strerror(error) : "read error"));
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
    ++recordBytes_;
    return static_cast<unsigned char>(buffer_[position_++]);
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

CsvReader::Record CsvReader::readRecord(bool comments) {
    // A long field of an earlier line gives its memory back.
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        if (fields_[i].text.capacity() > 64 * 1024) std::string().swap(fields_[i].text);
    }
    fieldCount_ = 0;
    malformed_.clear();
    recordBytes_ = 0;
    int c = get();
    if (startOfInput_) {
        startOfInput_ = false;
        if (c == 0xEF && peek() == 0xBB) {
            get();
            if (peek() == 0xBF) get();
            c = get();
        }
    }
    recordLine_ = newlines_ + 1;
    if (c == EOF) return Record::End;
    const auto tooLong = [this] { return recordBytes_ > maximumLineBytes; };

    while (isBlank(c) && !tooLong()) c = get();
    if (c == EOF || isLineEnd(c)) return Record::Blank;
    if (comments && c == '#') {
        skipRestOfLine(get());
        return Record::Comment;
    }
    while (true) {
        if (fieldCount_ == fields_.size()) fields_.emplace_back();
        Field& field = fields_[fieldCount_++];
        field.text.clear();
        field.quoted = false;
        while (isBlank(c) && !tooLong()) c = get();
        if (c == '"') {
            field.quoted = true;
            while (true) {
                c = get();
                if (tooLong()) {
                    skipRestOfLine(c);
                    return Record::TooLong;
                }
                if (c == EOF) {
                    malformed_ = "field " + std::to_string(fieldCount_) +
                                 ": a quoted field is not closed before the end of the input";
                    return Record::Fields;
                }
                if (c == '"') {
                    if (peek() != '"') break;
                    get();
                } else if (c == '\n' || (c == '\r' && peek() != '\n')) {
                    ++newlines_;  // a line break inside the field
                }
                field.text += static_cast<char>(c);
            }
            c = get();
            while (isBlank(c) && !tooLong()) c = get();
        } else {
            while (c != EOF && c != dialect_.delimiter && c != '\n' && c != '\r') {
                if (tooLong()) {
                    skipRestOfLine(c);
                    return Record::TooLong;
                }
                field.text += static_cast<char>(c);
                c = get();
            }
            field.text.erase(trimBlanks(field.text).size());
        }
        if (tooLong()) {
            skipRestOfLine(c);
            return Record::TooLong;
        }
        if (c == dialect_.delimiter) {
            c = get();
            continue;
        }
        if (c == EOF || isLineEnd(c)) return Record::Fields;
        malformed_ = "field " + std::to_string(fieldCount_) +
                     ": text after the closing quote (a quote inside a quoted field is "
                     "written twice: \"\")";
        skipRestOfLine(c);
        return Record::Fields;
    }
}

void CsvReader::readHeader() {
    Record record;
    do {
        record = readRecord(true);
    } while (record == Record::Blank || record == Record::Comment);
    if (record == Record::End) {
        throw InputError(name_ + ": no header line (the input is empty); " + kHeaderHint);
    }
    const std::string where = name_ + ":" + std::to_string(recordLine_) + ": ";
    if (record == Record::TooLong) {
        throw InputError(where + "the header line is longer than " +
                         std::to_string(maximumLineBytes) + " bytes");
    }
    if (!malformed_.empty()) {
        throw InputError(where + "cannot read the header: " + malformed_);
    }

    // Which of the named columns the header has; a column that is given twice is refused,
    // except h_J_kg and rho_kg_m3 beside T_C and P_bar, which are then passed through.
    int count[kNamedColumns] = {};
    std::vector<int> named(fieldCount_, -1);
    std::string found;
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        const std::string_view name = trimBlanks(fields_[i].text);
        found += i == 0 ? "'" : ", '";
        found += printable(name);
        found += '\'';
        for (int c = 0; c < kNamedColumns; ++c) {
            if (sameIgnoringCase(name, kColumnNames[c])) named[i] = c;
        }
        if (named[i] >= 0) ++count[named[i]];
    }
    const bool seenT = count[kT] > 0, seenP = count[kP] > 0, seenH = count[kH] > 0,
               seenRho = count[kRho] > 0;
    const auto missing = [&](int c) {
        std::string message = where + "column " + kColumnNames[c] + " is missing; " + kHeaderHint +
                              " (this header has " + found + ")";
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
    if (count[kX] > 0 && count[kW] > 0) {
        throw InputError(where + "give either x_NaCl or w_NaCl, not both");
    }
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
    compositionIsMass_ = count[kW] > 0;
    // A '#' line can only be a comment where it could not be a row: under a numeric first
    // column. A passed-through first column (sample names) may hold '#1'.
    commentsAfterHeader_ = columns_.front() != Column::Extra;
}

bool CsvReader::next(InputRow& row) {
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
    row.temperatureC = row.pressureBar = row.composition = row.massFraction = row.bulkValue = 0.0;
    row.error.clear();
    for (std::string& text : row.inputText) text.clear();
    row.extras.resize(extraNames_.size());
    for (std::string& text : row.extras) text.clear();
    if (record == Record::TooLong) {
        row.error = "the line is longer than " + std::to_string(maximumLineBytes) +
                    " bytes, the most a line may hold";
        return true;
    }

    std::size_t extra = 0;
    for (std::size_t i = 0; i < fieldCount_ && i < columns_.size(); ++i) {
        if (columns_[i] == Column::Extra) {
            row.extras[extra++] = fields_[i].text;
        } else {
            row.inputText[static_cast<std::size_t>(columns_[i])] = fields_[i].text;
        }
    }
    if (!malformed_.empty()) {
        row.error = malformed_;
        return true;
    }
    if (fieldCount_ != columns_.size()) {
        row.error = "expected " + std::to_string(columns_.size()) + " values but found " +
                    std::to_string(fieldCount_);
        return true;
    }

    double composition = 0.0;
    for (std::size_t i = 0; i < fieldCount_; ++i) {
        if (columns_[i] == Column::Extra) continue;
        const std::string& text = fields_[i].text;
        double value = 0.0;
        const NumberParse outcome = parseNumber(text, value, dialect_.decimalMark);
        if (outcome != NumberParse::Ok) {
            row.error = std::string(kColumnNames[static_cast<int>(columns_[i])]) + ": " +
                        describeParseFailure(outcome, text);
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
            case Column::MassFraction:
                composition = value;
                break;
            case Column::Enthalpy:
            case Column::Density:
                row.bulkValue = value;
                break;
            case Column::Extra:
                break;
        }
    }
    row.setComposition(composition, compositionIsMass_);
    return true;
}

}  // namespace kelvoran
