#include <gtest/gtest.h>

#include <cstdio>
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

std::vector<InputRow> readAll(const std::string& text, bool* massInput = nullptr) {
    TextFile file(text);
    CsvReader reader(file.get(), "test.csv");
    reader.readHeader();
    if (massInput != nullptr) {
        *massInput = reader.massFractionInput();
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
    const std::pair<const char*, const char*> cases[] = {
        {"", "no header line"},
        {"# only a comment\n\n", "no header line"},
        {"T_C,P_bar\n", "column x_NaCl is missing"},
        {"T_C,x_NaCl\n", "column P_bar is missing"},
        {"T,P_bar,x_NaCl\n", "test.csv:1: unknown column 'T'"},
        {"25,1,0.01\n", "unknown column '25'"},
        {"T_C,P_bar,x_NaCl,\n", "unknown column ''"},
        {"t_c,P_bar,x_NaCl\n", "unknown column 't_c'"},
        {"T_C,P_bar,T_C,x_NaCl\n", "column T_C appears twice"},
        {"T_C,P_bar,x_NaCl,w_NaCl\n", "not both"},
        {"\n# c\nT_C;P_bar;x_NaCl\n", "test.csv:3: unknown column 'T_C;P_bar;x_NaCl'"},
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
        "100, 2 ,0.2\n");     // 12
    const std::pair<std::int64_t, const char*> expected[] = {
        {3, ""},
        {5, "P_bar: 'abc' is not a number"},
        {6, "expected 3 values but found 2"},
        {7, "expected 3 values but found 4"},
        {9, "T_C: the value is missing"},
        {10, "x_NaCl: 'nan' is not a finite number"},
        {11, "T_C: '1e400' is beyond the range of a double"},
        {12, ""},
    };
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].line, expected[i].first);
        EXPECT_EQ(rows[i].error, expected[i].second);
    }
    EXPECT_EQ(rows.back().pressureBar, 2.0);
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
