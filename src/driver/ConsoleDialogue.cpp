#include "driver/ConsoleDialogue.h"

#include <ios>
#include <istream>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>

#include "BuildInfo.h"
#include "io/DescriptorStreams.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Constants.h"
#include "text/NumberText.h"

namespace kelvoran {

namespace {

constexpr const char* kBoxEdge = "*************************************************\n";
// Characters of an unreadable word shown in the message.
constexpr std::size_t kShownCharacters = 40;

using Traits = std::char_traits<char>;

// White space as formatted extraction in the classic locale sees it.
bool isSpace(Traits::int_type c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

struct Word {
    std::string text;        // at most kLongestConsoleValue + 1 characters of it
    std::size_t length = 0;  // its whole length
};

// Reads the next word; false when the input ends first. Keeps no more than the longest value
// of it, so a huge word costs no memory.
bool readWord(std::streambuf& input, Word& word) {
    Traits::int_type c = input.sgetc();
    while (!Traits::eq_int_type(c, Traits::eof()) && isSpace(c)) {
        c = input.snextc();
    }
    if (Traits::eq_int_type(c, Traits::eof())) {
        return false;
    }
    word.text.clear();
    word.length = 0;
    while (!Traits::eq_int_type(c, Traits::eof()) && !isSpace(c)) {
        if (word.text.size() <= kLongestConsoleValue) {
            word.text.push_back(Traits::to_char_type(c));
        }
        ++word.length;
        c = input.snextc();
    }
    return true;
}

// Drops what is left of the current line (after a value a person mistyped).
void skipLine(std::streambuf& input) {
    Traits::int_type c = input.sgetc();
    while (!Traits::eq_int_type(c, Traits::eof())) {
        input.sbumpc();
        if (c == '\n') return;
        c = input.sgetc();
    }
}

// Why `word` is not a value, or empty when it is one (then `value` holds it).
std::string readValue(const Word& word, double& value) {
    std::string shown = "found \"" + printable(word.text, kShownCharacters) + "\"";
    if (word.length > kLongestConsoleValue) {
        return shown + " (" + std::to_string(word.length) +
               " characters), which is too long to be a number";
    }
    double read = 0.0;
    switch (parseNumber(word.text, read)) {
        case NumberParse::Ok:
            value = read;
            return {};
        case NumberParse::OutOfRange:
            return shown + ", which is out of the range of a double";
        case NumberParse::NotFinite:
            return shown + ", which is not a finite number";
        case NumberParse::Empty:
        case NumberParse::NotANumber:
            break;
    }
    return shown + ", which is not a number";
}

// Words that follow the point that ended the session are not read: one line names the first
// of them. Only what is at hand is looked at (the input is never waited for).
void reportWordsAfterTheEnd(std::streambuf& input, std::ostream& error) {
    while (input.in_avail() > 0 && isSpace(input.sgetc())) {
        input.sbumpc();
    }
    if (input.in_avail() <= 0) return;
    std::string word;
    while (input.in_avail() > 0 && !isSpace(input.sgetc()) && word.size() <= kShownCharacters) {
        word += Traits::to_char_type(input.sbumpc());
    }
    error << "kelvoran: the input goes on after the point that ended the session (T <= 0): \""
          << printable(word, kShownCharacters) << "\" and what follows were not read\n";
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
           << "original publication. Error reports send to " << kMaintainerContact << ".\n\n";
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

// Writes everything so far; a failed write ends the dialogue (the stream throws).
void flush(std::ostream& output) {
    output.flush();
    if (!output) {
        throw ConsoleStreamError("cannot write the output");
    }
}

// Restores the exception mask of a stream the dialogue borrowed.
class ExceptionMask {
  public:
    ExceptionMask(std::ios& stream, std::ios::iostate mask)
        : stream_(stream), saved_(stream.exceptions()) {
        stream_.exceptions(mask);
    }
    ~ExceptionMask() {
        try {
            stream_.exceptions(saved_);
        } catch (const std::ios_base::failure&) {
            // The stream failed and its owner asked for an exception: the status says it.
        }
    }

  private:
    std::ios& stream_;
    std::ios::iostate saved_;
};

int dialogue(std::streambuf& input, std::ostream& output, std::ostream& error,
             const ConsoleSettings& settings) {
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

    Word word;
    while (temperatureC > 0.0) {
        output << "\n";
        flush(output);
        for (const Prompt& prompt : prompts) {
            while (true) {
                output << prompt.text;
                flush(output);
                if (!readWord(input, word)) {
                    if (settings.interactive) {
                        output << "\n";  // the prompt line ends before the program does
                        flush(output);
                    }
                    if (prompt.value == &temperatureC) {
                        return 0;
                    }
                    error << "kelvoran: cannot read the " << prompt.name << ": the input ended\n";
                    return 1;
                }
                const std::string fault = readValue(word, *prompt.value);
                if (fault.empty()) {
                    break;
                }
                error << "kelvoran: cannot read the " << prompt.name << ": " << fault << '\n';
                if (!settings.interactive) {
                    return 1;
                }
                // A typo at a terminal: the rest of that line is dropped, the value asked again.
                skipLine(input);
            }
        }
        // One evaluation classifies the point and fills all four records.
        // One evaluation gives all four records of the pass.
        const PointResult result = calculator.evaluate(temperatureC, pressureBar, composition);
        printResultBox(output, result.liquid, result.vapor, result.halite, result.bulk);
    }
    flush(output);
    reportWordsAfterTheEnd(input, error);
    return 0;
}

}  // namespace

int runConsoleDialogue(std::istream& input, std::ostream& output, std::ostream& error,
                       const ConsoleSettings& settings) {
    std::streambuf* source = input.rdbuf();
    if (source == nullptr) {
        error << "kelvoran: cannot read the input\n";
        return 1;
    }
    try {
        // A write that fails throws out of the stream (the descriptor buffer's own error, with
        // its reason, or std::ios_base::failure).
        const ExceptionMask mask(output, std::ios::badbit);
        return dialogue(*source, output, error, settings);
    } catch (const ConsoleStreamError& e) {
        error << "kelvoran: " << e.what() << '\n';
    } catch (const std::ios_base::failure&) {
        error << "kelvoran: cannot write the output\n";
    } catch (const std::bad_alloc&) {
        error << "kelvoran: out of memory\n";
    }
    return 1;
}

}  // namespace kelvoran
