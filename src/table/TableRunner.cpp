#include "table/TableRunner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace kelvoran {

namespace {

constexpr std::size_t kRowsPerClaim = 16;  // rows a worker takes at a time
constexpr auto kProgressInterval = std::chrono::milliseconds(200);

}  // namespace

TableRunner::TableRunner(int threads, int digits)
    : calculators_(static_cast<std::size_t>(threads < 1 ? 1 : threads)), formatter_(digits) {}

void TableRunner::computeBlock(std::size_t count, const TableJob& job, std::uint64_t doneBefore) {
    std::atomic<std::size_t> nextRow{0};
    std::atomic<std::uint64_t> finished{0};
    std::mutex mutex;
    std::condition_variable allDone;
    std::size_t workersLeft = 0;
    std::exception_ptr failure;

    auto work = [&](Calculator& calculator) {
        try {
            while (true) {
                const std::size_t begin = nextRow.fetch_add(kRowsPerClaim);
                if (begin >= count) {
                    break;
                }
                const std::size_t end =
                    begin + kRowsPerClaim < count ? begin + kRowsPerClaim : count;
                for (std::size_t i = begin; i < end; ++i) {
                    const InputRow& row = rows_[i];
                    std::string& line = lines_[i];
                    line.clear();
                    if (row.ok()) {
                        formatter_.appendRow(line, row,
                                             calculator.evaluate(row.temperatureC, row.pressureBar,
                                                                 row.composition));
                    } else {
                        formatter_.appendErrorRow(line, row);
                    }
                }
                finished.fetch_add(end - begin, std::memory_order_relaxed);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!failure) {
                failure = std::current_exception();
            }
            nextRow.store(count);  // the others stop at their next claim
        }
        const std::lock_guard<std::mutex> lock(mutex);
        --workersLeft;
        allDone.notify_one();
    };

    std::vector<std::thread> workers;
    workers.reserve(calculators_.size());
    for (Calculator& calculator : calculators_) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            ++workersLeft;
        }
        try {
            workers.emplace_back(work, std::ref(calculator));
        } catch (...) {
            // No further thread could be started: the ones running finish the block.
            const std::lock_guard<std::mutex> lock(mutex);
            --workersLeft;
            if (workers.empty()) {
                failure = std::current_exception();
            }
            break;
        }
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (workersLeft > 0) {
            allDone.wait_for(lock, kProgressInterval);
            if (job.progress && workersLeft > 0) {
                lock.unlock();
                job.progress(doneBefore + finished.load(std::memory_order_relaxed));
                lock.lock();
            }
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

TableTotals TableRunner::run(const TableJob& job) {
    const std::size_t blockSize = rowsPerThreadBlock * calculators_.size();
    rows_.resize(blockSize);
    lines_.resize(blockSize);
    TableTotals totals;
    while (true) {
        std::size_t count = 0;
        while (count < blockSize && job.next(rows_[count])) {
            ++count;
        }
        if (count == 0) {
            break;
        }
        computeBlock(count, job, totals.rows);
        for (std::size_t i = 0; i < count; ++i) {
            if (!rows_[i].ok()) {
                ++totals.failedRows;
                if (job.rowFailed) {
                    job.rowFailed(rows_[i]);
                }
            }
            job.write(lines_[i]);
        }
        totals.rows += count;
        if (job.progress) {
            job.progress(totals.rows);
        }
        if (count < blockSize) {
            break;
        }
    }
    return totals;
}

}  // namespace kelvoran
