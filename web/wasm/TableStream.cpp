// kv_table: the table tool's CSV reading, evaluation and writing, run on a stream the
// JavaScript layer feeds and drains, so that a page gets the very table kelvoran-table writes.
// The input is read through kv_js_table_read in pieces (a File in a Web Worker, read with
// FileReaderSync, or bytes in memory), the output is handed to kv_js_table_write block by
// block: neither is held whole in the module's memory. This file is the binding's only contact
// with the table tool's sources (CsvReader, TableFormatter, TableRunner).
#ifndef _GNU_SOURCE
#define _GNU_SOURCE 1  // fopencookie
#endif
#include <emscripten/emscripten.h>
#include <stdio.h>

#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <string>

#include "table/CsvReader.h"
#include "table/TableCommand.h"
#include "table/TableFormatter.h"
#include "table/TableRunner.h"
#include "text/NumberText.h"

// The JavaScript side of one run, set up by kelvoran-api.js as Module.kvTable.
EM_JS(int, kv_js_table_read, (char* buffer, int size), {
    return Module["kvTable"].read(buffer, size);
});
EM_JS(void, kv_js_table_write, (const char* text, int size), {
    Module["kvTable"].write(text, size);
});
EM_JS(void, kv_js_table_progress, (double rows, double bytes), {
    Module["kvTable"].progress(rows, bytes);
});
EM_JS(void, kv_js_table_message, (const char* text, int size), {
    Module["kvTable"].message(text, size);
});

namespace {

ssize_t readInput(void*, char* buffer, size_t size) {
    const int chunk = size > (1U << 30) ? (1 << 30) : static_cast<int>(size);
    const int got = kv_js_table_read(buffer, chunk);
    return got < 0 ? -1 : got;
}

void message(const std::string& text) {
    kv_js_table_message(text.data(), static_cast<int>(text.size()));
}

}  // namespace

extern "C" {

/// Runs the table tool on the CSV text that kv_js_table_read delivers (`name` is used in
/// messages): the header and rows go to kv_js_table_write, progress (rows done, bytes read) to
/// kv_js_table_progress, each message (a row that cannot be read, a fault of the whole input)
/// to kv_js_table_message. `digits` 0 writes the shortest exact form, 1–17 that many
/// significant digits; `delimiter` ',', ';', '|' or '\t'; `decimalMark` '.' or ','.
/// `totals` receives rows written, rows that could not be read, rows without a state found.
/// Returns kelvoran-table's exit status: 0, 1 (some rows could not be read), 2 (bad options),
/// 3 (the input cannot be used) or 5 (out of memory, another failure).
EMSCRIPTEN_KEEPALIVE int kv_table(const char* name, int digits, int delimiter, int decimalMark,
                                  double* totals) {
    using namespace kelvoran;
    totals[0] = totals[1] = totals[2] = 0.0;
    if (digits < 0 || digits > 17 ||
        (delimiter != ',' && delimiter != ';' && delimiter != '|' && delimiter != '\t') ||
        (decimalMark != '.' && decimalMark != ',') || (decimalMark == ',' && delimiter == ',')) {
        message("digits must be 0-17; the delimiter ',', ';', '|' or tab; a decimal comma needs "
                "another delimiter");
        return TableExitUsage;
    }
    cookie_io_functions_t io{};
    io.read = readInput;
    FILE* file = fopencookie(nullptr, "r", io);
    if (file == nullptr) {
        message("out of memory");
        return TableExitFailure;
    }
    struct Closer {
        FILE* file;
        ~Closer() { fclose(file); }
    } closer{file};
    const std::string inputName = name;
    TableStyle style;
    style.digits = digits;
    style.delimiter = static_cast<char>(delimiter);
    style.decimalMark = static_cast<char>(decimalMark);
    TableTotals result;
    try {
        CsvReader reader(file, inputName, CsvDialect{style.delimiter, style.decimalMark});
        reader.readHeader();
        const TableMode mode = reader.mode();
        const std::string clash = TableFormatter::clashingColumn(reader.extraColumns(), mode);
        if (!clash.empty()) {
            throw InputError(inputName + ": the input column '" + printable(clash) +
                             "' has the name of an output column; rename it");
        }
        TableFormatter formatter(style, reader.extraColumns(), mode);
        const std::string header = formatter.header();
        kv_js_table_write(header.data(), static_cast<int>(header.size()));
        TableJob job;
        job.next = [&](InputRow& row) { return reader.next(row); };
        job.write = [](std::string_view text) {
            kv_js_table_write(text.data(), static_cast<int>(text.size()));
        };
        job.rowFailed = [&](const InputRow& row) {
            message(inputName + ":" + std::to_string(row.line) + ": " + row.error);
        };
        job.progress = [&](std::uint64_t done) {
            kv_js_table_progress(static_cast<double>(done),
                                 static_cast<double>(reader.bytesRead()));
        };
        TableRunner runner(1, formatter);
        result = runner.run(job);
    } catch (const InputError& e) {
        message(e.what());
        return TableExitInput;
    } catch (const std::bad_alloc&) {
        message("out of memory");
        return TableExitFailure;
    } catch (const std::exception& e) {
        message(e.what());
        return TableExitFailure;
    }
    totals[0] = static_cast<double>(result.rows);
    totals[1] = static_cast<double>(result.failedRows);
    totals[2] = static_cast<double>(result.unsolvedRows);
    return result.failedRows > 0 ? TableExitBadRows : TableExitOk;
}

}  // extern "C"
