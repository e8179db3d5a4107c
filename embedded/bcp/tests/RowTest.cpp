// bcp's pieces without a database: its command line, terminators, the
// reading of rows and their split into fields.
#include "BcpSettings.h"
#include "RowCheck.h"
#include "RowReader.h"
#include "support/TempDir.h"
#include "toolargs/Options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using Values = std::vector<std::optional<std::string>>;

TEST(BcpSettingsTest, TheProgramsCommandLine) {
    const bcp::Settings s = bcp::ParseSettings(
        {"DB1..tbl_ConvertSolvaneToOrbelle", "in", "/home/op/my files/in.csv", "-Uu1", "-Ppw",
         "-SSRV1", "-t,", "-c", "-o", "/home/op/out.log", "-e", "/home/op/err.log"});
    EXPECT_EQ(s.database, "DB1");
    EXPECT_EQ(s.table, "tbl_ConvertSolvaneToOrbelle");
    EXPECT_EQ(s.file, "/home/op/my files/in.csv");
    EXPECT_EQ(s.login, "u1");
    EXPECT_EQ(s.password, "pw");
    EXPECT_EQ(s.server, "SRV1");
    EXPECT_EQ(s.fieldTerminator, ",");
    EXPECT_EQ(s.rowTerminator, "\n");
    EXPECT_EQ(s.output, "/home/op/out.log");
    EXPECT_EQ(s.errors, "/home/op/err.log");
    EXPECT_EQ(s.maxErrors, 10);
    EXPECT_EQ(s.firstRow, 1);
    EXPECT_EQ(s.lastRow, 0);
    EXPECT_EQ(s.batchSize, 0);
}

TEST(BcpSettingsTest, TargetsAndNumbers) {
    const bcp::Settings owner =
        bcp::ParseSettings({"DB1.dbo.T", "in", "f", "-Uu", "-m", "0", "-F2", "-L", "9", "-b5"});
    EXPECT_EQ(owner.database, "DB1");
    EXPECT_EQ(owner.table, "T");
    EXPECT_EQ(owner.maxErrors, 0);
    EXPECT_EQ(owner.firstRow, 2);
    EXPECT_EQ(owner.lastRow, 9);
    EXPECT_EQ(owner.batchSize, 5);
    EXPECT_EQ(bcp::ParseSettings({"T", "in", "f", "-Uu", "-dDB2"}).database, "DB2");
    EXPECT_EQ(bcp::ParseSettings({"dbo.T", "IN", "f", "-Uu", "-d", "DB2"}).table, "T");
    EXPECT_EQ(bcp::ParseSettings({"DB1..T", "in", "f", "-Uu", "-dDB1"}).database, "DB1");
}

TEST(BcpSettingsTest, DatabaseNamesWithDotsBlanksOrBrackets) {
    const struct {
        const char* target;
        const char* database;
        const char* table;
    } cases[] = {
        {"Dealer.DB..tbl_ConvertSolvaneToOrbelle", "Dealer.DB", "tbl_ConvertSolvaneToOrbelle"},
        {"Dealer DB..T", "Dealer DB", "T"},
        {"a.b.c..T", "a.b.c", "T"},
        {"[Dealer DB]..T", "Dealer DB", "T"},
        {"[Dealer.DB].dbo.[T]", "Dealer.DB", "T"},
        {"\"Dealer..DB\"..T", "Dealer..DB", "T"},
        {"[a]]b]..[c.d]", "a]b", "c.d"},
        {"[DB1]..T", "DB1", "T"},
        {"[[x]]]..T", "[x]", "T"}, // as the program brackets a name holding brackets
    };
    for (const auto& c : cases) {
        const bcp::Settings s = bcp::ParseSettings({c.target, "in", "f", "-Uu"});
        EXPECT_EQ(s.database, c.database) << c.target;
        EXPECT_EQ(s.table, c.table) << c.target;
    }
    for (const char* bad : {"[Dealer DB..T", "a.b.c.T", "[DB]x..T", "Dealer.DB..", "\"DB..T"})
        EXPECT_THROW(bcp::ParseSettings({bad, "in", "f", "-Uu"}), toolargs::UsageError) << bad;
}

TEST(BcpSettingsTest, RefusedCommandLines) {
    const std::vector<std::string> cases[] = {
        {"DB1..T", "out", "f", "-Uu"},          // copies out are not offered
        {"DB1..T", "in", "-Uu"},                // no data file
        {"DB1..T", "in", "f", "extra", "-Uu"},  // one argument too many
        {"T", "in", "f", "-Uu"},                // no database
        {"DB1..T", "in", "f", "-Uu", "-dDB2"},  // two databases
        {"DB1..", "in", "f", "-Uu"},            // no table
        {"a.b.c.d", "in", "f", "-Uu"},          // four parts
        {"DB1..T", "in", "f"},                  // no login
        {"DB1..T", "in", "f", "-Uu", "-n"},     // native mode
        {"DB1..T", "in", "f", "-Uu", "-t", ""}, // empty terminator
        {"DB1..T", "in", "f", "-Uu", "-b0"},    // empty batches
        {"DB1..T", "in", "f", "-Uu", "-F0"},    // rows count from 1
        {"DB1..T", "in", "f", "-Uu", "-F5", "-L4"},
        {"DB1..T", "in", "f", "-Uu", "-m-1"},
    };
    for (const auto& args : cases)
        EXPECT_THROW(bcp::ParseSettings(args), toolargs::UsageError) << args.back();
    EXPECT_TRUE(bcp::ParseSettings({"-?"}).help);
}

TEST(BcpSettingsTest, TerminatorEscapes) {
    const std::pair<const char*, std::string> cases[] = {
        {",", ","},      {"\\t", "\t"},      {"\\n", "\n"},      {"\\r\\n", "\r\n"},
        {"\\0", {'\0'}}, {"\\\\", "\\"},     {"|\\x|", "|\\x|"}, {"end\\", "end\\"},
        {"~~", "~~"},    {"\\t\\t", "\t\t"},
    };
    for (const auto& [text, decoded] : cases)
        EXPECT_EQ(bcp::DecodeTerminator(text), decoded) << text;
}

TEST(SplitRowTest, FieldsCountsAndNulls) {
    const struct {
        const char* row;
        const char* terminator;
        std::size_t columns;
        Values values;      // when the row fits
        std::size_t column; // the problem's column otherwise (0: none)
    } cases[] = {
        {"G001,C1", ",", 2, {"G001", "C1"}, 0},
        {",C1", ",", 2, {std::nullopt, "C1"}, 0},
        {"G001,", ",", 2, {"G001", std::nullopt}, 0},
        {"a||b||c", "||", 3, {"a", "b", "c"}, 0},
        {"a|b", "||", 2, {}, 2},
        {"G001", ",", 2, {}, 2},
        {"", ",", 2, {}, 2},
        {"G001,C1,x", ",", 2, {}, 3},
        {"a,b,c,d", ",", 2, {}, 3},
        {"one", ",", 1, {"one"}, 0},
    };
    for (const auto& c : cases) {
        Values values = {std::string("stale"), std::string("stale")};
        const std::optional<bcp::RowProblem> problem =
            bcp::SplitRow(c.row, c.terminator, c.columns, values);
        if (c.column == 0) {
            EXPECT_FALSE(problem) << c.row << ": " << problem->message;
            EXPECT_EQ(values, c.values) << c.row;
        } else {
            ASSERT_TRUE(problem) << c.row;
            EXPECT_EQ(problem->column, c.column) << c.row;
            EXPECT_EQ(problem->message.rfind("The row has ", 0), 0u) << problem->message;
        }
    }
}

class RowReaderTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(m_path); }
    std::vector<std::string> Rows(const std::string& text, const std::string& terminator) {
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << text;
        bcp::RowReader reader(m_path, terminator);
        std::vector<std::string> rows;
        std::string_view row;
        while (reader.Next(row))
            rows.emplace_back(row);
        return rows;
    }
    testing_support::TempDir m_dir;
    std::string m_path = (m_dir / "rows.txt").string();
};

TEST_F(RowReaderTest, RowsEndAtTheTerminator) {
    using R = std::vector<std::string>;
    EXPECT_EQ(Rows("a,b\r\nc,d\r\n", "\n"), (R{"a,b", "c,d"})) << "Windows line ends";
    EXPECT_EQ(Rows("a,b\nc,d", "\n"), (R{"a,b", "c,d"})) << "no line end after the last row";
    EXPECT_EQ(Rows("a\n\nb\n", "\n"), (R{"a", "", "b"})) << "a blank line is a row";
    EXPECT_EQ(Rows("", "\n"), R{});
    EXPECT_EQ(Rows("\n", "\n"), R{""});
    EXPECT_EQ(Rows("a\r|b\r|", "|"), (R{"a\r", "b\r"})) << "CR is dropped only before LF";
    EXPECT_EQ(Rows("a\r\nb", "\r\n"), (R{"a", "b"}));
    EXPECT_EQ(Rows("x~~y~~", "~~"), (R{"x", "y"}));
}

TEST_F(RowReaderTest, ALeadingUtf8ByteOrderMarkIsSkipped) {
    using R = std::vector<std::string>;
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(Rows(bom + "G001,C1\r\nG001,C2\r\n", "\n"), (R{"G001,C1", "G001,C2"}));
    EXPECT_EQ(Rows(bom, "\n"), R{}) << "a mark alone is an empty file";
    EXPECT_EQ(Rows(bom + "\n", "\n"), R{""});
    EXPECT_EQ(Rows(bom + bom + "a\n", "\n"), R{bom + "a"}) << "only the first mark is skipped";
    EXPECT_EQ(Rows("a\n" + bom + "b\n", "\n"), (R{"a", bom + "b"})) << "a mark later is data";
    EXPECT_EQ(Rows("\xEF\xBB", "\n"), R{"\xEF\xBB"}) << "part of a mark is data";
}

TEST_F(RowReaderTest, ATerminatorAcrossTwoReadsIsFound) {
    // The reader takes 1 MiB at a time; put a two-byte terminator across
    // that boundary, and rows long enough to need several reads.
    const std::size_t chunk = 1 << 20;
    const std::string first(chunk - 1, 'a');
    const std::string second(chunk + 10, 'b');
    EXPECT_EQ(Rows(first + "~~" + second + "~~c", "~~"),
              (std::vector<std::string>{first, second, "c"}));
}

TEST_F(RowReaderTest, AMissingFileOrAFolderIsRefused) {
    EXPECT_THROW(bcp::RowReader("/nonexistent/bcp/file.csv", "\n"), std::runtime_error);
    EXPECT_THROW(bcp::RowReader(m_dir.path().string(), "\n"), std::runtime_error);
}

} // namespace
