#include "table/GridAxis.h"

#include <cmath>
#include <stdexcept>

#include "text/NumberText.h"

namespace kelvoran {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = text.find(separator, begin);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(begin));
            return parts;
        }
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
}

double readValue(std::string_view text, std::string_view item, const char* role) {
    double value = 0.0;
    const NumberParse outcome = parseNumber(text, value);
    if (outcome == NumberParse::Empty) {
        throw std::invalid_argument("in '" + printable(item) + "': the " + role + " is missing");
    }
    if (outcome != NumberParse::Ok) {
        throw std::invalid_argument("in '" + printable(item) + "': the " + role + " " +
                                    describeParseFailure(outcome, text));
    }
    return value;
}

// Keeps a computed range value between the ends of its range: rounding near the limits of a
// double must not step outside them (or to infinity).
double withinEnds(double value, double start, double stop) {
    const double low = start < stop ? start : stop;
    const double high = start < stop ? stop : start;
    if (!(value >= low)) return low;  // NaN included
    if (value > high) return high;
    return value;
}

std::size_t readCount(std::string_view text, std::string_view item, std::size_t maxValues) {
    text = trimBlanks(text);
    std::size_t count = 0;
    bool digitsOnly = !text.empty() && text.size() <= 9;
    for (const char ch : text) {
        digitsOnly = digitsOnly && ch >= '0' && ch <= '9';
    }
    if (digitsOnly) {
        count = static_cast<std::size_t>(std::stoul(std::string(text)));
    }
    if (!digitsOnly || count < 2 || count > maxValues) {
        throw std::invalid_argument("in '" + printable(item) + "': the count '" + printable(text) +
                                    "' must be a whole number from 2 to " +
                                    std::to_string(maxValues));
    }
    return count;
}

}  // namespace

double GridAxis::linearValue(double start, double stop, std::size_t count, std::size_t i) {
    if (i == 0) {
        return start;
    }
    if (i + 1 == count) {
        return stop;
    }
    // Weighted mean of the end points: exact for whole-number ends and steps. Near the limits
    // of a double the products overflow, and the weights are applied first instead.
    const double steps = static_cast<double>(count - 1);
    const double k = static_cast<double>(i);
    const double value = ((steps - k) * start + k * stop) / steps;
    if (std::isfinite(value)) {
        return withinEnds(value, start, stop);
    }
    return withinEnds((steps - k) / steps * start + k / steps * stop, start, stop);
}

double GridAxis::logValue(double start, double stop, std::size_t count, std::size_t i) {
    if (i == 0) {
        return start;
    }
    if (i + 1 == count) {
        return stop;
    }
    const double first = std::log10(start);
    const double last = std::log10(stop);
    const double steps = static_cast<double>(count - 1);
    const double k = static_cast<double>(i);
    return withinEnds(std::pow(10.0, ((steps - k) * first + k * last) / steps), start, stop);
}

std::vector<double> GridAxis::parse(std::string_view text, std::size_t maxValues) {
    if (trimBlanks(text).empty()) {
        throw std::invalid_argument("no values given");
    }
    std::vector<double> values;
    std::size_t itemNumber = 0;
    for (const std::string_view item : split(text, ',')) {
        ++itemNumber;
        const std::vector<std::string_view> parts = split(item, ':');
        if (trimBlanks(item).empty()) {
            throw std::invalid_argument("in '" + printable(text) + "': item " +
                                        std::to_string(itemNumber) + " is empty");
        }
        if (parts.size() == 1) {
            values.push_back(readValue(parts[0], item, "value"));
        } else if (parts.size() == 3 || parts.size() == 4) {
            const double start = readValue(parts[0], item, "start");
            const double stop = readValue(parts[1], item, "stop");
            const std::size_t count = readCount(parts[2], item, maxValues);
            bool logarithmic = false;
            if (parts.size() == 4) {
                if (trimBlanks(parts[3]) != "log") {
                    throw std::invalid_argument("in '" + printable(item) +
                                                "': the spacing must be 'log' (or left out "
                                                "for even spacing), not '" +
                                                printable(trimBlanks(parts[3])) + "'");
                }
                if (!(start > 0.0 && stop > 0.0)) {
                    throw std::invalid_argument("in '" + printable(item) +
                                                "': a log range needs a start and a stop "
                                                "greater than zero");
                }
                logarithmic = true;
            }
            if (values.size() + count > maxValues) {
                throw std::invalid_argument("more than " + std::to_string(maxValues) +
                                            " values on one axis");
            }
            values.reserve(values.size() + count);
            for (std::size_t i = 0; i < count; ++i) {
                values.push_back(logarithmic ? logValue(start, stop, count, i)
                                             : linearValue(start, stop, count, i));
            }
        } else {
            throw std::invalid_argument("'" + printable(item) +
                                        "' is neither a value nor a range START:STOP:COUNT[:log]");
        }
        if (values.size() > maxValues) {
            throw std::invalid_argument("more than " + std::to_string(maxValues) +
                                        " values on one axis");
        }
    }
    return values;
}

}  // namespace kelvoran
