// End-to-end tests of the kelvoran-table program, run as a user would run it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inverse.h"
#include "support/ScratchFolder.h"
#include "table/ProgressBar.h"
#include "table/TableFormatter.h"
#include "text/NumberText.h"
#include "text/NumberWriter.h"

namespace kelvoran {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class TableCommandTest : public ScratchFolderTest {
  protected:
    TableCommandTest() : ScratchFolderTest("kelvoran-table-") {}

    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    // Runs the program with `arguments` (shell syntax) in the scratch folder, standard input
    // from `input`.
    Outcome run(const std::string& arguments, const std::string& input = "") const {
        write(".stdin", input);
        const std::string command = "cd '" + dir_.string() + "' && timeout 60 '" +
                                    KELVORAN_TABLE_PATH + "' " + arguments +
                                    " <.stdin >.stdout 2>.stderr";
        const int raw = std::system(command.c_str());
        Outcome result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(dir_ / ".stdout"),
                       read(dir_ / ".stderr")};
        fs::remove(dir_ / ".stdin");
        fs::remove(dir_ / ".stdout");
        fs::remove(dir_ / ".stderr");
        return result;
    }

    // Runs a shell script in the scratch folder with $K naming the program; its standard output
    // and error are returned.
    Outcome shell(const std::string& script) const {
        write(".script", "K='" + std::string(KELVORAN_TABLE_PATH) + "'\n" + script);
        const std::string command =
            "cd '" + dir_.string() + "' && timeout 120 sh .script </dev/null >.stdout 2>.stderr";
        const int raw = std::system(command.c_str());
        Outcome result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read(dir_ / ".stdout"),
                       read(dir_ / ".stderr")};
        for (const char* name : {".script", ".stdout", ".stderr"}) fs::remove(dir_ / name);
        return result;
    }

    // Names in the scratch folder, sorted: shows left-over temporary files.
    std::string listing() const {
        std::string names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names += entry.path().filename().string() + " ";
        }
        return names;
    }

    static std::size_t lines(const std::string& text) {
        std::size_t n = 0;
        for (const char ch : text) n += ch == '\n';
        return n;
    }
};

TEST_F(TableCommandTest, GridToFile) {
    const Outcome r = run("-T 0:1000:11 -P 1:1000:4:log -x 0,0.05,0.1 -o grid.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");  // no progress bar when standard error is not a terminal
    const std::string table = read(dir_ / "grid.csv");
    EXPECT_EQ(table.substr(0, table.find('\n') + 1), TableFormatter(17).header());
    EXPECT_EQ(lines(table), 1u + 11 * 4 * 3);
    EXPECT_NE(table.find("\n1,0,1,0,0,0,"), std::string::npos);
    EXPECT_NE(table.find("\n132,1000,1000,0.1,0.26495389386067514,0,"), std::string::npos);
    EXPECT_EQ(listing(), "grid.csv ");
}

// Reference evaluations of the model, read back by column name with seven digits.
TEST_F(TableCommandTest, ReferencePointsLandInTheirColumns) {
    write("ref.csv", "T_C,P_bar,x_NaCl\n400,250,0.05\n25,1,0.2\n500,100,0.05\n25,1,0.01\n");
    const Outcome r = run("ref.csv --digits 7");
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream table(r.out);
    std::string line;
    std::getline(table, line);
    std::vector<std::string> names;
    std::istringstream header(line);
    for (std::string name; std::getline(header, name, ',');) names.push_back(name);
    std::vector<std::map<std::string, std::string>> rows;
    while (std::getline(table, line)) {
        std::map<std::string, std::string>& row = rows.emplace_back();
        std::istringstream cells(line + ",");
        std::string cell;
        for (std::size_t i = 0; i < names.size() && std::getline(cells, cell, ','); ++i) {
            row[names[i]] = cell;
        }
    }
    ASSERT_EQ(rows.size(), 4u);
    const std::map<std::string, std::string> expected[] = {
        {{"state", "4"},
         {"state_name", "V+L"},
         {"liquid_x_NaCl", "0.06441279"},
         {"liquid_density_kg_m3", "760.3132"},
         {"liquid_molar_volume_cm3_mol", "27.11919"},
         {"liquid_heat_capacity_J_kg_K", "5372.836"},
         {"vapor_x_NaCl", "0.0003183953"},
         {"vapor_density_kg_m3", "168.2905"},
         {"vapor_molar_volume_cm3_mol", "107.1235"},
         {"vapor_heat_capacity_J_kg_K", "13473.13"},
         {"halite_density_kg_m3", ""}},
        {{"state", "6"},
         {"state_name", "L+H"},
         {"liquid_x_NaCl", "0.09984158"},
         {"liquid_w_NaCl", "0.264611"},
         {"liquid_density_kg_m3", "1198.215"},
         {"halite_x_NaCl", "1"},
         {"halite_w_NaCl", "1"},
         {"halite_density_kg_m3", "2164.199"},
         {"halite_molar_volume_cm3_mol", "27.00445"},
         {"halite_specific_enthalpy_J_kg", ""},
         {"halite_heat_capacity_J_kg_K", "880.0099"},
         {"vapor_density_kg_m3", ""}},
        {{"state", "5"},
         {"state_name", "V+H"},
         {"vapor_density_kg_m3", "30.50303"},
         {"vapor_molar_volume_cm3_mol", "590.5974"},
         {"vapor_heat_capacity_J_kg_K", "2584.266"},
         {"halite_density_kg_m3", "2024.565"},
         {"liquid_density_kg_m3", ""}},
        {{"state", "3"},
         {"state_name", "F"},
         {"liquid_density_kg_m3", "1019.594"},
         {"liquid_molar_volume_cm3_mol", "18.0653"},
         {"liquid_heat_capacity_J_kg_K", "4028.708"},
         {"vapor_density_kg_m3", ""},
         {"out_of_range", "0"},
         {"error", ""}},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (const auto& [column, value] : expected[i]) {
            ASSERT_TRUE(rows[i].count(column)) << column;
            EXPECT_EQ(rows[i].at(column), value) << "row " << i << " " << column;
        }
    }
}

TEST_F(TableCommandTest, OneAndTwoThreadsGiveIdenticalBytes) {
    const std::string grid = "-T -10:1100:23 -P 0.5:6000:19:log -w 0:1:9";
    EXPECT_EQ(run(grid + " -j 1 -o one.csv").status, 0);
    EXPECT_EQ(run(grid + " --threads 2 -o two.csv").status, 0);
    EXPECT_EQ(lines(read(dir_ / "one.csv")), 1u + 23 * 19 * 9);
    EXPECT_EQ(read(dir_ / "one.csv"), read(dir_ / "two.csv"));

    std::string csv = "T_C,P_bar,x_NaCl\n";
    for (int i = 0; i < 3000; ++i) {
        csv += std::to_string(i % 1100) + "," + std::to_string(1 + i % 700) + ",0." +
               std::to_string(i % 10) + "\n";
        if (i % 500 == 0) csv += "oops\n";
    }
    write("in.csv", csv);
    const Outcome one = run("in.csv -j 1");
    const Outcome two = run("in.csv -j 2");
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.out, two.out);
    EXPECT_EQ(one.err, two.err);
}

TEST_F(TableCommandTest, BadRowsAreReportedAndEveryGoodRowIsWritten) {
    write("points.csv",
          "# mixed\n"
          "T_C,P_bar,w_NaCl\n"
          "25,1,0.1\n"
          "25,one,0.1\n"
          "\n"
          "400,250\n"
          "400,250,0.05\n");
    const Outcome r = run("points.csv -o out.csv");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("'points.csv':4: P_bar: 'one' is not a number\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("'points.csv':6: expected 3 values but found 2\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("2 of 4 rows could not be read"), std::string::npos) << r.err;
    const std::string table = read(dir_ / "out.csv");
    EXPECT_EQ(lines(table), 5u);
    EXPECT_NE(table.find("\n3,25,1,0.03311568707467988,0.1,0,"), std::string::npos) << table;
    // Rows that cannot be read keep the text of their fields, in the columns they were given for.
    EXPECT_NE(table.find("\n4,25,one,,0.1,,"), std::string::npos) << table;
    EXPECT_NE(table.find(",P_bar: 'one' is not a number\n6,400,250,,,,"), std::string::npos)
        << table;
    EXPECT_NE(table.find("\n7,400,250,"), std::string::npos);
}

TEST_F(TableCommandTest, StandardInputToStandardOutput) {
    const Outcome r = run("-", "T_C,P_bar,x_NaCl\n100,1,0.01\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out), 2u);
    EXPECT_NE(r.out.find("\n2,100,1,0.01,"), std::string::npos);
    const Outcome implicit = run("", "T_C,P_bar,x_NaCl\n100,1,0.01\n");
    EXPECT_EQ(implicit.out, r.out);
}

TEST_F(TableCommandTest, UnusableInputFailsAtOnceAndLeavesNoFile) {
    write("results.csv", "precious\n");
    write("bad-header.csv", "T,P,x\n25,1,0.01\n");
    write("empty.csv", "");
    write("two-properties.csv", "P_bar,h_J_kg,rho_kg_m3,x_NaCl\n1,1e6,1000,0\n");
    write("no-pressure.csv", "T_C,h_J_kg,x_NaCl\n25,1e6,0\n");
    fs::create_directory(dir_ / "folder");
    const std::pair<std::string, std::string> cases[] = {
        {"bad-header.csv", "'bad-header.csv':1: column T_C is missing"},
        {"two-properties.csv", "give either h_J_kg or rho_kg_m3, not both"},
        {"no-pressure.csv", "'no-pressure.csv':1: column P_bar is missing"},
        {"empty.csv", "no header line"},
        {"missing.csv", "cannot read 'missing.csv'"},
        {"folder", "cannot read 'folder': it is a folder"},
    };
    for (const auto& [input, message] : cases) {
        for (const std::string output : {"new.csv", "results.csv"}) {
            const Outcome r = run(input + " -o " + output);
            EXPECT_EQ(r.status, 3) << input;
            EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
            EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();
            EXPECT_FALSE(fs::exists(dir_ / "new.csv"));
            EXPECT_EQ(read(dir_ / "results.csv"), "precious\n");
        }
    }
    const Outcome fromStdin = run("", "");
    EXPECT_EQ(fromStdin.status, 3);
    EXPECT_EQ(fromStdin.out, "");
}

TEST_F(TableCommandTest, UnwritableOutputFails) {
    fs::create_directory(dir_ / "folder");
    const Outcome intoFolder = run("-T 25 -P 1 -x 0 -o folder");
    EXPECT_EQ(intoFolder.status, 4);
    EXPECT_NE(intoFolder.err.find("it is a folder"), std::string::npos) << intoFolder.err;
    const Outcome noFolder = run("-T 25 -P 1 -x 0 -o no/such/folder/out.csv");
    EXPECT_EQ(noFolder.status, 4);
    EXPECT_NE(noFolder.err.find("No such file or directory"), std::string::npos);
}

TEST_F(TableCommandTest, LinksPipesAndDevicesAreWrittenNotReplaced) {
    write("real.csv", "old\n");
    fs::create_symlink("real.csv", dir_ / "link.csv");
    EXPECT_EQ(run("-T 25 -P 1 -x 0 -o link.csv").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
    EXPECT_EQ(lines(read(dir_ / "real.csv")), 2u);

    // A named pipe stays a pipe, and what comes out of it is the table.
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    const std::string command = "cd '" + dir_.string() +
                                "' && { timeout 60 cat pipe >piped & reader=$!; timeout 60 '" +
                                KELVORAN_TABLE_PATH + "' -T 25 -P 1 -x 0 -o pipe; wait $reader; }";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));
    EXPECT_EQ(lines(read(dir_ / "piped")), 2u);
    EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();
}

TEST_F(TableCommandTest, CommandLineErrorsExitWithStatusTwo) {
    write("in.csv", "T_C,P_bar,x_NaCl\n");
    const std::pair<std::string, std::string> cases[] = {
        {"-T 0:100 -P 1 -x 0", "--temperature: '0:100' is neither a value nor a range"},
        {"-T 0:100:3 -P 0:10:3:log -x 0", "greater than zero"},
        {"-T 25 -P 1", "a grid needs -T, -P and -x (or -w)"},
        {"-T 25 -P 1 -x 0 -w 0", "excludes"},
        {"in.csv -T 25 -P 1 -x 0", "not both"},
        {"in.csv --digits 18", "18"},
        {"in.csv --threads -1", "-1"},
        {"in.csv --frobnicate", "frobnicate"},
        {"-T , -P 1 -x 0", "--temperature: in ',': item 1 is empty"},
        {"-T 1::3 -P 1 -x 0", "in '1::3': the stop is missing"},
        {"in.csv --delimiter x", "--delimiter"},
        {"in.csv --decimal-comma", "--decimal-comma needs"},
        {"in.csv -o ''", "--output: the file name is empty"},
        {"-T 25 -H 1e6 -x 0", "for the inverse evaluations -P and -H"},
        {"-T 25 -P 1 --density 1000 -x 0", "in place of -T and -P"},
        {"-P 1 -H 1e6 --density 1000 -x 0", "excludes"},
        {"-P 1 -H 1e6", "give -x or -w"},
    };
    for (const auto& [arguments, message] : cases) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments << ": " << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << ": " << r.err;
        EXPECT_EQ(r.err.find("the value the value"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << arguments;
    }
}

TEST_F(TableCommandTest, HelpShowsSyntaxExamplesAndExitStatus) {
    const Outcome r = run("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* part :
         {"START:STOP:COUNT:log", "Examples:", "Exit status:", "--threads", "--digits",
          "out_of_range", "P_bar,h_J_kg", "T_C,rho_kg_m3", "inverse_status", "--enthalpy",
          "--density", "amounts_undetermined", "<phase>_saturation"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    }
}

// A line longer than the limit is a bad row with its line number, and reading goes on after it;
// memory stays bounded, so under a memory limit a huge line is still such a row, never the end
// of the input; an input that cannot be read is a failure, never an empty table.
TEST_F(TableCommandTest, OverlongLinesAndReadFailuresAreFailures) {
    write("long.csv",
          "T_C,P_bar,x_NaCl\n25,1,0.01\n" + std::string(2 << 20, '7') + ",1,0.01\n400,250,0.05\n");
    const Outcome r = run("long.csv -j 1");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("'long.csv':3: the line is longer than 1048576 bytes"), std::string::npos)
        << r.err.substr(0, 300);
    EXPECT_EQ(lines(r.out), 4u);
    EXPECT_NE(r.out.find("\n4,400,250,0.05,"), std::string::npos);

#ifndef KELVORAN_SANITIZED_BUILD  // the sanitizers reserve more address space than the limit
    const Outcome limited = shell(
        "gen(){ printf 'T_C,P_bar,x_NaCl\\n25,1,0.01\\n'; head -c 200000000 /dev/zero | tr '\\0' 7;"
        " printf ',1,0.01\\n400,250,0.05\\n'; }\n"
        "gen | (ulimit -v 120000; \"$K\" -j1 -q -o r.csv); echo \"status $?\"; cat r.csv\n");
    EXPECT_NE(limited.out.find("status 1\n"), std::string::npos) << limited.out << limited.err;
    EXPECT_NE(limited.out.find("\n2,25,1,0.01,"), std::string::npos) << limited.out;
    EXPECT_NE(limited.out.find("\n4,400,250,0.05,"), std::string::npos) << limited.out;
#endif

    fs::create_directory(dir_ / "folder");
    const Outcome folder = shell("\"$K\" - < folder; echo \"status $?\"");
    EXPECT_NE(folder.out.find("status 3"), std::string::npos) << folder.out;
    EXPECT_NE(folder.err.find("Is a directory"), std::string::npos) << folder.err;
}

// /dev/stdout, /dev/stderr and /proc/self/fd/N are the open descriptors, written in place: an
// appending redirection keeps what the file held.
TEST_F(TableCommandTest, StandardStreamPathsAreWrittenInPlace) {
    fs::create_symlink("/dev/stdout", dir_ / "to-stdout");
    const std::string grid = "-T 25 -P 1 -x 0 -o ";
    for (const std::string path : {"/dev/stdout", "/proc/self/fd/1", "/dev/fd/1", "to-stdout"}) {
        write("log.txt", "earlier\n");
        const Outcome r = shell("\"$K\" " + grid + path + " >> log.txt; echo $?");
        EXPECT_EQ(r.out, "0\n") << path << ": " << r.err;
        const std::string log = read(dir_ / "log.txt");
        EXPECT_EQ(log.rfind("earlier\nline,T_C,", 0), 0u) << path << ": " << log;
        EXPECT_EQ(lines(log), 3u) << path;
    }
    write("log.txt", "earlier\n");
    EXPECT_EQ(shell("\"$K\" " + grid + "/dev/stderr 2>> log.txt; echo $?").out, "0\n");
    EXPECT_EQ(lines(read(dir_ / "log.txt")), 3u);
    EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();
}

// Starts the program with every signal at its default action, as a user's shell would, its
// output streams on /dev/null.
pid_t spawn(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -1;
}

// Every terminating signal removes the temporary file and ends the program as the signal does;
// a signal inherited as ignored stays ignored; a file-size limit is an output error.
TEST_F(TableCommandTest, SignalsLeaveNoTemporaryFileAndIgnoredOnesStayIgnored) {
    const rlimit noCore{0, 0};  // SIGQUIT and SIGXCPU would dump cores
    ::setrlimit(RLIMIT_CORE, &noCore);
    const std::string out = (dir_ / "out.csv").string();
    // Long enough never to finish while the test waits.
    const std::vector<std::string> job = {
        KELVORAN_TABLE_PATH, "-T", "0:1000:1000", "-P", "1:1000:100", "-x",
        "0:0.5:100",         "-j", "1",           "-q", "-o",         out};
    const auto waitForTemporary = [&] {
        for (int i = 0; i < 3000; ++i) {
            if (listing().find(".out.csv.tmp-") != std::string::npos) return true;
            ::usleep(10'000);
        }
        return false;
    };
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE,
                             SIGXCPU, SIGVTALRM}) {
        write("out.csv", "precious\n");
        const pid_t pid = spawn(job);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitForTemporary()) << "signal " << signal;
        ::kill(pid, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        EXPECT_EQ(read(dir_ / "out.csv"), "precious\n") << "signal " << signal;
        EXPECT_EQ(listing().find(".tmp"), std::string::npos) << "signal " << signal << listing();
    }

    // As under nohup: SIGHUP ignored when the program starts.
    std::string script = "trap '' HUP; exec";
    for (const std::string& argument : job) script += " '" + argument + "'";
    const pid_t pid = spawn({"/bin/sh", "-c", script});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitForTemporary());
    ::kill(pid, SIGHUP);
    ::usleep(300'000);
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, WNOHANG), 0) << "ended by an ignored SIGHUP";
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();

    fs::remove(dir_ / "out.csv");
    const Outcome limited =
        shell("(ulimit -f 8; \"$K\" -T 0:1000:100 -P 1:100:100 -x 0 -q -o out.csv); echo $?\n");
    EXPECT_EQ(limited.out, "4\n") << limited.err;
    EXPECT_NE(limited.err.find("cannot write 'out.csv': File too large"), std::string::npos)
        << limited.err;
    EXPECT_EQ(listing().find("out.csv"), std::string::npos) << listing();
}

// With standard error closed, messages cannot land in the table (the file would otherwise get
// its descriptor); with standard output closed, the table is an output error, not a success.
TEST_F(TableCommandTest, ClosedStandardStreamsAreNotReusedOrTakenForSuccess) {
    write("bad.csv", "T_C,P_bar,x_NaCl\n25,one,0.01\n");
    const Outcome r = shell("\"$K\" -o out.csv < bad.csv 2>&-; echo $?");
    EXPECT_EQ(r.out, "1\n");
    EXPECT_EQ(read(dir_ / "out.csv").rfind("line,T_C,P_bar,", 0), 0u) << read(dir_ / "out.csv");
    EXPECT_EQ(lines(read(dir_ / "out.csv")), 2u);
    const Outcome closed = shell("\"$K\" -T 25 -P 1 -x 0 >&-; echo $?");
    EXPECT_EQ(closed.out, "4\n");
    EXPECT_NE(closed.err.find("cannot write standard output: Bad file descriptor"),
              std::string::npos)
        << closed.err;
}

// Running out of memory is status 5, not a bad command line; a grid never yields infinity.
TEST_F(TableCommandTest, OutOfMemoryIsStatusFiveAndGridValuesStayFinite) {
#ifndef KELVORAN_SANITIZED_BUILD
    const Outcome r = shell(
        "(ulimit -v 90000; \"$K\" -T 0:1:10000000 -P 0:1:10000000 -x 0 -q -o /dev/null); echo $?");
    EXPECT_TRUE(r.out.ends_with("\n5\n") || r.out == "5\n") << r.out.substr(0, 200) << r.err;
    EXPECT_NE(r.err.find("out of memory"), std::string::npos) << r.err;
#endif
    const Outcome top = run("-T 1.7976931348623155e308:1.7976931348623157e308:5:log -P 1 -x 0");
    EXPECT_EQ(top.status, 0) << top.err;
    EXPECT_EQ(lines(top.out), 6u);
    EXPECT_EQ(top.out.find("inf"), std::string::npos) << top.out;
}

// The input file as the output (by any name) is refused; nothing is replaced.
TEST_F(TableCommandTest, TheInputFileIsRefusedAsOutput) {
    const std::string points = "T_C,P_bar,x_NaCl\n25,1,0.01\n";
    write("a.csv", points);
    fs::create_symlink("a.csv", dir_ / "link.csv");
    fs::create_hard_link(dir_ / "a.csv", dir_ / "hard.csv");
    for (const std::string command :
         {"\"$K\" a.csv -o a.csv", "\"$K\" a.csv -o ./link.csv", "\"$K\" link.csv -o hard.csv",
          "\"$K\" - -o a.csv < a.csv", "\"$K\" < a.csv >> a.csv",
          "\"$K\" a.csv -o /dev/stdout >> a.csv"}) {
        const Outcome r = shell(command + "; echo $?");
        EXPECT_EQ(r.out, "4\n") << command;
        EXPECT_NE(r.err.find("it is the input file"), std::string::npos) << command << r.err;
        EXPECT_EQ(read(dir_ / "a.csv"), points) << command;
    }
    EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();
}

// -o treats names as a shell redirection would: the longest file names work, a file the user may
// not write is not replaced, and a dangling link creates the file it names.
TEST_F(TableCommandTest, OutputPathsBehaveLikeShellRedirections) {
    const std::string longName = std::string(251, 'n') + ".csv";  // 255 bytes
    EXPECT_EQ(run("-T 25 -P 1 -x 0 -o " + longName).status, 0);
    EXPECT_EQ(lines(read(dir_ / longName)), 2u);

    fs::create_symlink("sub/made.csv", dir_ / "dangling.csv");
    fs::create_directory(dir_ / "sub");
    EXPECT_EQ(run("-T 25 -P 1 -x 0 -o dangling.csv").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.csv"));
    EXPECT_EQ(lines(read(dir_ / "sub" / "made.csv")), 2u);

    // As a user without the right to override file modes (root has it).
    write("read-only.csv", "keep\n");
    fs::permissions(dir_ / "read-only.csv",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir_, fs::perms::all);
    // The program is copied into the scratch folder, which that user can reach wherever the
    // build lies.
    fs::copy_file(KELVORAN_TABLE_PATH, dir_ / "program");
    const std::string asUser =
        ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const Outcome r = shell(asUser + "./program -T 25 -P 1 -x 0 -o read-only.csv; echo $?");
    EXPECT_EQ(r.out, "4\n") << r.err;
    EXPECT_NE(r.err.find("cannot write 'read-only.csv': Permission denied"), std::string::npos)
        << r.err;
    EXPECT_EQ(read(dir_ / "read-only.csv"), "keep\n");
    EXPECT_EQ(listing().find(".tmp"), std::string::npos) << listing();
}

// A spreadsheet's export, as LibreOffice or Excel in a decimal-comma locale writes it: byte-order
// mark, ';' between fields, decimal commas, CR LF line ends, quoted texts, header names in
// another case, a column of sample names first and a comment column last. The extra columns come
// after the input columns, unchanged; every number is in its shortest exact form.
TEST_F(TableCommandTest, SpreadsheetExportsAreReadAndPassedThrough) {
    write("export.csv",
          "\xEF\xBB\xBF\"Sample\";\"t_c\";\"P_BAR\";\" x_NaCl \";\"Note\"\r\n"
          "#1;400;250;0,05;\"brine; \"\"hot\"\"\"\r\n"
          "B 2;25;1;0,2;\"two\r\nlines\"\r\n"
          ";;;;\r\n"
          "C-3;25;1;oops;\r\n");
    const Outcome r = run("--delimiter ';' --decimal-comma export.csv");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("'export.csv':6: x_NaCl: 'oops' is not a number"), std::string::npos)
        << r.err;
    std::istringstream table(r.out);
    std::string header, first;
    std::getline(table, header);
    std::getline(table, first);
    EXPECT_EQ(header.rfind("line;T_C;P_bar;x_NaCl;w_NaCl;Sample;Note;out_of_range;state;", 0), 0u)
        << header;
    EXPECT_EQ(first.rfind("2;400;250;0,05;0,1458420674372642;#1;\"brine; \"\"hot\"\"\";0;4;V+L;"
                          "0,06441278925753288;",
                          0),
              0u)
        << first;
    EXPECT_NE(r.out.find("\n3;25;1;0,2;0,4478287855451599;B 2;\"two\r\nlines\";0;6;L+H;"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n6;25;1;oops;;C-3;;;"), std::string::npos) << r.out;

    // A tab-separated export without the flag: the decimal comma is named in the error.
    write("export.tsv", "T_C\tP_bar\tw_NaCl\n25\t1\t0,1\n");
    const Outcome tab = run("-d tab export.tsv");
    EXPECT_EQ(tab.status, 1);
    EXPECT_NE(tab.err.find("use --decimal-comma"), std::string::npos) << tab.err;
    // A ';' file read with the default ',' says which option reads it.
    write("semi.csv", "T_C;P_bar;x_NaCl\n25;1;0\n");
    const Outcome semi = run("semi.csv");
    EXPECT_EQ(semi.status, 3);
    EXPECT_NE(semi.err.find("--delimiter ';'"), std::string::npos) << semi.err;
    // Values too small for a double read as zero, as in the console.
    const Outcome tiny = run("-", "T_C,P_bar,x_NaCl\n25,1,1e-400\n");
    EXPECT_EQ(tiny.status, 0) << tiny.err;
    EXPECT_NE(tiny.out.find("\n2,25,1,0,0,0,3,F,0,0,"), std::string::npos) << tiny.out;
    // An input column named like an output column is refused rather than duplicated.
    const Outcome clash = run("-", "T_C,P_bar,x_NaCl,state\n25,1,0,a\n");
    EXPECT_EQ(clash.status, 3);
    EXPECT_NE(clash.err.find("'state' has the name of an output column"), std::string::npos);
}

TEST_F(TableCommandTest, VersionIsTheProjectVersion) {
    const Outcome r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "kelvoran-table " KELVORAN_PROJECT_VERSION);
}

// A comma-separated table without quoted fields: its header and rows, fields by column name.
struct ParsedTable {
    std::vector<std::string> header;
    std::vector<std::string> lines;  // the rows as written, with their line ends
    std::vector<std::map<std::string, std::string>> rows;

    explicit ParsedTable(const std::string& text) {
        std::istringstream in(text);
        std::string line;
        std::getline(in, line);
        std::istringstream names(line);
        for (std::string name; std::getline(names, name, ',');) header.push_back(name);
        while (std::getline(in, line)) {
            lines.push_back(line + "\n");
            std::map<std::string, std::string>& row = rows.emplace_back();
            std::istringstream cells(line + ",");
            std::string cell;
            for (std::size_t i = 0; i < header.size() && std::getline(cells, cell, ','); ++i) {
                row[header[i]] = cell;
            }
        }
    }
};

std::string shortest(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

// The direct mode's new columns (warnings, fluid type, phase amounts, bulk density and
// enthalpy) hold the library's values, and every row is the formatter's line of the per-point
// calculator's result, bit for bit. Absent phases and the enthalpies of halite-bearing states
// are empty; the undetermined amounts of V + L + H are nan.
TEST_F(TableCommandTest, DirectRowsCarryWarningsFluidTypeAndAmountsOfTheLibrary) {
    struct Point {
        double t, p, x;
    };
    const Point points[] = {
        {25.0, 1.0, 0.01},                           // F, liquid-like
        {700.0, 2000.0, 0.01},                       // supercritical
        {400.0, 250.0, 0.05},                        // V + L
        {500.0, 100.0, 0.05},                        // V + H
        {25.0, 1.0, 0.2},                            // L + H
        {500.0, threePhasePressureBar(500.0), 0.3},  // V + L + H
        {2.0, 1.0, 0.01},                            // ice field of the volume
        {1100.0, 100.0, 0.1},                        // extrapolated
        {900.0, 50.0, 0.3},                          // region-H extrapolation
    };
    std::string csv = "sample,T_C,P_bar,x_NaCl\n";
    const auto sample = [](std::size_t i) { return std::to_string(i).insert(0, 1, 's'); };
    for (std::size_t i = 0; i < std::size(points); ++i) {
        csv += sample(i);
        for (const double value : {points[i].t, points[i].p, points[i].x}) {
            csv += ',';
            csv += shortest(value);
        }
        csv += '\n';
    }
    write("points.csv", csv);
    const Outcome r = run("points.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const ParsedTable table(r.out);
    const TableFormatter formatter(TableStyle{}, {"sample"});
    ASSERT_EQ(r.out.substr(0, r.out.find('\n') + 1), formatter.header());
    ASSERT_EQ(table.rows.size(), std::size(points));
    Calculator calculator;
    std::set<std::string> states, warnings;
    for (std::size_t i = 0; i < std::size(points); ++i) {
        const Point& c = points[i];
        const PointResult result = calculator.evaluate(c.t, c.p, c.x);
        InputRow row;
        row.line = static_cast<std::int64_t>(i) + 2;
        row.temperatureC = c.t;
        row.pressureBar = c.p;
        row.composition = c.x;
        row.massFraction = massFractionFromMoleFraction(c.x);
        row.extras = {sample(i)};
        std::string expected;
        formatter.appendRow(expected, row, result);
        EXPECT_EQ(table.lines[i], expected) << "row " << i;

        const std::map<std::string, std::string>& got = table.rows[i];
        states.insert(got.at("state_name"));
        warnings.insert(got.at("warnings"));
        EXPECT_EQ(got.at("warnings"), warningNames(result.warnings)) << i;
        EXPECT_EQ(got.at("fluid_type"), shortName(result.fluidType)) << i;
        EXPECT_EQ(got.at("bulk_density_kg_m3"), shortest(result.bulk.density)) << i;
        EXPECT_EQ(got.at("bulk_specific_enthalpy_J_kg"),
                  result.hasHalite() ? "" : shortest(result.bulk.specificEnthalpy))
            << i;
        const std::pair<const char*, const PhaseRecord*> phases[] = {
            {"liquid", &result.liquid}, {"vapor", &result.vapor}, {"halite", &result.halite}};
        const bool present[] = {result.hasLiquid(), result.hasVapor(), result.hasHalite()};
        for (std::size_t k = 0; k < 3; ++k) {
            const std::string name = phases[k].first;
            EXPECT_EQ(got.at(name + "_mass_fraction"),
                      present[k] ? shortest(phases[k].second->phaseMassFraction) : "")
                << i << " " << name;
            EXPECT_EQ(got.at(name + "_saturation"),
                      present[k] ? shortest(phases[k].second->saturation) : "")
                << i << " " << name;
        }
    }
    // Every state with its own amount columns, and the warnings that say why numbers are doubtful.
    EXPECT_EQ(states, (std::set<std::string>{"F", "V+L", "V+H", "L+H", "V+L+H"}));
    EXPECT_EQ(table.rows[0].at("fluid_type"), "liquid");
    EXPECT_EQ(table.rows[1].at("fluid_type"), "supercritical");
    EXPECT_EQ(table.rows[2].at("fluid_type"), "");
    EXPECT_EQ(table.rows[0].at("warnings"), "");
    EXPECT_EQ(table.rows[5].at("warnings"), "amounts_undetermined");
    EXPECT_EQ(table.rows[5].at("halite_mass_fraction"), "nan");
    EXPECT_EQ(table.rows[5].at("bulk_density_kg_m3"), "nan");
    EXPECT_NE(table.rows[6].at("warnings").find("ice_field"), std::string::npos);
    EXPECT_NE(table.rows[7].at("warnings").find("outside_fitted_range"), std::string::npos);
    EXPECT_EQ(table.rows[4].at("bulk_specific_enthalpy_J_kg"), "");
    EXPECT_NE(table.rows[4].at("bulk_density_kg_m3"), "");
}

// Each inverse mode, chosen by the input header: the given values are echoed in full, the found
// temperature (or pressure) and the state are the library's inverse evaluation of the row bit
// for bit, and rows without a state (an enthalpy no temperature reaches, one that falls where
// halite is present, an invalid input) are computed rows with their status and empty columns:
// status 0, counted on standard error. A grid gives the same rows as the file.
TEST_F(TableCommandTest, InverseModesMatchTheLibraryAndReportRowsWithoutAState) {
    using Inverse = InverseResult (*)(double, double, double);
    struct Case {
        TableMode mode;
        const char* given;  // the header's names of the two given quantities
        Inverse evaluate;
        std::vector<std::array<double, 3>> points;  // the two given values and w NaCl
        std::vector<std::string> statuses;
        const char* grid;  // the same points as a grid, or empty
    };
    const Case cases[] = {
        {TableMode::PressureEnthalpy,
         "P_bar,h_J_kg",
         &evaluatePH,
         {{250.0, 1.6e6, 0.1},    // F
          {100.0, 2.8e6, 0.0},    // V
          {100.0, 1.3e6, 0.3},    // V + L
          {1000.0, 3.0e6, 0.01},  // supercritical
          {250.0, 1e9, 0.1},      // no temperature in 0-1000 °C reaches it
          {100.0, 2.0e6, 0.3},    // the enthalpy lies where halite is present
          {250.0, 1.6e6, 1.5}},   // no composition
         {"solved", "solved", "solved", "solved", "out_of_range", "undefined", "invalid_input"},
         ""},
        {TableMode::PressureDensity,
         "P_bar,rho_kg_m3",
         &evaluatePRho,
         {{300.0, 150.0, 0.3},   // V + H
          {300.0, 200.0, 0.3},   // in the jump at the three-phase curve: V + L + H
          {300.0, 500.0, 0.3},   // V + L
          {300.0, 1100.0, 0.3},  // F
          {300.0, 50.0, 0.3},    // lighter than any state at 300 bar
          {300.0, 1000.0, 0.0},
          {300.0, -1.0, 0.3}},
         {"solved", "solved", "solved", "solved", "out_of_range", "solved", "invalid_input"},
         ""},
        {TableMode::TemperatureDensity,
         "T_C,rho_kg_m3",
         &evaluateTRho,
         {{300.0, 800.0, 0.05},
          {300.0, 900.0, 0.05},
          {300.0, 1000.0, 0.05},
          {300.0, 700.0, 0.05},    // V + L
          {300.0, 1100.0, 0.05}},  // denser than any state up to 5000 bar
         {"solved", "solved", "solved", "solved", "out_of_range"},
         "-T 300 --density 800:1000:3,700 -w 0.05"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        std::string csv = std::string(c.given) + ",w_NaCl,sample\n";
        for (const auto& point : c.points) {
            csv +=
                shortest(point[0]) + "," + shortest(point[1]) + "," + shortest(point[2]) + ",s\n";
        }
        write("in.csv", csv);
        const Outcome r = run("in.csv -j 2");
        EXPECT_EQ(r.status, 0) << r.err;
        const std::size_t unsolved =
            static_cast<std::size_t>(std::count(c.statuses.begin(), c.statuses.end(), "solved"));
        EXPECT_EQ(r.err, "kelvoran-table: " + std::to_string(c.points.size() - unsolved) + " of " +
                             std::to_string(c.points.size()) +
                             " computed rows have no state found; see the inverse_status column\n");
        const TableFormatter formatter(TableStyle{}, {"sample"}, c.mode);
        ASSERT_EQ(r.out.substr(0, r.out.find('\n') + 1), formatter.header());
        const ParsedTable table(r.out);
        // The direct mode's columns, in its order, with the given bulk property and the status
        // after the composition.
        std::vector<std::string> direct =
            ParsedTable(TableFormatter(TableStyle{}, {"sample"}).header()).header;
        direct.insert(
            direct.begin() + 5,
            {c.mode == TableMode::PressureEnthalpy ? "h_J_kg" : "rho_kg_m3", "inverse_status"});
        EXPECT_EQ(table.header, direct);
        ASSERT_EQ(table.rows.size(), c.points.size());
        for (std::size_t i = 0; i < c.points.size(); ++i) {
            const auto& [a, b, w] = c.points[i];
            InputRow row;
            row.line = static_cast<std::int64_t>(i) + 2;
            (c.mode == TableMode::TemperatureDensity ? row.temperatureC : row.pressureBar) = a;
            row.bulkValue = b;
            row.setComposition(w, true);  // x is NaN for a w outside 0-1
            row.extras = {"s"};
            const InverseResult result = c.evaluate(a, b, row.composition);
            std::string expected;
            formatter.appendRow(expected, row, result);
            EXPECT_EQ(table.lines[i], expected) << "row " << i;
            const std::map<std::string, std::string>& got = table.rows[i];
            EXPECT_EQ(got.at("inverse_status"), c.statuses[i]) << i;
            EXPECT_EQ(got.at(c.mode == TableMode::PressureEnthalpy ? "h_J_kg" : "rho_kg_m3"),
                      shortest(b));
            const bool solved = c.statuses[i] == "solved";
            const bool findsPressure = c.mode == TableMode::TemperatureDensity;
            const std::string found =
                solved ? shortest(findsPressure ? result.pressureBar : result.temperatureC) : "";
            EXPECT_EQ(got.at("T_C"), findsPressure ? shortest(a) : found) << i;
            EXPECT_EQ(got.at("P_bar"), findsPressure ? found : shortest(a)) << i;
            EXPECT_EQ(got.at("state").empty(), !solved) << i;
            EXPECT_EQ(got.at("error"), "");
            if (solved) {
                const std::string bulk = c.mode == TableMode::PressureEnthalpy
                                             ? "bulk_specific_enthalpy_J_kg"
                                             : "bulk_density_kg_m3";
                EXPECT_NEAR(std::stod(got.at(bulk)), b, 1e-10 * b) << i;
            }
        }
        if (*c.grid != '\0') {
            const Outcome grid = run(std::string(c.grid) + " -j 1");
            const ParsedTable fromGrid(grid.out);
            ASSERT_EQ(fromGrid.rows.size(), 4u);
            for (std::size_t i = 0; i < 4; ++i) {
                std::map<std::string, std::string> a = fromGrid.rows[i], b = table.rows[i];
                a.erase("line");
                b.erase("line");
                b.erase("sample");
                EXPECT_EQ(a, b) << i;
            }
        }
    }
}

// Hostile inputs, each run as a user would run it: no row is lost without its error row, the
// cause named is the real one, and every failure is a non-zero status. The inputs are made by
// the shell script of each case (as in.csv); $K runs the program.
TEST_F(TableCommandTest, HostileInputsLoseNoRowSilently) {
    struct Case {
        const char* name;
        std::string script;  // makes in.csv (if it needs one), then runs "$K"
        int status;
        std::vector<std::string> err;  // parts of standard error
        std::vector<std::string> out;  // parts of standard output
        std::size_t lines;             // lines of standard output (0: not checked)
    };
    const std::string hundredThousand =
        "awk 'BEGIN { print \"name,T_C,P_bar,x_NaCl\"; for (i = 1; i <= 100000; ++i)"
        " print (i == 11 ? \"\\\"oops\" : \"s\" i) \",25,1,0.01\" }' >in.csv\n";
    // A quoted note of 2 MiB over many lines, its closing quote at the start of a line.
    const std::string longNote =
        "{ echo 'note,T_C,P_bar,x_NaCl'; echo 'a,25,1,0.01'; printf '\"';"
        " head -c 2100000 /dev/zero | tr '\\0' x | fold -w 1000; printf '\",25,1,0.01\\n';"
        " echo 'c,400,250,0.05'; echo '\"d\",400,250,0.05'; } >in.csv\n";
    const Case cases[] = {
        {"a stray quote in a file (by name or on standard input): its line is the error row, "
         "every later row is read",
         hundredThousand + "\"$K\" -q in.csv",
         1,
         {"'in.csv':12: field 1: a quoted field is not closed before the end of the input (a "
          "stray quote?); the lines after this one are read again as rows\n",
          "1 of 100000 rows could not be read"},
         {"\n12,,,,,\"oops,25,1,0.01\",", "\n13,25,1,0.01,", "\n100001,25,1,0.01,"},
         100001},
        {"a stray quote in a file on standard input: the same table",
         hundredThousand +
             "\"$K\" -q < in.csv >a.csv 2>/dev/null; \"$K\" -q in.csv 2>/dev/null | cmp - a.csv"
             " && echo same",
         0,
         {},
         {"same\n"},
         1},
        {"a stray quote from a pipe: the lines it covers, and reading stops with status 3",
         hundredThousand + "cat in.csv | \"$K\" -q",
         3,
         {"<stdin>:12: lines 12-100001: field 1: a quoted field is not closed",
          "reading stopped at a broken record; the table holds the rows before it"},
         {"\n11,25,1,0.01,"},
         12},
        {"a long quoted field with line breaks is one error row, reading goes on after it",
         longNote + "\"$K\" -q < in.csv",
         1,
         {"<stdin>:3: lines 3-2102 are one record", "1 of 4 rows could not be read"},
         {"\n2,25,1,0.01,", "\n3,,,,,,", "\n2103,400,250,0.05,", "\n2104,400,250,0.05,"},
         5},
        {"spreadsheet error values in an input column are error rows; comments are skipped",
         "printf 'T_C,P_bar,x_NaCl\\n#N/A,1,0.1\\n#VALUE!,1,0.1\\n#DIV/0! ,1,0.1\\n"
         "# a comment\\n#\\n25,#REF!,0.1\\n25,1,0.1\\n' | \"$K\" -q",
         1,
         {"<stdin>:2: T_C: '#N/A' is a spreadsheet's error value, not a number",
          "<stdin>:3: T_C: '#VALUE!'", "<stdin>:4: T_C: '#DIV/0!'", "<stdin>:7: P_bar: '#REF!'",
          "4 of 5 rows could not be read"},
         {"\n8,25,1,0.1,"},
         6},
        {"an error row keeps the fields beyond the header's columns",
         "printf 'T_C,P_bar,x_NaCl\\n300,1,5,0.1,\"a,b\"\\n' | \"$K\" -q",
         1,
         {"expected 3 values but found 5; the fields past the header's columns: 0.1,\"a,b\""},
         {"\n2,300,1,5,,"},
         2},
        {"a 100 MB line of blanks is a blank line",
         "{ echo T_C,P_bar,x_NaCl; head -c 100000000 /dev/zero | tr '\\0' ' '; echo;"
         " echo 25,1,0.01; } | \"$K\" -q",
         0,
         {},
         {"\n3,25,1,0.01,"},
         2},
        {"a partial byte-order mark is text, not silently removed",
         "printf '\\357\\273T_C,P_bar,x_NaCl\\n25,1,0\\n' | \"$K\" -q",
         3,
         {"column T_C is missing (the header has '\\xEF\\xBBT_C', 'P_bar', 'x_NaCl')"},
         {},
         0},
        {"the table read back: x_NaCl and w_NaCl agree, the rows are the same",
         "\"$K\" -q -T 25,400 -P 1,250 -w 0.1,0.3 >first.csv && \"$K\" -q first.csv >back.csv &&"
         " cut -d, -f2- first.csv >a && cut -d, -f2- back.csv >b && cmp a b && echo same",
         0,
         {},
         {"same\n"},
         1},
        {"x_NaCl and w_NaCl that disagree to the digits written are an error row",
         "printf 'x_NaCl,w_NaCl,T_C,P_bar\\n0.1,0.26510,25,1\\n0.1000,0.2600,25,1\\n' | \"$K\" -q",
         1,
         {"<stdin>:3: x_NaCl '0.1000' and w_NaCl '0.2600' disagree (x_NaCl 0.1000 is w_NaCl "
          "0.26495389386067514); give one of them"},
         {"\n2,25,1,0.1,0.2651,"},
         3},
        {"many header names: the missing-column message names a few",
         "printf 'a,b,c,d,e,f,g,h,i,j,k,l\\n1,2,3,4,5,6,7,8,9,10,11,12\\n' | \"$K\" -q",
         3,
         {"(the header has 'a', 'b', 'c', 'd', 'e', 'f' and 6 more); name T_C"},
         {},
         0},
        {"a column clash names its line",
         "printf '# made by hand\\nT_C,P_bar,x_NaCl,state\\n25,1,0,a\\n' >in.csv; \"$K\" in.csv",
         3,
         {"'in.csv':2: the input column 'state' has the name of an output column"},
         {},
         0},
        {"a file name with a line break stays on one line",
         "\"$K\" \"$(printf 'no\\nsuch.csv')\"",
         3,
         {"kelvoran-table: cannot read 'no\\x0Asuch.csv': No such file or directory\n"},
         {},
         0},
        {"-j and --digits say what is wrong with their value",
         "\"$K\" -j abc -T 1 -P 1 -x 0; echo $?; \"$K\" --digits x -T 1 -P 1 -x 0; echo $?;"
         " \"$K\" -j 2000 -T 1 -P 1 -x 0",
         2,
         {"--threads: 'abc' is not a whole number", "--digits: 'x' is not a whole number",
          "--threads: '2000' is not in 0-1024"},
         {"2\n2\n"},
         2},
        {"--help and --version report a failed write",
         "\"$K\" --help >/dev/full; echo $?; \"$K\" --version >&-",
         4,
         {"cannot write standard output: No space left on device",
          "cannot write standard output: Bad file descriptor"},
         {"4\n"},
         1},
        {"the temporary file of a killed run is removed by the next",
         "\"$K\" -T 0:1000:1000 -P 1:1000:100 -x 0:0.5:100 -j 1 -q -o out.csv & pid=$!;"
         " while ! ls -a | grep -q '^\\.out\\.csv\\.tmp-'; do sleep 0.05; done; kill -9 $pid;"
         " wait $pid; \"$K\" -T 25 -P 1 -x 0 -o out.csv; ls -a | grep -c tmp",
         1,
         {"removed '.out.csv.tmp-", "left by an earlier run that was killed before it finished"},
         {"0\n"},
         1},
        {"--columns writes the columns named, in their order",
         "\"$K\" -q -T 25 -P 1,300 -x 0.01 --columns state_name,liquid_density_kg_m3,T_C",
         0,
         {},
         {"state_name,liquid_density_kg_m3,T_C\nF,1019.5944256043323,25\n"},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = shell(c.script);
        EXPECT_EQ(r.status, c.status) << r.err.substr(0, 2000);
        for (const std::string& part : c.err) {
            EXPECT_NE(r.err.find(part), std::string::npos)
                << part << "\nin: " << r.err.substr(0, 2000);
        }
        for (const std::string& part : c.out) {
            EXPECT_NE(r.out.find(part), std::string::npos)
                << part << "\nin: " << r.out.substr(0, 2000);
        }
        if (c.lines > 0) {
            EXPECT_EQ(lines(r.out), c.lines);
        }
    }
}

// The rows in flight are bounded by memory, not by the thread count: a million rows on 1024
// threads fit in 200 MB (the columns asked for need no evaluation, so no thread is started).
TEST_F(TableCommandTest, RowsInFlightAreBoundedWhateverTheThreadCount) {
#ifndef KELVORAN_SANITIZED_BUILD  // the sanitizers reserve more address space than the limit
    const Outcome r = shell(
        "(ulimit -v 200000; \"$K\" -j 1024 -q -T 0:1:1000 -P 1:2:1000 -x 0 --columns line,T_C"
        " -o /dev/null); echo $?");
    EXPECT_EQ(r.out, "0\n") << r.err;
#endif
    // A bar for 10^9 points fits on 40 columns.
    EXPECT_LT(ProgressBar::render(999'999'999, 1'000'000'000, -1.0, 3600.0, 40).size(), 40u);
    EXPECT_LT(ProgressBar::render(5, 0, 0.5, 3.0, 12).size(), 12u);
}

// What a run of the program shows on a terminal of 40 columns that is its standard output and
// standard error.
std::string onTerminal(const std::vector<std::string>& arguments) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 40;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) {
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    ::waitpid(pid, nullptr, 0);
    ::close(master);
    return seen;
}

// The progress bar is drawn on the terminal of standard error, never as wide as it (so it
// never wraps), and not at all when the table goes to that same terminal.
TEST_F(TableCommandTest, ProgressBarStaysWithinTheTerminalAndOffTheTable) {
    // A second or two of inverse searches, with a short table.
    const std::vector<std::string> job = {KELVORAN_TABLE_PATH,
                                          "-P",
                                          "300",
                                          "--density",
                                          "200:1000:16000",
                                          "-x",
                                          "0.05",
                                          "-j",
                                          "1",
                                          "--columns",
                                          "inverse_status"};
    std::vector<std::string> toNull = job;
    toNull.insert(toNull.end(), {"-o", "/dev/null"});
    const std::string bar = onTerminal(toNull);
    ASSERT_NE(bar.find("points/s"), std::string::npos) << bar;
    for (std::size_t start = 0, end; start < bar.size(); start = end + 1) {
        end = bar.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bar.size();
        std::string line = bar.substr(start, end - start);
        if (line.rfind("\x1b[K", 0) == 0) line.erase(0, 3);
        if (line.size() >= 3 && line.compare(line.size() - 3, 3, "\x1b[K") == 0) {
            line.erase(line.size() - 3);
        }
        if (line.find("points") != std::string::npos) {
            EXPECT_LT(line.size(), 40u) << line;
        }
    }
    const std::string table = onTerminal(job);
    EXPECT_NE(table.find("inverse_status"), std::string::npos) << table.substr(0, 200);
    EXPECT_EQ(table.find("points/s"), std::string::npos) << table.substr(0, 2000);
}

}  // namespace
}  // namespace kelvoran
