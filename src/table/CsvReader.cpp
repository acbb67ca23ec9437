#include "table/CsvReader.h"

#include <sys/types.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "kelvoran/Calculator.h"
#include "table/NumberText.h"

namespace kelvoran {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kHeaderHint =
    "the header must name the columns T_C, P_bar and x_NaCl (or w_NaCl instead of x_NaCl)";

const char* columnName(int column) {
    static const char* const names[] = {"T_C", "P_bar", "x_NaCl", "w_NaCl"};
    return names[column];
}

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = text.find(',', begin);
        if (end == std::string_view::npos) {
            fields.push_back(trimBlanks(text.substr(begin)));
            return fields;
        }
        fields.push_back(trimBlanks(text.substr(begin, end - begin)));
        begin = end + 1;
    }
}

}  // namespace

CsvReader::CsvReader(std::FILE* file, std::string name) : file_(file), name_(std::move(name)) {}

CsvReader::~CsvReader() { std::free(buffer_); }

bool CsvReader::readLine() {
    errno = 0;
    const ssize_t length = ::getline(&buffer_, &capacity_, file_);
    if (length < 0) {
        if (std::ferror(file_)) {
            const int error = errno;
            throw InputError(name_ + ": cannot read after line " + std::to_string(lineNumber_) +
                             ": " + (error != 0 ? std::strerror(error) : "read error"));
        }
        return false;
    }
    ++lineNumber_;
    bytesRead_ += static_cast<std::uint64_t>(length);
    std::string_view text(buffer_, static_cast<std::size_t>(length));
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    if (lineNumber_ == 1 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    text_ = text;
    return true;
}

bool CsvReader::skippable() const {
    const std::string_view trimmed = trimBlanks(text_);
    return trimmed.empty() || trimmed.front() == '#';
}

void CsvReader::readHeader() {
    do {
        if (!readLine()) {
            throw InputError(name_ + ": no header line (the input is empty); " + kHeaderHint);
        }
    } while (skippable());

    const std::string where = name_ + ":" + std::to_string(lineNumber_) + ": ";
    bool seen[4] = {false, false, false, false};
    columns_.clear();
    for (const std::string_view field : splitFields(text_)) {
        int column = -1;
        for (int c = 0; c < 4; ++c) {
            if (field == columnName(c)) {
                column = c;
            }
        }
        if (column < 0) {
            throw InputError(where + "unknown column '" + printable(field) + "'; " + kHeaderHint);
        }
        if (seen[column]) {
            throw InputError(where + "column " + columnName(column) + " appears twice");
        }
        seen[column] = true;
        columns_.push_back(static_cast<Column>(column));
    }
    if (seen[2] && seen[3]) {
        throw InputError(where + "give either x_NaCl or w_NaCl, not both");
    }
    for (int c = 0; c < 3; ++c) {
        if (!seen[c] && !(c == 2 && seen[3])) {
            throw InputError(where + "column " + columnName(c) + " is missing; " + kHeaderHint);
        }
    }
    compositionIsMass_ = seen[3];
}

bool CsvReader::next(InputRow& row) {
    do {
        if (!readLine()) {
            return false;
        }
    } while (skippable());

    row = InputRow{};
    row.line = lineNumber_;
    const std::vector<std::string_view> fields = splitFields(text_);
    if (fields.size() != columns_.size()) {
        row.error = "expected " + std::to_string(columns_.size()) + " values but found " +
                    std::to_string(fields.size());
        return true;
    }
    double composition = 0.0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        double value = 0.0;
        const NumberParse outcome = parseNumber(fields[i], value);
        if (outcome != NumberParse::Ok) {
            row.error = std::string(columnName(static_cast<int>(columns_[i]))) + ": " +
                        describeParseFailure(outcome, fields[i]);
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
        }
    }
    if (compositionIsMass_) {
        row.massFraction = composition;
        row.composition = moleFractionFromMassFraction(composition);
    } else {
        row.composition = composition;
        row.massFraction = massFractionFromMoleFraction(composition);
    }
    return true;
}

}  // namespace kelvoran
