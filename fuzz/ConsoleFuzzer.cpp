// Feeds arbitrary bytes to the console dialogue as its standard input. The dialogue must end
// on every input, without a memory error or undefined behaviour, either with status 0 and
// nothing on the error stream (or the one line that names words after the point that ended the
// session) or with status 1 and exactly one line there. The output
// goes to a stream that formats everything and then discards it, so that the printing of every
// value (NaN and infinities included) is exercised too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "driver/ConsoleDialogue.h"

namespace {

class DiscardingBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    DiscardingBuffer discard;
    std::ostream output(&discard);
    std::ostringstream error;
    const int status = kelvoran::runConsoleDialogue(input, output, error);
    const std::string message = error.str();
    const bool oneLine = !message.empty() && message.find('\n') == message.size() - 1;
    const bool wordsAfterTheEnd =
        oneLine && message.rfind("kelvoran: the input goes on after the point", 0) == 0;
    if (!(status == 0 && (message.empty() || wordsAfterTheEnd)) && !(status == 1 && oneLine)) {
        std::fprintf(stderr, "console ended with status %d and error text \"%s\"\n", status,
                     message.c_str());
        std::abort();
    }
    return 0;
}
