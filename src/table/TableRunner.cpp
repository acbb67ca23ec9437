#include "table/TableRunner.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "kelvoran/Batch.h"

namespace kelvoran {

namespace {

constexpr std::size_t kValuesPerPhase = 8;
constexpr std::size_t kValueColumns = 3 * kValuesPerPhase + 2;  // + bulk density, enthalpy
// Text a kept row may hold between blocks; a row that held more gives its memory back.
constexpr std::size_t kKeptRowTextBytes = 64 * 1024;
constexpr std::size_t kKeptOutputBytes = std::size_t{64} << 20;

}  // namespace

TableRunner::TableRunner(int threads, TableFormatter formatter)
    : threads_(threads < 1 ? 1 : threads), formatter_(std::move(formatter)) {}

std::uint64_t TableRunner::computeBlock(std::size_t count, const TableJob& job,
                                        std::uint64_t doneBefore) {
    const TableMode mode = formatter_.mode();
    // The readable rows, as columns for the batch.
    std::size_t good = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const InputRow& row = rows_[i];
        if (row.ok()) {
            switch (mode) {
                case TableMode::Direct:
                    first_[good] = row.temperatureC;
                    second_[good] = row.pressureBar;
                    break;
                case TableMode::PressureEnthalpy:
                case TableMode::PressureDensity:
                    first_[good] = row.pressureBar;
                    second_[good] = row.bulkValue;
                    break;
                case TableMode::TemperatureDensity:
                    first_[good] = row.temperatureC;
                    second_[good] = row.bulkValue;
                    break;
            }
            composition_[good] = row.composition;
            ++good;
        }
    }
    const std::size_t capacity = state_.size();
    const auto column = [&](std::size_t index) { return values_.data() + index * capacity; };
    const auto phaseColumn = [&](std::size_t phase, std::size_t value) {
        return column(phase * kValuesPerPhase + value);
    };
    // Only the columns the table writes: the evaluation skips what none of them needs.
    const ColumnNeeds needs = formatter_.needs();
    const auto wanted = [](bool need, double* values) { return need ? values : nullptr; };
    BatchColumns out;
    out.state = state_.data();
    out.warnings = needs.warnings ? warnings_.data() : nullptr;
    out.fluidType = needs.fluidType ? fluidType_.data() : nullptr;
    PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite};
    for (std::size_t phase = 0; phase < 3; ++phase) {
        PhaseColumns& columns = *phases[phase];
        columns.composition = wanted(needs.compositions, phaseColumn(phase, 0));
        columns.massFraction = wanted(needs.compositions, phaseColumn(phase, 1));
        columns.density = wanted(needs.volumes, phaseColumn(phase, 2));
        columns.molarVolume = wanted(needs.volumes, phaseColumn(phase, 3));
        columns.specificEnthalpy = wanted(needs.thermal, phaseColumn(phase, 4));
        columns.heatCapacity = wanted(needs.thermal, phaseColumn(phase, 5));
        columns.phaseMassFraction = wanted(needs.amounts, phaseColumn(phase, 6));
        columns.saturation = wanted(needs.volumes, phaseColumn(phase, 7));
    }
    out.bulk.density = wanted(needs.volumes, column(3 * kValuesPerPhase));
    out.bulk.specificEnthalpy = wanted(needs.thermal, column(3 * kValuesPerPhase + 1));
    const TableDerivatives* derivatives = needs.derivatives ? formatter_.derivatives() : nullptr;
    if (derivatives != nullptr) derivatives->bind(out.derivatives, derivatives_.data(), capacity);
    InverseColumns inverse;
    inverse.status = status_.data();
    if (mode == TableMode::TemperatureDensity) {
        inverse.pressureBar = found_.data();
    } else {
        inverse.temperatureC = found_.data();
    }
    BatchOptions options;
    options.threads = threads_;
    options.searchRange = job.searchRange;
    if (job.progress) {
        options.progress = [&](std::size_t done, std::size_t) {
            job.progress(doneBefore + done);
            return true;
        };
    }
    if (good > 0 && job.evaluate) {
        job.evaluate({first_.data(), good}, {second_.data(), good}, {composition_.data(), good},
                     out, inverse, options);
    } else if (good > 0 && (mode != TableMode::Direct || needs.any())) {
        const std::span<const double> a(first_.data(), good), b(second_.data(), good),
            x(composition_.data(), good);
        switch (mode) {
            case TableMode::Direct:
                evaluateBatch(a, b, x, out, options);
                break;
            case TableMode::PressureEnthalpy:
                evaluateBatchPH(a, b, x, out, inverse, options);
                break;
            case TableMode::PressureDensity:
                evaluateBatchPRho(a, b, x, out, inverse, options);
                break;
            case TableMode::TemperatureDensity:
                evaluateBatchTRho(a, b, x, out, inverse, options);
                break;
        }
    }

    textBytes_ = 0;
    std::uint64_t unsolved = 0;
    std::size_t j = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const InputRow& row = rows_[i];
        if (!row.ok()) {
            char* out = textRoom(formatter_.rowBytes(row));
            textBytes_ = static_cast<std::size_t>(formatter_.writeErrorRow(out, row) - text_.get());
            continue;
        }
        ComputedPoint point;
        point.phases = static_cast<Phases>(state_[j]);
        point.warnings = warnings_[j];
        point.fluidType = static_cast<FluidType>(fluidType_[j]);
        PhaseValues* values[] = {&point.liquid, &point.vapor, &point.halite};
        for (std::size_t phase = 0; phase < 3; ++phase) {
            PhaseValues& v = *values[phase];
            v.composition = phaseColumn(phase, 0)[j];
            v.massFraction = phaseColumn(phase, 1)[j];
            v.density = phaseColumn(phase, 2)[j];
            v.molarVolume = phaseColumn(phase, 3)[j];
            v.specificEnthalpy = phaseColumn(phase, 4)[j];
            v.heatCapacity = phaseColumn(phase, 5)[j];
            v.phaseMassFraction = phaseColumn(phase, 6)[j];
            v.saturation = phaseColumn(phase, 7)[j];
        }
        point.bulkDensity = column(3 * kValuesPerPhase)[j];
        point.bulkSpecificEnthalpy = column(3 * kValuesPerPhase + 1)[j];
        if (derivatives != nullptr) {
            point.derivatives = derivatives_.data() + j;
            point.derivativeStride = capacity;
        }
        if (mode != TableMode::Direct) {
            point.status = static_cast<InverseStatus>(status_[j]);
            if (mode == TableMode::TemperatureDensity) {
                point.foundPressureBar = found_[j];
            } else {
                point.foundTemperatureC = found_[j];
            }
            if (point.status != InverseStatus::Solved) ++unsolved;
        }
        char* out = textRoom(formatter_.rowBytes(row));
        textBytes_ = static_cast<std::size_t>(formatter_.writeRow(out, row, point) - text_.get());
        ++j;
    }
    return unsolved;
}

char* TableRunner::textRoom(std::size_t bytes) {
    if (textCapacity_ - textBytes_ < bytes) {
        std::size_t capacity = textCapacity_ > 0 ? 2 * textCapacity_ : std::size_t{1} << 16;
        while (capacity - textBytes_ < bytes) capacity *= 2;
        auto larger = std::unique_ptr<char[]>(new char[capacity]);
        if (textBytes_ > 0) std::memcpy(larger.get(), text_.get(), textBytes_);
        text_ = std::move(larger);
        textCapacity_ = capacity;
    }
    return text_.get() + textBytes_;
}

TableTotals TableRunner::run(const TableJob& job) {
    const std::size_t blockSize =
        std::min(rowsPerThreadBlock * static_cast<std::size_t>(threads_), maximumRowsInFlight);
    rows_.resize(blockSize);
    first_.resize(blockSize);
    second_.resize(blockSize);
    composition_.resize(blockSize);
    state_.resize(blockSize);
    warnings_.resize(blockSize);
    fluidType_.resize(blockSize);
    status_.resize(blockSize);
    found_.resize(blockSize);
    values_.resize(kValueColumns * blockSize);
    if (formatter_.derivatives() != nullptr) {
        derivatives_.resize(formatter_.derivatives()->count() * blockSize);
    }
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
        totals.unsolvedRows += computeBlock(count, job, totals.rows);
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
        job.write(std::string_view(text_.get(), textBytes_));
        if (textCapacity_ > kKeptOutputBytes) {
            text_.reset();
            textCapacity_ = 0;
        }
        totals.rows += count;
        if (job.progress) {
            job.progress(totals.rows);
        }
    }
    return totals;
}

}  // namespace kelvoran
