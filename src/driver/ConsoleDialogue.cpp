#include "driver/ConsoleDialogue.h"

#include <cmath>
#include <istream>
#include <limits>
#include <locale>
#include <ostream>
#include <streambuf>
#include <string>

#include "kelvoran/Calculator.h"
#include "kelvoran/Constants.h"

namespace kelvoran {

namespace {

constexpr const char* kBoxEdge = "*************************************************\n";

enum class ReadOutcome { Value, EndOfInput, NotANumber, OutOfRange };

// Passes the characters of another buffer through one at a time and keeps those taken, so
// that an extraction that fails after reading part of a value ("1e", "-", "1e400") can still
// say what it read. It holds no characters of its own: what it does not take stays in the
// other buffer for the next read.
class RecordingBuffer : public std::streambuf {
  public:
    explicit RecordingBuffer(std::streambuf* source) : source_(source) {}
    const std::string& taken() const { return taken_; }

  protected:
    int_type underflow() override { return source_->sgetc(); }
    int_type uflow() override {
        const int_type c = source_->sbumpc();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            taken_.push_back(traits_type::to_char_type(c));
        }
        return c;
    }

  private:
    std::streambuf* source_;
    std::string taken_;
};

// Reads one number with formatted extraction. On failure `found` holds the text that stood
// where the number was expected (empty when the input simply ended): what the extraction
// took, then the rest of that word.
ReadOutcome readNumber(std::istream& input, double& value, std::string& found) {
    input >> std::ws;
    if (input.peek() == std::char_traits<char>::eof()) {
        return ReadOutcome::EndOfInput;
    }
    RecordingBuffer recorder(input.rdbuf());
    std::istream number(&recorder);
    number.imbue(input.getloc());
    number.flags(input.flags());
    double read = 0.0;
    if (number >> read) {
        value = read;
        return ReadOutcome::Value;
    }
    found = recorder.taken();
    const auto next = input.rdbuf()->sgetc();
    if (!std::char_traits<char>::eq_int_type(next, std::char_traits<char>::eof()) &&
        !std::isspace(std::char_traits<char>::to_char_type(next), input.getloc())) {
        std::string rest;
        input >> rest;
        found += rest;
    }
    if (found.empty()) {
        return ReadOutcome::EndOfInput;
    }
    // A value beyond the range of a double is stored as the largest double of its sign.
    return std::fabs(read) == std::numeric_limits<double>::max() ? ReadOutcome::OutOfRange
                                                                 : ReadOutcome::NotANumber;
}

void reportUnreadable(std::ostream& error, const char* what, ReadOutcome outcome,
                      const std::string& found) {
    error << "kelvoran: cannot read the " << what << ": ";
    if (outcome == ReadOutcome::EndOfInput) {
        error << "the input ended";
    } else if (outcome == ReadOutcome::OutOfRange) {
        error << "found \"" << found << "\", which is out of the range of a double";
    } else {
        error << "found \"" << found << "\", which is not a number";
    }
    error << '\n';
}

constexpr std::int32_t code(Phases phases) { return static_cast<std::int32_t>(phases); }

const char* phaseStateLine(std::int32_t state) {
    switch (state) {
        case code(Phases::Liquid):
        case code(Phases::Vapor):
        case code(Phases::Fluid):
            return "*  Fluid is in the single phase state           *\n";
        case code(Phases::VaporLiquid):
            return "*  Fluid is in the V + L phase state            *\n";
        case code(Phases::LiquidHalite):
            return "*  Fluid is in the L + H phase state            *\n";
        case code(Phases::VaporHalite):
            return "*  Fluid is in the V + H phase state            *\n";
        case code(Phases::VaporLiquidHalite):
            return "*  Fluid is in the V + L + H phase state        *\n";
        default:
            return "*  WARNING: phase state of fluid undetermined   *\n";
    }
}

void printBlock(std::ostream& output, const char* heading, const PhaseRecord& record) {
    const double c = record.composition;
    const double d = record.density;
    // The molar mass first, then 1000/d, then their product.
    const double molarVolume = ((1.0 - c) * kWaterMolarMass + c * kSaltMolarMass) * (1000.0 / d);
    output << "\n" << heading;
    output << "Density      = " << d << " kg/m3\n";
    output << "MolarVolume  = " << molarVolume << " cm3/mol\n";
    output << "HeatCapacity = " << record.heatCapacity << " J/kg/K\n";
    output << "Composition  = " << c << " XNaCl\n";
}

void printBanner(std::ostream& output) {
    output << "************************************************\n"
           << "Welcome to kelvoran, version 0.2 (06/2009)\n"
           << "************************************************\n\n"
           << "Usage : enter T in Celsius, P in bar and X in mole fraction NaCl\n"
           << "Properties returned are the phase state, the molar volume, the\n"
           << "composition and heat capacities of the phases.\n\n"
           << "Notice that the heat capacities are computed from a formula\n"
           << "that is corrected by a factor of 1/(1+x) that was missed in the\n"
           << "original publication. Error reports send to " << kMaintainerAddress << ".\n\n";
}

void printResultBox(std::ostream& output, const PhaseRecord& liquid, const PhaseRecord& vapor,
                    const PhaseRecord& halite, const PhaseRecord& bulk) {
    const std::int32_t state = bulk.phaseState;
    output.precision(5);
    output << kBoxEdge << phaseStateLine(state);
    const Phases phases = static_cast<Phases>(state);
    const bool single = isSinglePhase(phases);
    if (single) {
        printBlock(output, "Single phase fluid:\n", phases == Phases::Vapor ? vapor : liquid);
    }
    if (!single && hasVapor(phases)) {
        printBlock(output, "Vapor:\n", vapor);
    }
    if (!single && hasLiquid(phases)) {
        printBlock(output, "Liquid:\n", liquid);
    }
    if (hasHalite(phases)) {
        printBlock(output, "Salt:\n", halite);
    }
    output << kBoxEdge << "\n";
}

}  // namespace

int runConsoleDialogue(std::istream& input, std::ostream& output, std::ostream& error) {
    double temperatureC = 100.0;
    double pressureBar = 100.0;
    double composition = 0.01;
    Calculator calculator;

    printBanner(output);

    struct Prompt {
        const char* text;
        const char* name;
        double* value;
    };
    const Prompt prompts[] = {
        {"Please enter T in C   : ", "temperature", &temperatureC},
        {"Please enter p in bar : ", "pressure", &pressureBar},
        {"Please enter x : ", "composition", &composition},
    };

    while (temperatureC > 0.0) {
        output << "\n" << std::flush;
        for (const Prompt& prompt : prompts) {
            output << prompt.text << std::flush;
            std::string found;
            const ReadOutcome outcome = readNumber(input, *prompt.value, found);
            if (outcome == ReadOutcome::Value) {
                continue;
            }
            if (outcome == ReadOutcome::EndOfInput && prompt.value == &temperatureC) {
                output << std::flush;
                return 0;
            }
            output << std::flush;
            reportUnreadable(error, prompt.name, outcome, found);
            return 1;
        }
        // One evaluation gives all four records of the pass.
        const PointResult result = calculator.evaluate(temperatureC, pressureBar, composition);
        printResultBox(output, result.liquid, result.vapor, result.halite, result.bulk);
    }
    output << std::flush;
    return 0;
}

}  // namespace kelvoran
