#include "table/ProgressBar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cmath>
#include <vector>

namespace kelvoran {

namespace {

constexpr double kQuietSeconds = 1.0;    // nothing is drawn before this
constexpr double kRedrawSeconds = 0.25;  // at most one redraw per this
constexpr int kBarWidth = 24;

std::string duration(double seconds) {
    if (!(seconds >= 0.0) || seconds > 1e7) {
        return "--:--";
    }
    const auto total = static_cast<long long>(std::llround(seconds));
    const long long h = total / 3600;
    const long long m = total / 60 % 60;
    const long long s = total % 60;
    char text[48];
    if (h > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
    }
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, std::uint64_t totalPoints)
    : stream_(stream),
      enabled_(enabled),
      total_(totalPoints),
      start_(Clock::now()),
      lastDraw_(start_) {}

std::string ProgressBar::render(std::uint64_t donePoints, std::uint64_t totalPoints,
                                double fraction, double elapsedSeconds, std::size_t width) {
    if (totalPoints > 0) {
        fraction = static_cast<double>(donePoints) / static_cast<double>(totalPoints);
    }
    const double rate =
        elapsedSeconds > 0.0 ? static_cast<double>(donePoints) / elapsedSeconds : 0.0;
    // The parts in the order they are dropped from the end on a narrow terminal.
    std::vector<std::string> parts;
    char part[160];
    if (fraction >= 0.0) {
        fraction = fraction > 1.0 ? 1.0 : fraction;
        const int filled = static_cast<int>(fraction * kBarWidth);
        std::string bar = "[";
        bar.append(static_cast<std::size_t>(filled), '#');
        bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
        std::snprintf(part, sizeof part, "] %3d%% ", static_cast<int>(fraction * 100.0));
        parts.push_back(bar + part);
    }
    if (totalPoints > 0) {
        std::snprintf(part, sizeof part, "%llu/%llu points",
                      static_cast<unsigned long long>(donePoints),
                      static_cast<unsigned long long>(totalPoints));
    } else {
        std::snprintf(part, sizeof part, "%llu points",
                      static_cast<unsigned long long>(donePoints));
    }
    parts.emplace_back(part);
    std::snprintf(part, sizeof part, ", %.0f points/s", rate);
    parts.emplace_back(part);
    if (fraction > 0.0) {
        parts.push_back(", " + duration(elapsedSeconds * (1.0 - fraction) / fraction) + " left");
    }
    std::string text;
    for (const std::string& piece : parts) text += piece;
    if (width == 0) return text;
    // Below the width: a line as wide as the terminal would wrap on some terminals. The bar
    // goes first (the counts say more), then the parts from the end.
    if (text.size() >= width && fraction >= 0.0) {
        text.erase(0, parts.front().size());
        parts.erase(parts.begin());
    }
    while (text.size() >= width && parts.size() > 1) {
        text.erase(text.size() - parts.back().size());
        parts.pop_back();
    }
    if (text.size() >= width) text.resize(width - 1);
    return text;
}

void ProgressBar::update(std::uint64_t donePoints, double fraction) {
    if (!enabled_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (elapsed < kQuietSeconds ||
        std::chrono::duration<double>(now - lastDraw_).count() < kRedrawSeconds) {
        return;
    }
    lastDraw_ = now;
    // Carriage return, the bar, then erase whatever a longer earlier bar left on the line.
    winsize size{};
    std::size_t width = 80;  // where the terminal does not say
    if (::ioctl(::fileno(stream_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        width = size.ws_col;
    }
    std::fprintf(stream_, "\r%s\x1b[K",
                 render(donePoints, total_, fraction, elapsed, width).c_str());
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressBar::finish() {
    if (drawn_) {
        std::fputs("\r\x1b[K", stream_);
        std::fflush(stream_);
        drawn_ = false;
    }
}

}  // namespace kelvoran
