#include "kelvoran/Batch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "kelvoran/Calculator.h"

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
    writePhase(out.bulk, i, r.bulk, true);
}

// Shared state of one batch run.
struct Run {
    std::span<const double> t, p, x;
    const BatchColumns& out;
    std::size_t total;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> finished{0};
    std::atomic<bool> cancelled{false};

    // Evaluates claimed blocks until none is left or the run is cancelled.
    void work(Calculator& calculator) {
        while (!cancelled.load(std::memory_order_relaxed)) {
            const std::size_t begin = next.fetch_add(kPointsPerClaim);
            if (begin >= total) break;
            const std::size_t end = std::min(begin + kPointsPerClaim, total);
            for (std::size_t i = begin; i < end; ++i) {
                writePoint(out, i, calculator.evaluate(t[i], p[i], x[i]));
            }
            finished.fetch_add(end - begin, std::memory_order_relaxed);
        }
    }
};

int workerCount(int requested, std::size_t total) {
    std::size_t n = requested > 0 ? static_cast<std::size_t>(requested)
                                  : std::max(1U, std::thread::hardware_concurrency());
    const std::size_t blocks = (total + kPointsPerClaim - 1) / kPointsPerClaim;
    n = std::min(n, std::max<std::size_t>(blocks, 1));
    return static_cast<int>(n);
}

}  // namespace

BatchStatus evaluateBatch(std::span<const double> temperatureC, std::span<const double> pressureBar,
                          std::span<const double> composition, const BatchColumns& out,
                          const BatchOptions& options) {
    if (temperatureC.size() != pressureBar.size() || temperatureC.size() != composition.size()) {
        throw std::invalid_argument(
            "evaluateBatch: the temperature, pressure and composition "
            "spans differ in length");
    }
    Run run{temperatureC, pressureBar, composition, out, temperatureC.size()};
    const auto report = [&](std::size_t done) {
        if (options.progress && !options.progress(done, run.total)) {
            run.cancelled.store(true);
        }
    };

    report(0);  // a caller may cancel before any work is done
    if (run.cancelled.load()) return BatchStatus::Cancelled;

    const int workers = workerCount(options.threads, run.total);
    if (workers == 1) {
        // The calling thread alone, reporting between blocks.
        Calculator calculator;
        auto last = std::chrono::steady_clock::now();
        while (!run.cancelled.load() && run.next.load() < run.total) {
            const std::size_t before = run.next.load();
            run.next.store(std::min(before + kPointsPerClaim, run.total));
            for (std::size_t i = before; i < run.next.load(); ++i) {
                writePoint(out, i,
                           calculator.evaluate(temperatureC[i], pressureBar[i], composition[i]));
            }
            run.finished.store(run.next.load());
            const auto now = std::chrono::steady_clock::now();
            if (options.progress && now - last >= kProgressInterval) {
                last = now;
                report(run.finished.load());
            }
        }
    } else {
        std::mutex mutex;
        std::condition_variable allDone;
        int running = 0;
        std::exception_ptr failure;
        std::vector<Calculator> calculators(static_cast<std::size_t>(workers));
        std::vector<std::thread> threads;
        threads.reserve(calculators.size());
        for (Calculator& calculator : calculators) {
            try {
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    ++running;
                }
                threads.emplace_back([&run, &calculator, &mutex, &allDone, &running, &failure] {
                    try {
                        run.work(calculator);
                    } catch (...) {
                        const std::lock_guard<std::mutex> lock(mutex);
                        if (!failure) failure = std::current_exception();
                        run.cancelled.store(true);
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
            run.work(calculators.front());  // not even one: the calling thread does it all
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            while (running > 0) {
                allDone.wait_for(lock, kProgressInterval);
                const std::size_t done = run.finished.load(std::memory_order_relaxed);
                if (running > 0 && options.progress && done < run.total) {
                    lock.unlock();
                    report(done);
                    lock.lock();
                }
            }
        }
        for (std::thread& thread : threads) thread.join();
        if (failure) std::rethrow_exception(failure);
    }

    if (run.finished.load() < run.total) return BatchStatus::Cancelled;
    if (options.progress) options.progress(run.total, run.total);  // all done: nothing to cancel
    return BatchStatus::Completed;
}

}  // namespace kelvoran
