#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "BuildInfo.h"
#include "driver/ConsoleCommand.h"
#include "driver/ConsoleDialogue.h"

namespace kelvoran {
namespace {

const std::string kBanner =
    "************************************************\n"
    "Welcome to kelvoran, version 0.2 (06/2009)\n"
    "************************************************\n\n"
    "Usage : enter T in Celsius, P in bar and X in mole fraction NaCl\n"
    "Properties returned are the phase state, the molar volume, the\n"
    "composition and heat capacities of the phases.\n\n"
    "Notice that the heat capacities are computed from a formula\n"
    "that is corrected by a factor of 1/(1+x) that was missed in the\n"
    "original publication. Error reports send to " +
    std::string(kMaintainerContact) + ".\n\n";

const std::string kPrompts = "\nPlease enter T in C   : Please enter p in bar : Please enter x : ";
const std::string kBoxEdge = "*************************************************\n";

struct Session {
    int status;
    std::string out;
    std::string err;
};

Session runInProcess(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = runConsoleDialogue(in, out, err);
    return {status, out.str(), err.str()};
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs the real console program with `input` on a pipe, with a time limit so that a program
// that loops on a broken stream fails the test instead of hanging it.
Session runProgram(const std::string& input, const std::string& redirections = "") {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kelvoran-console-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "in", std::ios::binary) << input; }
    const std::string command = "timeout 60 " + std::string(KELVORAN_CONSOLE_PATH) + " < '" +
                                (dir / "in").string() + "' > '" + (dir / "out").string() +
                                "' 2> '" + (dir / "err").string() + "' " + redirections;
    const int raw = std::system(command.c_str());
    Session session{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir / "out"),
                    readFile(dir / "err")};
    std::filesystem::remove_all(dir);
    return session;
}

TEST(ConsoleDialogueTest, BannerThenFirstPromptByteForByte) {
    const Session s = runProgram("");
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out, kBanner + "\nPlease enter T in C   : ");
    EXPECT_EQ(s.err, "");
}

TEST(ConsoleDialogueTest, ZeroOrNegativeTemperatureIsPrintedThenEnds) {
    for (const char* input : {"0 1 0.01\n", "-5\n1\n0.01\n", "-0 1 0", "0 1 0 25 1\n0.1\n"}) {
        SCOPED_TRACE(input);
        const Session s = runProgram(input);
        EXPECT_EQ(s.status, 0);
        // Words after the point that ends the session are named, not read.
        EXPECT_EQ(s.err, std::string(input).size() > 10
                             ? "kelvoran: the input goes on after the point that ended the "
                               "session (T <= 0): \"25\" and what follows were not read\n"
                             : "");
        ASSERT_EQ(s.out.rfind(kBanner + kPrompts + kBoxEdge, 0), 0u);
        // The box is closed, followed by one empty line, and no further prompt.
        EXPECT_TRUE(s.out.ends_with(kBoxEdge + "\n"));
        EXPECT_EQ(s.out.find("Please enter T", kBanner.size() + 2), std::string::npos);
    }
}

TEST(ConsoleDialogueTest, TwoEmptyLinesSeparateABoxFromTheNextPrompt) {
    const Session s = runInProcess("25 1 0.01\n");
    const std::string tail = kBoxEdge + "\n\nPlease enter T in C   : ";
    EXPECT_TRUE(s.out.ends_with(tail)) << s.out;
    EXPECT_EQ(s.status, 0);
}

TEST(ConsoleDialogueTest, ValuesMayStandOnSeveralLines) {
    const Session one = runInProcess("25 1 0.01\n-1 1 0.01\n");
    const Session many = runInProcess("25\n\n1\n   0.01\n-1\n1\n0.01");
    EXPECT_EQ(one.out, many.out);
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(many.status, 0);
}

struct BrokenInput {
    const char* input;
    const char* message;
};

TEST(ConsoleDialogueTest, BrokenInputEndsWithOneLineOnStandardError) {
    const BrokenInput cases[] = {
        {"25 1", "kelvoran: cannot read the composition: the input ended\n"},
        {"25", "kelvoran: cannot read the pressure: the input ended\n"},
        {"25 1 0.01\n30 abc 0.1\n",
         "kelvoran: cannot read the pressure: found \"abc\", which is not a number\n"},
        {"hot 1 0.01\n",
         "kelvoran: cannot read the temperature: found \"hot\", which is not a number\n"},
        {"25 1 x=0.1\n",
         "kelvoran: cannot read the composition: found \"x=0.1\", which is not a number\n"},
        // Text that the extraction takes before it fails is named, not the word after it, and
        // it is an error even when the input ends right after it.
        {"-\n", "kelvoran: cannot read the temperature: found \"-\", which is not a number\n"},
        {"1e 5 1\n",
         "kelvoran: cannot read the temperature: found \"1e\", which is not a number\n"},
        {"25 1 1ex 5\n",
         "kelvoran: cannot read the composition: found \"1ex\", which is not a number\n"},
        {"1e400 1 0.1\n",
         "kelvoran: cannot read the temperature: found \"1e400\", which is out of the range of a "
         "double\n"},
        {"25 -1e999",
         "kelvoran: cannot read the pressure: found \"-1e999\", which is out of the range of a "
         "double\n"},
    };
    for (const BrokenInput& c : cases) {
        SCOPED_TRACE(c.input);
        const Session s = runProgram(c.input);
        EXPECT_EQ(s.status, 1);
        EXPECT_EQ(s.err, c.message);
    }
}

// A scripted session over the reference points, every state and some extremes, compared byte
// for byte with the transcript kept beside this test. The three-phase point is entered with
// the 17 digits of the curve's own pressure at 500 °C, so that it lies on the curve bit for bit.
TEST(ConsoleDialogueTest, ReferenceSessionMatchesTheTranscript) {
    const std::filesystem::path golden =
        std::filesystem::path(KELVORAN_TEST_DATA_DIR) / "driver" / "golden";
    const Session s = runProgram(readFile(golden / "reference-session.in"));
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.err, "");
    EXPECT_EQ(s.out, readFile(golden / "reference-session.out"));
}

TEST(ConsoleDialogueTest, NumbersUseFiveSignificantDigits) {
    const Session s = runInProcess("25 1 0.2\n-1 1 0.2\n");
    // The L + H box: liquid and halite blocks, halite composition printed as a bare 1.
    const std::string salt =
        "\nSalt:\n"
        "Density      = 2164.2 kg/m3\n"
        "MolarVolume  = 27.004 cm3/mol\n"
        "HeatCapacity = 880.01 J/kg/K\n"
        "Composition  = 1 XNaCl\n";
    EXPECT_NE(s.out.find("*  Fluid is in the L + H phase state            *\n\nLiquid:\n"
                         "Density      = 1198.2 kg/m3\n"
                         "MolarVolume  = 18.404 cm3/mol\n"
                         "HeatCapacity = 3026.9 J/kg/K\n"
                         "Composition  = 0.099842 XNaCl\n" +
                         salt + kBoxEdge),
              std::string::npos)
        << s.out;
}

TEST(ConsoleDialogueTest, EndOfInputBetweenPointsIsNormalEnd) {
    const Session s = runProgram("25 1 0.01\n   \n");
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.err, "");
    EXPECT_TRUE(s.out.ends_with("\nPlease enter T in C   : "));
}

// A value is one word, read as a whole before anything is evaluated: a word that is a number
// only in part is an error about that value, and no box is printed for the point.
TEST(ConsoleDialogueTest, ValuesAreWholeWordsReadBeforeAnyEvaluation) {
    const BrokenInput cases[] = {
        {"25 1 0,05\n",
         "kelvoran: cannot read the composition: found \"0,05\", which is not a number\n"},
        {"400 250 0.05abc\n",
         "kelvoran: cannot read the composition: found \"0.05abc\", which is not a number\n"},
        {"0x1p3 1 0\n",
         "kelvoran: cannot read the temperature: found \"0x1p3\", which is not a number\n"},
        {"25 nan 0\n",
         "kelvoran: cannot read the pressure: found \"nan\", which is not a finite number\n"},
        {"25\t1e\n0.1\n",
         "kelvoran: cannot read the pressure: found \"1e\", which is not a number\n"},
    };
    for (const BrokenInput& c : cases) {
        SCOPED_TRACE(c.input);
        const Session s = runInProcess(c.input);
        EXPECT_EQ(s.status, 1);
        EXPECT_EQ(s.err, c.message);
        EXPECT_EQ(s.out.find("Fluid is"), std::string::npos);
    }
    // A value too small for a double is zero (or the nearest subnormal), as kelvoran-table reads
    // it; too large is an error.
    EXPECT_EQ(runInProcess("25 1 1e-400\n-1 1 -1e-999\n").out,
              runInProcess("25 1 0\n-1 1 -0\n").out);
    EXPECT_EQ(runInProcess("25 1 4.9e-324\n0 1 0\n").out,
              runInProcess("25 1 4.9406564584124654e-324\n0 1 0\n").out);
}

// Output that cannot be written and input that cannot be read are failures, each with one line.
TEST(ConsoleDialogueTest, StreamFailuresEndWithStatusOneAndOneLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"> /dev/full", "kelvoran: cannot write the output: No space left on device\n"},
        {">&-", "kelvoran: cannot write the output: Bad file descriptor\n"},
        {"< /", "kelvoran: cannot read the input: Is a directory\n"},
    };
    for (const auto& [redirection, message] : cases) {
        SCOPED_TRACE(redirection);
        const Session s = runProgram("25 1 0.01\n0 1 0\n", redirection);
        EXPECT_EQ(s.status, 1);
        EXPECT_EQ(s.err, message);
    }
}

// A huge word is neither kept nor echoed in full; under a memory limit it is the same error,
// not an abort.
TEST(ConsoleDialogueTest, HugeWordsAreBoundedInMemoryAndInTheMessage) {
    const Session s = runInProcess("25 " + std::string(1 << 20, '7') + " 0.1\n");
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.err, "kelvoran: cannot read the pressure: found \"" + std::string(40, '7') +
                         "...\" (1048576 characters), which is too long to be a number\n");
#ifndef KELVORAN_SANITIZED_BUILD  // the sanitizers reserve more address space than the limit
    const std::string command =
        "{ printf '25 '; head -c 200000000 /dev/zero | tr '\\0' 7; printf ' 1 0\\n'; } | "
        "(ulimit -v 60000; timeout 60 " +
        std::string(KELVORAN_CONSOLE_PATH) + " >/dev/null 2>&1); test $? -eq 1";
    EXPECT_EQ(std::system(command.c_str()), 0);
#endif
}

// A console session on a pseudo-terminal: the child's output, read as it comes.
class Terminal {
  public:
    Terminal() {
        pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
        if (pid_ == 0) {
            ::execl(KELVORAN_CONSOLE_PATH, "kelvoran", static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Terminal() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
    }
    bool started() const { return pid_ > 0; }
    void type(const std::string& text) {
        ASSERT_EQ(::write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    // Reads until `text` has appeared `count` times (false after 30 s or when the child ends).
    bool waitFor(const std::string& text, std::size_t count = 1) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (occurrences(text) < count) {
            pollfd entry{master_, POLLIN, 0};
            if (std::chrono::steady_clock::now() > deadline || ::poll(&entry, 1, 1000) < 0) {
                return false;
            }
            if (entry.revents == 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) return occurrences(text) >= count;  // EIO: the child closed the terminal
            seen_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }
    // The exit status, or -1 when the child does not end within 30 s.
    int status() {
        for (int i = 0; i < 3000; ++i) {
            int raw = 0;
            if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
                ended_ = true;
                waitFor("\x01never\x01");  // what it wrote before it ended, to the end
                return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            }
            waitFor("\x01never\x01");  // drain what is left, briefly
            ::usleep(10'000);
        }
        return -1;
    }
    const std::string& seen() const { return seen_; }

  private:
    std::size_t occurrences(const std::string& text) const {
        std::size_t n = 0;
        for (std::size_t at = seen_.find(text); at != std::string::npos;
             at = seen_.find(text, at + 1))
            ++n;
        return n;
    }
    int master_ = -1;
    pid_t pid_ = -1;
    bool ended_ = false;
    std::string seen_;
};

// On a terminal a typo is reported and the value asked for again (the rest of the mistyped line
// is dropped); at the end of the input the prompt line is ended before the program ends.
TEST(ConsoleDialogueTest, TerminalAsksAgainAfterATypoAndEndsThePromptLine) {
    Terminal terminal;
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.waitFor("Please enter T in C   : "));
    terminal.type("25 abc 7\n");
    ASSERT_TRUE(terminal.waitFor("Please enter p in bar : ", 2)) << terminal.seen();
    EXPECT_NE(terminal.seen().find(
                  "kelvoran: cannot read the pressure: found \"abc\", which is not a number\r\n"),
              std::string::npos)
        << terminal.seen();
    terminal.type("1\n");
    ASSERT_TRUE(terminal.waitFor("Please enter x : ")) << terminal.seen();
    terminal.type("0.01\n");
    ASSERT_TRUE(terminal.waitFor("Please enter T in C   : ", 2)) << terminal.seen();
    EXPECT_NE(terminal.seen().find("Single phase fluid:\r\nDensity      = 1019.6 kg/m3"),
              std::string::npos)
        << terminal.seen();
    terminal.type("\x04");  // end of input
    EXPECT_EQ(terminal.status(), 0) << terminal.seen();
    EXPECT_TRUE(terminal.seen().ends_with("Please enter T in C   : \r\n")) << terminal.seen();
}

// A Ctrl-D after a partial line hands over the word typed; a second one ends the input, and the
// program with it (no third is waited for).
TEST(ConsoleDialogueTest, TerminalEndsAtTheSecondCtrlDAfterAPartialLine) {
    Terminal terminal;
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.waitFor("Please enter T in C   : "));
    terminal.type("40\x04");
    ASSERT_TRUE(terminal.waitFor("40")) << terminal.seen();
    terminal.type("\x04");
    EXPECT_EQ(terminal.status(), 1) << terminal.seen();
    EXPECT_NE(terminal.seen().find("kelvoran: cannot read the pressure: the input ended"),
              std::string::npos)
        << terminal.seen();
}

// --help and --version answer and end; anything else is a usage error; with no argument the
// banner comes (BannerThenFirstPromptByteForByte).
TEST(ConsoleDialogueTest, HelpVersionAndUsageErrors) {
    const auto run = [](const std::string& arguments) {
        const std::string command = "timeout 60 " + std::string(KELVORAN_CONSOLE_PATH) + " " +
                                    arguments + " </dev/null >console.out 2>console.err";
        const int raw = std::system(command.c_str());
        Session s{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile("console.out"),
                  readFile("console.err")};
        std::filesystem::remove("console.out");
        std::filesystem::remove("console.err");
        return s;
    };
    const Session help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: kelvoran [--help | --version]\n", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos);
    EXPECT_EQ(run("-h").out, help.out);
    const Session version = run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("kelvoran " KELVORAN_PROJECT_VERSION "\nError reports: ") +
                               kMaintainerContact + "\n");
    // The message names the word that is not allowed where it stands.
    const std::pair<const char*, const char*> bad[] = {{"-x", "'-x'"},
                                                       {"input.txt", "'input.txt'"},
                                                       {"--help --version", "'--version'"},
                                                       {"--help x", "'x' after --help"},
                                                       {"--", "'--'"}};
    for (const auto& [arguments, named] : bad) {
        const Session s = run(arguments);
        EXPECT_EQ(s.status, 2) << arguments;
        EXPECT_EQ(s.out, "") << arguments;
        EXPECT_NE(s.err.find(std::string("kelvoran: unexpected argument ") + named),
                  std::string::npos)
            << s.err;
        EXPECT_NE(s.err.find("Run kelvoran --help"), std::string::npos) << arguments;
    }
    const std::string full = std::string(KELVORAN_CONSOLE_PATH) + " --help > /dev/full 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1);
}

// The man pages name every option that --help lists, and carry this build's version.
TEST(ConsoleDialogueTest, ManPagesNameEveryOptionOfTheirHelp) {
    const std::pair<std::string, std::string> programs[] = {
        {KELVORAN_CONSOLE_PATH, "kelvoran.1"}, {KELVORAN_TABLE_PATH, "kelvoran-table.1"}};
    for (const auto& [program, page] : programs) {
        const std::string command = "'" + program + "' --help > help.txt";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string help = readFile("help.txt");
        std::filesystem::remove("help.txt");
        std::string man = readFile(std::filesystem::path(KELVORAN_MAN_DIR) / page);
        ASSERT_FALSE(man.empty()) << page;
        EXPECT_NE(man.find("kelvoran " KELVORAN_PROJECT_VERSION), std::string::npos) << page;
        EXPECT_NE(man.find(kMaintainerContact), std::string::npos) << page;
        for (std::size_t at = man.find("\\-"); at != std::string::npos; at = man.find("\\-", at)) {
            man.erase(at, 1);  // roff's \- is a minus sign
        }
        std::set<std::string> options;  // every --name in the help
        const auto isNameChar = [](char ch) { return (ch >= 'a' && ch <= 'z') || ch == '-'; };
        for (std::size_t at = help.find("--"); at != std::string::npos;
             at = help.find("--", at + 2)) {
            std::size_t end = at + 2;
            if (end >= help.size() || help[end] < 'a' || help[end] > 'z') continue;
            while (end < help.size() && isNameChar(help[end])) ++end;
            options.insert(help.substr(at, end - at));
        }
        EXPECT_GE(options.size(), 2u);
        for (const std::string& name : options) {
            EXPECT_NE(man.find(name), std::string::npos) << page << " lacks " << name;
        }
    }
}

}  // namespace
}  // namespace kelvoran
