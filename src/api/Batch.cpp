#include "kelvoran/Batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "inverse/BulkPropertySearch.h"
#include "inverse/InverseDerivatives.h"
#include "kelvoran/Calculator.h"
#include "phase/PhaseStateEvaluator.h"

namespace kelvoran {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kPointsPerClaim = 64;  // points a worker takes at a time
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

void put(double* column, std::size_t i, double value) {
    if (column != nullptr) column[i] = value;
}

// One phase's columns at point i: the record's values when the phase is present, NaN
// otherwise.
void writePhase(const PhaseColumns& columns, std::size_t i, const PhaseRecord& record,
                bool present) {
    put(columns.composition, i, present ? record.composition : kNaN);
    put(columns.massFraction, i, present ? record.massPercent * 0.01 : kNaN);
    put(columns.density, i, present ? record.density : kNaN);
    put(columns.molarVolume, i, present ? record.molarVolume : kNaN);
    put(columns.specificEnthalpy, i, present ? record.specificEnthalpy : kNaN);
    put(columns.heatCapacity, i, present ? record.heatCapacity : kNaN);
    put(columns.phaseMassFraction, i, present ? record.phaseMassFraction : kNaN);
    put(columns.saturation, i, present ? record.saturation : kNaN);
}

void writePoint(const BatchColumns& out, std::size_t i, const PointResult& r) {
    if (out.state != nullptr) out.state[i] = static_cast<std::int32_t>(r.phases);
    if (out.warnings != nullptr) out.warnings[i] = r.warnings;
    if (out.fluidType != nullptr) out.fluidType[i] = static_cast<std::int32_t>(r.fluidType);
    writePhase(out.liquid, i, r.liquid, r.hasLiquid());
    writePhase(out.vapor, i, r.vapor, r.hasVapor());
    writePhase(out.halite, i, r.halite, r.hasHalite());
    writePhase(out.bulk, i, r.bulk, r.phases != Phases::Undetermined);
}

void writeGradient(const GradientColumns& columns, std::size_t i, const Dual& q) {
    put(columns.first, i, q.d[0]);
    put(columns.second, i, q.d[1]);
    put(columns.third, i, q.d[2]);
}

void writePhaseDerivatives(const PhaseDerivativeColumns& columns, std::size_t i,
                           const PhaseDerivatives& phase) {
    writeGradient(columns.massFraction, i, phase.massFraction);
    writeGradient(columns.density, i, phase.density);
    writeGradient(columns.specificEnthalpy, i, phase.specificEnthalpy);
    writeGradient(columns.phaseMassFraction, i, phase.phaseMassFraction);
    writeGradient(columns.saturation, i, phase.saturation);
}

void writeDerivatives(const DerivativeColumns& out, std::size_t i, const PointDerivatives& d) {
    writeGradient(out.temperature, i, d.temperature);
    writeGradient(out.pressure, i, d.pressure);
    writePhaseDerivatives(out.liquid, i, d.liquid);
    writePhaseDerivatives(out.vapor, i, d.vapor);
    writePhaseDerivatives(out.halite, i, d.halite);
    writePhaseDerivatives(out.bulk, i, d.bulk);
}

// Whether any derivative column is wanted.
bool wanted(const GradientColumns& g) {
    return g.first != nullptr || g.second != nullptr || g.third != nullptr;
}
bool wanted(const DerivativeColumns& d) {
    if (wanted(d.temperature) || wanted(d.pressure)) return true;
    for (const PhaseDerivativeColumns* phase : {&d.liquid, &d.vapor, &d.halite, &d.bulk}) {
        for (const GradientColumns* g :
             {&phase->massFraction, &phase->density, &phase->specificEnthalpy,
              &phase->phaseMassFraction, &phase->saturation}) {
            if (wanted(*g)) return true;
        }
    }
    return false;
}

// What a point that no fluid can have gets instead of a state.
PointResult invalidInputResult() {
    PointResult r;
    r.warnings = kWarningInvalidInput;
    return r;
}

void writeInverse(const BatchColumns& out, const InverseColumns& inverse, std::size_t i,
                  const InverseResult& r) {
    // Unsolved: an undetermined result, NaN in every column and state 0.
    writePoint(out, i, r.status == InverseStatus::Solved ? r.point : PointResult{});
    put(inverse.temperatureC, i, r.temperatureC);
    put(inverse.pressureBar, i, r.pressureBar);
    if (inverse.status != nullptr) inverse.status[i] = static_cast<std::int32_t>(r.status);
    if (inverse.amountsFromBulkProperty != nullptr) {
        inverse.amountsFromBulkProperty[i] =
            r.status == InverseStatus::Solved && r.amountsFromBulkProperty;
    }
}

int workerCount(int requested, std::size_t total) {
    std::size_t n = requested > 0 ? static_cast<std::size_t>(requested)
                                  : std::max(1U, std::thread::hardware_concurrency());
    const std::size_t blocks = (total + kPointsPerClaim - 1) / kPointsPerClaim;
    n = std::min(n, std::max<std::size_t>(blocks, 1));
    return static_cast<int>(n);
}

// Runs `point(evaluator, i)` for i in [0, total) on the requested number of threads, each with
// its own evaluator, in blocks of kPointsPerClaim claimed in turn; reports progress on the
// calling thread and stops at the next block once cancelled.
template <typename Point>
BatchStatus runBatch(std::size_t total, const BatchOptions& options, const Point& point) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::atomic<bool> cancelled{false};
    const auto report = [&](std::size_t done) {
        if (options.progress && !options.progress(done, total)) cancelled.store(true);
    };
    // Claims and evaluates blocks until none is left or the run is cancelled; `afterBlock` runs
    // after each.
    const auto work = [&](PhaseStateEvaluator& evaluator, const auto& afterBlock) {
        while (!cancelled.load(std::memory_order_relaxed)) {
            const std::size_t begin = next.fetch_add(kPointsPerClaim);
            if (begin >= total) break;
            const std::size_t end = std::min(begin + kPointsPerClaim, total);
            for (std::size_t i = begin; i < end; ++i) point(evaluator, i);
            finished.fetch_add(end - begin, std::memory_order_relaxed);
            afterBlock();
        }
    };

    report(0);  // a caller may cancel before any work is done
    if (cancelled.load()) return BatchStatus::Cancelled;

    const int workers = workerCount(options.threads, total);
    if (workers == 1) {
        // The calling thread alone, reporting between blocks.
        PhaseStateEvaluator evaluator;
        auto last = std::chrono::steady_clock::now();
        work(evaluator, [&] {
            const auto now = std::chrono::steady_clock::now();
            const std::size_t done = finished.load();
            if (options.progress && now - last >= kProgressInterval && done < total) {
                last = now;
                report(done);
            }
        });
    } else {
        std::mutex mutex;
        std::condition_variable allDone;
        int running = 0;
        std::exception_ptr failure;
        std::vector<PhaseStateEvaluator> evaluators(static_cast<std::size_t>(workers));
        std::vector<std::thread> threads;
        threads.reserve(evaluators.size());
        for (PhaseStateEvaluator& evaluator : evaluators) {
            try {
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    ++running;
                }
                threads.emplace_back([&, evaluatorPointer = &evaluator] {
                    try {
                        work(*evaluatorPointer, [] {});
                    } catch (...) {
                        const std::lock_guard<std::mutex> lock(mutex);
                        if (!failure) failure = std::current_exception();
                        cancelled.store(true);
                    }
                    const std::lock_guard<std::mutex> lock(mutex);
                    --running;
                    allDone.notify_one();
                });
            } catch (const std::system_error&) {
                // No further thread could be started: those running share the work.
                const std::lock_guard<std::mutex> lock(mutex);
                --running;
                break;
            }
        }
        if (threads.empty()) {
            work(evaluators.front(), [] {});  // not even one: the calling thread does it all
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            while (running > 0) {
                allDone.wait_for(lock, kProgressInterval);
                const std::size_t done = finished.load(std::memory_order_relaxed);
                if (running > 0 && options.progress && done < total) {
                    lock.unlock();
                    report(done);
                    lock.lock();
                }
            }
        }
        for (std::thread& thread : threads) thread.join();
        if (failure) std::rethrow_exception(failure);
    }

    if (finished.load() < total) return BatchStatus::Cancelled;
    if (options.progress) options.progress(total, total);  // all done: nothing to cancel
    return BatchStatus::Completed;
}

// What the columns of `out` read: the evaluation skips the volumes or the enthalpies and heat
// capacities where no column asks for them (the warnings need both).
PhaseStateEvaluator::Needs needsOf(const BatchColumns& out) {
    const PhaseColumns* phases[] = {&out.liquid, &out.vapor, &out.halite, &out.bulk};
    PhaseStateEvaluator::Needs needs{false, false};
    for (const PhaseColumns* c : phases) {
        needs.volumes = needs.volumes || c->density != nullptr || c->molarVolume != nullptr ||
                        c->saturation != nullptr;
        needs.thermal =
            needs.thermal || c->specificEnthalpy != nullptr || c->heatCapacity != nullptr;
    }
    if (out.warnings != nullptr) needs.volumes = needs.thermal = true;
    return needs;
}

void checkLengths(const char* name, std::span<const double> a, std::span<const double> b,
                  std::span<const double> c) {
    if (a.size() != b.size() || a.size() != c.size()) {
        throw std::invalid_argument(std::string(name) + ": the input spans differ in length");
    }
}

// An inverse batch: `solve(evaluator, i)` gives point i's result, written with its derivatives
// when any derivative column is wanted (`given` is the bulk property given).
template <typename Solve>
BatchStatus runInverseBatch(const BatchColumns& out, const InverseColumns& inverse,
                            const BatchOptions& options, InverseKind kind,
                            std::span<const double> given, std::span<const double> composition,
                            const Solve& solve) {
    if (!wanted(out.derivatives)) {
        return runBatch(given.size(), options, [&](PhaseStateEvaluator& e, std::size_t i) {
            writeInverse(out, inverse, i, solve(e, i));
        });
    }
    return runBatch(given.size(), options, [&](PhaseStateEvaluator& e, std::size_t i) {
        const InverseResult r = solve(e, i);
        writeInverse(out, inverse, i, r);
        writeDerivatives(
            out.derivatives, i,
            inverseDerivatives(e, r, kind, given[i], composition[i], r.amountsFromBulkProperty));
    });
}

}  // namespace

bool isPhysicalInput(double temperatureC, double pressureBar, double composition) {
    constexpr double kAbsoluteZeroC = -273.15;
    return std::isfinite(temperatureC) && temperatureC >= kAbsoluteZeroC &&
           std::isfinite(pressureBar) && pressureBar > 0.0 && composition >= 0.0 &&
           composition <= 1.0;
}

BatchStatus evaluateBatch(std::span<const double> temperatureC, std::span<const double> pressureBar,
                          std::span<const double> composition, const BatchColumns& out,
                          const BatchOptions& options) {
    checkLengths("evaluateBatch", temperatureC, pressureBar, composition);
    const PhaseStateEvaluator::Needs needs = needsOf(out);
    static const PointResult invalid = invalidInputResult();
    if (wanted(out.derivatives)) {
        static const PointDerivatives undefined = undefinedPointDerivatives();
        return runBatch(temperatureC.size(), options, [&](PhaseStateEvaluator& e, std::size_t i) {
            const double t = temperatureC[i], p = pressureBar[i], x = composition[i];
            if (isPhysicalInput(t, p, x)) {
                PointDerivatives d;
                writePoint(out, i, e.evaluate(t, p, x, d));
                writeDerivatives(out.derivatives, i, d);
            } else {
                writePoint(out, i, invalid);
                writeDerivatives(out.derivatives, i, undefined);
            }
        });
    }
    return runBatch(temperatureC.size(), options, [&](PhaseStateEvaluator& e, std::size_t i) {
        const double t = temperatureC[i], p = pressureBar[i], x = composition[i];
        if (isPhysicalInput(t, p, x)) {
            writePoint(out, i, e.evaluate(t, p, x, needs));
        } else {
            writePoint(out, i, invalid);
        }
    });
}

BatchStatus evaluateBatchPH(std::span<const double> pressureBar,
                            std::span<const double> specificEnthalpyJKg,
                            std::span<const double> composition, const BatchColumns& out,
                            const InverseColumns& inverse, const BatchOptions& options) {
    checkLengths("evaluateBatchPH", pressureBar, specificEnthalpyJKg, composition);
    return runInverseBatch(out, inverse, options, InverseKind::PressureEnthalpy,
                           specificEnthalpyJKg, composition,
                           [&](PhaseStateEvaluator& e, std::size_t i) {
                               return temperatureForBulkProperty(
                                   e, pressureBar[i], specificEnthalpyJKg[i], composition[i],
                                   BulkProperty::Enthalpy, options.searchRange);
                           });
}

BatchStatus evaluateBatchPRho(std::span<const double> pressureBar,
                              std::span<const double> densityKgM3,
                              std::span<const double> composition, const BatchColumns& out,
                              const InverseColumns& inverse, const BatchOptions& options) {
    checkLengths("evaluateBatchPRho", pressureBar, densityKgM3, composition);
    return runInverseBatch(out, inverse, options, InverseKind::PressureDensity, densityKgM3,
                           composition, [&](PhaseStateEvaluator& e, std::size_t i) {
                               return temperatureForBulkProperty(
                                   e, pressureBar[i], densityKgM3[i], composition[i],
                                   BulkProperty::Density, options.searchRange);
                           });
}

BatchStatus evaluateBatchTRho(std::span<const double> temperatureC,
                              std::span<const double> densityKgM3,
                              std::span<const double> composition, const BatchColumns& out,
                              const InverseColumns& inverse, const BatchOptions& options) {
    checkLengths("evaluateBatchTRho", temperatureC, densityKgM3, composition);
    return runInverseBatch(out, inverse, options, InverseKind::TemperatureDensity, densityKgM3,
                           composition, [&](PhaseStateEvaluator& e, std::size_t i) {
                               return pressureForBulkDensity(e, temperatureC[i], densityKgM3[i],
                                                             composition[i], options.searchRange);
                           });
}

}  // namespace kelvoran
