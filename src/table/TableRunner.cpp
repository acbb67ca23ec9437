#include "table/TableRunner.h"

#include <span>

#include "kelvoran/Batch.h"

namespace kelvoran {

namespace {

constexpr std::size_t kValuesPerPhase = 6;
// Text a kept row may hold between blocks; a row that held more gives its memory back.
constexpr std::size_t kKeptRowTextBytes = 64 * 1024;
constexpr std::size_t kKeptOutputBytes = std::size_t{64} << 20;

}  // namespace

TableRunner::TableRunner(int threads, TableFormatter formatter)
    : threads_(threads < 1 ? 1 : threads), formatter_(std::move(formatter)) {}

void TableRunner::computeBlock(std::size_t count, const TableJob& job, std::uint64_t doneBefore) {
    // The readable rows, as columns for the batch.
    std::size_t good = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const InputRow& row = rows_[i];
        if (row.ok()) {
            temperatureC_[good] = row.temperatureC;
            pressureBar_[good] = row.pressureBar;
            composition_[good] = row.composition;
            ++good;
        }
    }
    const std::size_t capacity = state_.size();
    const auto column = [&](std::size_t phase, std::size_t value) {
        return values_.data() + (phase * kValuesPerPhase + value) * capacity;
    };
    BatchColumns out;
    out.state = state_.data();
    PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite};
    for (std::size_t phase = 0; phase < 3; ++phase) {
        PhaseColumns& columns = *phases[phase];
        columns.composition = column(phase, 0);
        columns.massFraction = column(phase, 1);
        columns.density = column(phase, 2);
        columns.molarVolume = column(phase, 3);
        columns.specificEnthalpy = column(phase, 4);
        columns.heatCapacity = column(phase, 5);
    }
    BatchOptions options;
    options.threads = threads_;
    if (job.progress) {
        options.progress = [&](std::size_t done, std::size_t) {
            job.progress(doneBefore + done);
            return true;
        };
    }
    if (good > 0) {
        evaluateBatch(std::span<const double>(temperatureC_.data(), good),
                      std::span<const double>(pressureBar_.data(), good),
                      std::span<const double>(composition_.data(), good), out, options);
    }

    text_.clear();
    std::size_t j = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const InputRow& row = rows_[i];
        if (!row.ok()) {
            formatter_.appendErrorRow(text_, row);
            continue;
        }
        ComputedPoint point;
        point.phases = static_cast<Phases>(state_[j]);
        PhaseValues* values[] = {&point.liquid, &point.vapor, &point.halite};
        for (std::size_t phase = 0; phase < 3; ++phase) {
            PhaseValues& v = *values[phase];
            v.composition = column(phase, 0)[j];
            v.massFraction = column(phase, 1)[j];
            v.density = column(phase, 2)[j];
            v.molarVolume = column(phase, 3)[j];
            v.specificEnthalpy = column(phase, 4)[j];
            v.heatCapacity = column(phase, 5)[j];
        }
        formatter_.appendRow(text_, row, point);
        ++j;
    }
}

TableTotals TableRunner::run(const TableJob& job) {
    const std::size_t blockSize = rowsPerThreadBlock * static_cast<std::size_t>(threads_);
    rows_.resize(blockSize);
    temperatureC_.resize(blockSize);
    pressureBar_.resize(blockSize);
    composition_.resize(blockSize);
    state_.resize(blockSize);
    values_.resize(3 * kValuesPerPhase * blockSize);
    TableTotals totals;
    bool more = true;
    while (more) {
        std::size_t count = 0;
        std::size_t textBytes = 0;
        while (count < blockSize && textBytes < textBytesPerBlock) {
            if (!job.next(rows_[count])) {
                more = false;
                break;
            }
            textBytes += rows_[count].textBytes();
            ++count;
        }
        if (count == 0) {
            break;
        }
        computeBlock(count, job, totals.rows);
        for (std::size_t i = 0; i < count; ++i) {
            InputRow& row = rows_[i];
            if (!row.ok()) {
                ++totals.failedRows;
                if (job.rowFailed) {
                    job.rowFailed(row);
                }
            }
            if (row.textBytes() > kKeptRowTextBytes) {
                row = InputRow{};
            }
        }
        job.write(text_);
        if (text_.capacity() > kKeptOutputBytes) {
            std::string().swap(text_);
        }
        totals.rows += count;
        if (job.progress) {
            job.progress(totals.rows);
        }
    }
    return totals;
}

}  // namespace kelvoran
