#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "kelvoran/Calculator.h"
#include "table/CsvReader.h"

namespace kelvoran {
namespace {

// CSV text as a FILE*, for the reader.
class TextFile {
  public:
    explicit TextFile(std::string text) : text_(std::move(text)) {
        file_ = text_.empty() ? std::tmpfile() : ::fmemopen(text_.data(), text_.size(), "r");
    }
    ~TextFile() { std::fclose(file_); }
    std::FILE* get() const { return file_; }

  private:
    std::string text_;
    std::FILE* file_;
};

std::vector<InputRow> readAll(const std::string& text, bool* massInput = nullptr,
                              CsvDialect dialect = {}, std::vector<std::string>* extras = nullptr) {
    TextFile file(text);
    CsvReader reader(file.get(), "test.csv", dialect);
    reader.readHeader();
    if (massInput != nullptr) {
        *massInput = reader.massFractionInput();
    }
    if (extras != nullptr) {
        *extras = reader.extraColumns();
    }
    std::vector<InputRow> rows;
    InputRow row;
    while (reader.next(row)) {
        rows.push_back(row);
    }
    return rows;
}

std::string headerError(const std::string& text) {
    TextFile file(text);
    CsvReader reader(file.get(), "test.csv");
    try {
        reader.readHeader();
    } catch (const InputError& e) {
        return e.what();
    }
    return "";
}

TEST(CsvReaderTest, HeaderInAnyOrderWithBlanksCommentsMarkAndLineEnds) {
    const char* texts[] = {
        "T_C,P_bar,x_NaCl\n400,250,0.05\n",
        "\xEF\xBB\xBF# a table\n\n  P_bar ,\tx_NaCl, T_C \r\n250 , 0.05,400\r\n",
        "x_NaCl,T_C,P_bar\n# comment\n\n   \n0.05,400,250",  // no final line end
    };
    for (const char* text : texts) {
        const std::vector<InputRow> rows = readAll(text);
        ASSERT_EQ(rows.size(), 1u) << text;
        EXPECT_TRUE(rows[0].ok()) << rows[0].error;
        EXPECT_EQ(rows[0].temperatureC, 400.0);
        EXPECT_EQ(rows[0].pressureBar, 250.0);
        EXPECT_EQ(rows[0].composition, 0.05);
        EXPECT_EQ(rows[0].massFraction, massFractionFromMoleFraction(0.05));
    }
}

TEST(CsvReaderTest, BadHeadersAreFatalWithAClearMessage) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "no header line"},
        {"# only a comment\n\n", "no header line"},
        {"T_C,P_bar\n", "column x_NaCl is missing"},
        {"T_C,x_NaCl\n", "column P_bar is missing"},
        {"T,P_bar,x_NaCl\n", "test.csv:1: column T_C is missing"},
        {"T,P_bar,x_NaCl\n", "(the header has 'T', 'P_bar', 'x_NaCl')"},
        {"25,1,0.01\n", "column T_C is missing"},
        {"T_C,P_bar,t_c,x_NaCl\n", "column T_C appears twice"},
        {"T_C,P_bar,x_NaCl,X_NACL\n", "column x_NaCl appears twice"},
        {"\n# c\nT_C;P_bar;x_NaCl\n", "test.csv:3: column T_C is missing"},
        {"\n# c\nT_C;P_bar;x_NaCl\n", "for ';' use --delimiter ';'"},
        {"T_C\tP_bar\tx_NaCl\n", "use --delimiter tab"},
        {"T_C,\"P_bar,x_NaCl\n", "cannot read the header: field 2: a quoted field is not closed"},
        {"T_C,\"P_bar\"x,x_NaCl\n", "field 2: text after the closing quote"},
        {std::string(1 << 21, 'T') + "\n", "the header line is longer than 1048576 bytes"},
    };
    for (const auto& [text, message] : cases) {
        const std::string error = headerError(text);
        EXPECT_NE(error.find(message), std::string::npos)
            << "input '" << text << "' gave '" << error << "'";
    }
}

TEST(CsvReaderTest, BadRowsKeepTheirLineNumberAndSayWhy) {
    const std::vector<InputRow> rows = readAll(
        "# points\n"          // 1
        "T_C,P_bar,x_NaCl\n"  // 2
        "25,1,0.01\n"         // 3
        "\n"                  // 4
        "25,abc,0.01\n"       // 5
        "25,1\n"              // 6
        "25,1,0.01,7\n"       // 7
        "# skipped\n"         // 8
        ",1,0.01\n"           // 9
        "25,1,nan\n"          // 10
        "1e400,1,0.01\n"      // 11
        "100, 2 ,0.2\n" +     // 12
        std::string((1 << 20) + 1, '7') +
        ",1,0.01\n"         // 13: one byte over the limit
        "25,\"1\"x,0.01\n"  // 14
        "25,1,\"0.01\n"     // 15, to the end: the quote is never closed, a stray quote
        "26,1,0\n");        // 16: read again as a row
    const std::pair<std::int64_t, const char*> expected[] = {
        {3, ""},
        {5, "P_bar: 'abc' is not a number"},
        {6, "expected 3 values but found 2"},
        {7, "expected 3 values but found 4; the fields past the header's columns: 7"},
        {9, "T_C: the value is missing"},
        {10, "x_NaCl: 'nan' is not a finite number"},
        {11, "T_C: '1e400' is beyond the range of a double"},
        {12, ""},
        {13, "the line is longer than 1048576 bytes, the most a line may hold"},
        {14,
         "field 2: text after the closing quote (a quote inside a quoted field is written "
         "twice: \"\")"},
        {15,
         "field 3: a quoted field is not closed before the end of the input (a stray quote?); "
         "the lines after this one are read again as rows"},
        {16, ""},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].line, expected[i].first);
        EXPECT_EQ(rows[i].error, expected[i].second);
    }
    EXPECT_EQ(rows[7].pressureBar, 2.0);
    // The text of every field of a bad row is kept, for its error row.
    EXPECT_EQ(rows[1].inputText[1], "abc");
    EXPECT_EQ(rows[1].inputText[0], "25");
    EXPECT_EQ(rows[2].inputText[2], "");
    EXPECT_EQ(rows[10].inputText[2], "0.01");
}

// What spreadsheets write: header names in any case with blanks, quoted fields (separators,
// doubled quotes and line breaks inside), other separators, decimal commas, extra columns
// before and after (kept as text, in order), empty rows, CR line ends, and '#' as a sample name
// once the first column is not a number.
TEST(CsvReaderTest, SpreadsheetExportsAreReadAsWritten) {
    struct Case {
        const char* name;
        std::string text;
        CsvDialect dialect;
        std::vector<std::string> extraColumns;
        std::vector<std::int64_t> lines;
        std::vector<std::vector<std::string>> extras;
    };
    const std::string point = "400,250,0.05";
    const Case cases[] = {
        {"case and blanks", "  t_c , P_BAR,\"X_nacl\" \n" + point + "\n", {}, {}, {2}, {{}}},
        {"quoted numbers", "T_C,P_bar,x_NaCl\n\"400\", 250 ,\" 0.05\"\n", {}, {}, {2}, {{}}},
        {"extras around",
         "Sample,T_C,P_bar,x_NaCl,Comment\n#1," + point +
             ",\"a, \"\"b\"\"\"\n"
             "\"S\n2\"," +
             point + ",\n,,,,\n# 3," + point + ",c\n",
         {},
         {"Sample", "Comment"},
         {2, 3, 6},
         {{"#1", "a, \"b\""}, {"S\n2", ""}, {"# 3", "c"}}},
        {"semicolons and decimal commas",
         "T_C;P_bar;x_NaCl;note\r\n400;250;0,05;x,y\r\n",
         {';', ','},
         {"note"},
         {2},
         {{"x,y"}}},
        {"tabs", "T_C\tP_bar\tx_NaCl\t\n400\t 250\t0.05\t\n", {'\t', '.'}, {""}, {2}, {{""}}},
        {"CR line ends", "# c\rT_C,P_bar,x_NaCl\r\r" + point + "\r", {}, {}, {4}, {{}}},
        {"trailing empty columns",
         "T_C,P_bar,x_NaCl,,\n" + point + ",,\n",
         {},
         {"", ""},
         {2},
         {{"", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> extraColumns;
        const std::vector<InputRow> rows = readAll(c.text, nullptr, c.dialect, &extraColumns);
        EXPECT_EQ(extraColumns, c.extraColumns);
        ASSERT_EQ(rows.size(), c.lines.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_TRUE(rows[i].ok()) << rows[i].error;
            EXPECT_EQ(rows[i].line, c.lines[i]);
            EXPECT_EQ(rows[i].temperatureC, 400.0);
            EXPECT_EQ(rows[i].pressureBar, 250.0);
            EXPECT_EQ(rows[i].composition, 0.05);
            EXPECT_EQ(rows[i].extras, c.extras[i]);
        }
    }
}

// A read error of the file is a failure, never the end of the input.
TEST(CsvReaderTest, ReadErrorsAreFailures) {
    std::FILE* folder = std::fopen("/", "r");
    ASSERT_NE(folder, nullptr);
    CsvReader reader(folder, "folder");
    try {
        reader.readHeader();
        ADD_FAILURE() << "no error";
    } catch (const InputError& e) {
        EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos) << e.what();
    }
    std::fclose(folder);
}

// A read error after some lines keeps the rows before it; the record it cuts short is an error
// row, and the failure names the last line read.
TEST(CsvReaderTest, AReadErrorKeepsTheRowsBeforeIt) {
    struct Source {
        std::string text;
        std::size_t given = 0;
    };
    Source source{"T_C,P_bar,x_NaCl\n25,1,0.01\n400,250,0.05\n30,1,0.0"};
    const cookie_io_functions_t functions{
        [](void* cookie, char* buffer, std::size_t size) -> ssize_t {
            auto& s = *static_cast<Source*>(cookie);
            if (s.given == s.text.size()) {
                errno = EIO;
                return -1;
            }
            const std::size_t n = std::min(size, s.text.size() - s.given);
            std::memcpy(buffer, s.text.data() + s.given, n);
            s.given += n;
            return static_cast<ssize_t>(n);
        },
        nullptr, nullptr, nullptr};
    std::FILE* file = ::fopencookie(&source, "r", functions);
    ASSERT_NE(file, nullptr);
    CsvReader reader(file, "<stdin>");
    reader.readHeader();
    std::vector<InputRow> rows;
    for (InputRow row; reader.next(row);) rows.push_back(row);
    std::fclose(file);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].ok() && rows[1].ok());
    EXPECT_EQ(rows[1].temperatureC, 400.0);
    EXPECT_EQ(rows[2].line, 4);
    EXPECT_EQ(rows[2].error,
              "cannot read <stdin> after line 3: Input/output error; the table ends here");
    EXPECT_EQ(reader.readFailure(), "cannot read <stdin> after line 3: Input/output error");
}

TEST(CsvReaderTest, MassFractionsAreConvertedWithTheModelsMolarMasses) {
    bool massInput = false;
    const std::vector<InputRow> rows =
        readAll("T_C,P_bar,w_NaCl\n25,1,0.1\n25,1,0\n25,1,1\n", &massInput);
    EXPECT_TRUE(massInput);
    ASSERT_EQ(rows.size(), 3u);
    // 0.1 g NaCl / 58.443 g/mol against 0.9 g H2O / 18.015 g/mol.
    const double salt = 0.1 / 58.443;
    const double water = 0.9 / 18.015;
    EXPECT_EQ(rows[0].massFraction, 0.1);
    EXPECT_EQ(rows[0].composition, salt / (salt + water));
    EXPECT_NEAR(rows[0].composition, 0.0331156870747, 1e-12);
    EXPECT_EQ(rows[1].composition, 0.0);
    EXPECT_EQ(rows[2].composition, 1.0);
}

}  // namespace
}  // namespace kelvoran
