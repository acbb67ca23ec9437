#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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
    "original publication. Error reports send to kelvoran-maintainers@example.org.\n\n";

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
Session runProgram(const std::string& input) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("kelvoran-console-" + std::to_string(::getpid()) + "-" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    { std::ofstream(dir / "in", std::ios::binary) << input; }
    const std::string command = "timeout 60 " + std::string(KELVORAN_CONSOLE_PATH) + " < '" +
                                (dir / "in").string() + "' > '" + (dir / "out").string() +
                                "' 2> '" + (dir / "err").string() + "'";
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
    for (const char* input : {"0 1 0.01\n", "-5\n1\n0.01\n", "-0 1 0"}) {
        SCOPED_TRACE(input);
        const Session s = runProgram(input);
        EXPECT_EQ(s.status, 0);
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
                         "Composition  = 0.099842 XNaCl\n" + salt + kBoxEdge),
              std::string::npos)
        << s.out;
}

TEST(ConsoleDialogueTest, EndOfInputBetweenPointsIsNormalEnd) {
    const Session s = runProgram("25 1 0.01\n   \n");
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.err, "");
    EXPECT_TRUE(s.out.ends_with("\nPlease enter T in C   : "));
}

}  // namespace
}  // namespace kelvoran
