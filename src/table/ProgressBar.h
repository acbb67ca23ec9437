#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kelvoran {

/// A one-line progress bar with rate and time left, redrawn in place on a terminal. It stays
/// silent for the first second, so short jobs print nothing, and at most redraws a few times a
/// second. It is never as wide as the terminal (so it never wraps), dropping its parts from the
/// end as the terminal narrows. The caller decides whether it is enabled (standard error is a
/// terminal that does not show the table).
class ProgressBar {
  public:
    /// `stream` is the terminal to draw on; `totalPoints` is 0 when the count is not known in
    /// advance.
    ProgressBar(std::FILE* stream, bool enabled, std::uint64_t totalPoints);

    /// Reports `donePoints` finished points. `fraction` (0–1) is the share of the work done
    /// when the point count is unknown but the share is (bytes of a file read), else negative.
    void update(std::uint64_t donePoints, double fraction = -1.0);

    /// Erases the bar, if drawn.
    void finish();

    /// The text of the bar, without the carriage return, shorter than `width` columns (0: any
    /// length).
    static std::string render(std::uint64_t donePoints, std::uint64_t totalPoints, double fraction,
                              double elapsedSeconds, std::size_t width = 0);

  private:
    using Clock = std::chrono::steady_clock;

    std::FILE* stream_;
    bool enabled_;
    bool drawn_ = false;
    std::uint64_t total_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
};

}  // namespace kelvoran
