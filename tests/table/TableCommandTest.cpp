// End-to-end tests of the kelvoran-table program, run as a user would run it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "table/TableFormatter.h"

namespace kelvoran {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class TableCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kelvoran-table-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static std::string read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

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

    fs::path dir_;
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
    EXPECT_NE(r.err.find("points.csv:4: P_bar: 'one' is not a number\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("points.csv:6: expected 3 values but found 2\n"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("2 of 4 rows could not be read"), std::string::npos) << r.err;
    const std::string table = read(dir_ / "out.csv");
    EXPECT_EQ(lines(table), 5u);
    EXPECT_NE(table.find("\n3,25,1,0.03311568707467988,0.1,0,"), std::string::npos) << table;
    EXPECT_NE(table.find("\n4,,,"), std::string::npos);
    EXPECT_NE(table.find(",P_bar: 'one' is not a number\n6,"), std::string::npos);
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
    fs::create_directory(dir_ / "folder");
    const std::pair<std::string, std::string> cases[] = {
        {"bad-header.csv", "bad-header.csv:1: unknown column 'T'"},
        {"empty.csv", "no header line"},
        {"missing.csv", "cannot read missing.csv"},
        {"folder", "cannot read folder: it is a folder"},
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
    };
    for (const auto& [arguments, message] : cases) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments << ": " << r.err;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << ": " << r.err;
        EXPECT_EQ(r.out, "") << arguments;
    }
}

TEST_F(TableCommandTest, HelpShowsSyntaxExamplesAndExitStatus) {
    const Outcome r = run("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* part : {"START:STOP:COUNT:log", "Examples:", "Exit status:", "--threads",
                             "--digits", "out_of_range"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
    }
}

}  // namespace
}  // namespace kelvoran
