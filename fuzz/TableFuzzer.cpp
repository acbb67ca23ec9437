// The text handling of kelvoran-table under arbitrary bytes. The first byte chooses the part:
//   0  the CSV reader (the second byte chooses separator and decimal mark): every row it gives
//      is written by the table's formatter as one CSV record with the header's field count;
//      read back, a good row gives the same input doubles bit for bit and its passed-through
//      texts, an error row its message and the texts of its fields;
//   1  the grid syntax: an axis is either refused with std::invalid_argument or all finite;
//   2  the number formatter: 8 bytes as a double of any bit pattern, written with 0 to 17
//      digits and either decimal mark, read back (exactly for 0 and 17 digits); the rest as
//      text for parseNumber, whose value, written and read again, is the same double.
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "table/CsvReader.h"
#include "table/GridAxis.h"
#include "table/TableFormatter.h"
#include "text/NumberText.h"
#include "text/NumberWriter.h"

namespace {

using namespace kelvoran;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Splits one CSV record (RFC 4180) that must fill all of `text`, its newline included.
std::vector<std::string> splitRecord(std::string_view text, char delimiter) {
    std::vector<std::string> fields(1);
    std::size_t i = 0;
    bool atFieldStart = true;
    while (i < text.size()) {
        const char ch = text[i];
        if (atFieldStart && ch == '"') {
            ++i;
            while (true) {
                if (i >= text.size()) fail("unclosed quote in output", std::string(text));
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        fields.back() += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                fields.back() += text[i++];
            }
            atFieldStart = false;
            continue;
        }
        if (ch == delimiter) {
            fields.emplace_back();
            atFieldStart = true;
        } else if (ch == '\n') {
            if (i + 1 != text.size()) fail("record ends early", std::string(text));
            return fields;
        } else if (ch == '"' || ch == '\r') {
            fail("bare quote or CR in output", std::string(text));
        } else {
            fields.back() += ch;
            atFieldStart = false;
        }
        ++i;
    }
    fail("record without its newline", std::string(text));
}

void fuzzCsv(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return;
    static const char delimiters[] = {',', ';', '\t', '|'};
    CsvDialect dialect;
    dialect.delimiter = delimiters[data[0] % 4];
    dialect.decimalMark = (data[0] & 4) != 0 && dialect.delimiter != ',' ? ',' : '.';
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    std::FILE* file = ::fmemopen(text.data(), text.size(), "r");
    if (file == nullptr) return;
    try {
        CsvReader reader(file, "fuzz", dialect);
        reader.readHeader();
        const TableMode mode = reader.mode();
        const TableFormatter formatter(TableStyle{0, dialect.delimiter, dialect.decimalMark},
                                       reader.extraColumns(), mode);
        // The inverse modes have the given bulk property and the status after w_NaCl.
        const std::size_t firstExtra = mode == TableMode::Direct ? 5 : 7;
        const auto columns = static_cast<std::size_t>(formatter.columnCount());
        if (splitRecord(formatter.header(), dialect.delimiter).size() != columns) {
            fail("header field count", formatter.header());
        }
        InputRow row;
        std::int64_t lastLine = 0;
        for (int n = 0; n < 1000 && reader.next(row); ++n) {
            if (row.line <= lastLine) fail("line numbers do not increase", row.error);
            lastLine = row.line;
            std::string line;
            if (row.ok()) {
                ComputedPoint point;
                point.phases = static_cast<Phases>(row.line % 8);
                point.liquid = {row.composition, row.massFraction,  row.temperatureC,
                                row.pressureBar, -row.temperatureC, 1.0 / row.pressureBar};
                point.vapor = point.halite = point.liquid;
                point.status = static_cast<InverseStatus>(row.line % 4);
                point.foundTemperatureC = point.foundPressureBar = 0.5 * row.bulkValue;
                formatter.appendRow(line, row, point);
            } else {
                formatter.appendErrorRow(line, row);
            }
            const std::vector<std::string> fields = splitRecord(line, dialect.delimiter);
            if (fields.size() != columns) fail("row field count", line);
            if (fields.front() != std::to_string(row.line)) fail("line number", line);
            for (std::size_t i = 0; i < row.extras.size(); ++i) {
                if (fields[firstExtra + i] != row.extras[i]) fail("passed-through text", line);
            }
            if (!row.ok()) {
                if (fields.back() != row.error) fail("error text", line);
                for (std::size_t i = 0; i < 4; ++i) {
                    if (fields[1 + i] != row.inputText[i]) fail("input text", line);
                }
                if (mode != TableMode::Direct &&
                    fields[5] != row.inputText[mode == TableMode::PressureEnthalpy ? 4 : 5]) {
                    fail("input text", line);
                }
                continue;
            }
            // The given values and where they stand: T_C, P_bar, x_NaCl, w_NaCl, and the bulk
            // property of an inverse mode (whose found T or P is not an input).
            const double inputs[] = {row.temperatureC, row.pressureBar, row.composition,
                                     row.massFraction, row.bulkValue};
            for (std::size_t i = 0; i < 5; ++i) {
                const bool given = mode == TableMode::Direct               ? i < 4
                                   : mode == TableMode::TemperatureDensity ? i != 1
                                                                           : i != 0;
                if (!given) continue;
                double back = 0.0;
                if (!std::isfinite(inputs[i])) {
                    if (i < 2 || i == 4) fail("non-finite input accepted", line);
                    continue;  // a composition derived from the other may not be finite
                }
                if (parseNumber(fields[1 + i], back, dialect.decimalMark) != NumberParse::Ok ||
                    !sameBits(back, inputs[i])) {
                    fail("input does not read back", line);
                }
            }
        }
    } catch (const InputError&) {
        // An unusable header is a clean refusal.
    }
    std::fclose(file);
}

void fuzzGrid(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size < 200 ? size : 200);
    std::vector<double> values;
    try {
        values = GridAxis::parse(text, 10000);
    } catch (const std::invalid_argument&) {
        return;
    }
    if (values.empty() || values.size() > 10000) fail("value count", text);
    for (const double value : values) {
        if (!std::isfinite(value)) fail("non-finite grid value", text);
    }
}

void fuzzNumbers(const std::uint8_t* data, std::size_t size) {
    if (size >= 8) {
        double value = 0.0;
        std::memcpy(&value, data, 8);
        for (const char mark : {'.', ','}) {
            for (int digits = 0; digits <= 17; ++digits) {
                std::string text;
                appendNumber(text, value, digits, mark);
                double back = 0.0;
                const NumberParse outcome = parseNumber(text, back, mark);
                if (!std::isfinite(value)) {
                    if (outcome != NumberParse::NotFinite) fail("special value", text);
                    continue;
                }
                if (outcome != NumberParse::Ok && outcome != NumberParse::OutOfRange) {
                    fail("written number does not read", text);
                }
                if ((digits == 0 || digits == 17) && !sameBits(back, value)) {
                    fail("written number does not read back exactly", text);
                }
                if (text.find(mark == '.' ? ',' : '.') != std::string::npos) {
                    fail("wrong decimal mark", text);
                }
            }
        }
        data += 8;
        size -= 8;
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    double value = 0.0;
    if (parseNumber(text, value) == NumberParse::Ok) {
        if (!std::isfinite(value)) fail("parse gave a non-finite value", std::string(text));
        std::string shortest;
        appendExact(shortest, value);
        double again = 0.0;
        if (parseNumber(shortest, again) != NumberParse::Ok || !sameBits(again, value)) {
            fail("parse, print, parse", shortest);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    switch (data[0] % 3) {
        case 0:
            fuzzCsv(data + 1, size - 1);
            break;
        case 1:
            fuzzGrid(data + 1, size - 1);
            break;
        default:
            fuzzNumbers(data + 1, size - 1);
            break;
    }
    return 0;
}
