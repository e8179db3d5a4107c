// osql's printing of result sets, counts and errors, and its batch split.
#include "Batches.h"
#include "ResultFormat.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;

// A result set given in full, as a statement would give it.
class TableResult : public embsql::Result {
public:
    TableResult(std::vector<embsql::Column> columns,
                std::vector<std::vector<std::optional<std::string>>> rows, long long affected = -1)
        : m_columns(std::move(columns)), m_rows(std::move(rows)), m_affected(affected) {}
    const std::vector<embsql::Column>& Columns() const override { return m_columns; }
    bool Next() override { return ++m_at <= m_rows.size(); }
    std::optional<std::string_view> Value(std::size_t i) const override {
        const std::optional<std::string>& v = m_rows.at(m_at - 1).at(i);
        return v ? std::optional<std::string_view>(*v) : std::nullopt;
    }
    long long RowsAffected() const override { return m_affected; }

private:
    std::vector<embsql::Column> m_columns;
    std::vector<std::vector<std::optional<std::string>>> m_rows;
    long long m_affected;
    std::size_t m_at = 0;
};

embsql::Column Text(std::string name, std::size_t length) {
    return {std::move(name), false, length, true};
}
embsql::Column Number(std::string name) {
    return {std::move(name), true, 0, true};
}

Lines Format(embsql::Result& result) {
    Lines lines;
    osql::FormatResult(result, [&lines](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

TEST(FormatTest, ColumnsTakeTheWidestOfHeadingDeclaredWidthAndValues) {
    TableResult result({Text("sDealerId", 4), Number("n"), Text("sMessage", 0)},
                       {{"G001", "7", "short"}, {"C000001", std::nullopt, "a longer message"}});
    EXPECT_EQ(Format(result), (Lines{
                                  " sDealerId n           sMessage        ",
                                  " --------- ----------- ----------------",
                                  " G001                7 short           ",
                                  " C000001   NULL        a longer message",
                                  "",
                                  "(2 rows affected)",
                              }));
}

// The same rows, with the extents a procedure's result knows beforehand.
class KnownResult : public TableResult {
public:
    KnownResult(std::vector<embsql::Column> columns,
                std::vector<std::vector<std::optional<std::string>>> rows, const Lines* printed)
        : TableResult(columns, rows), m_printed(printed) {
        m_extents.resize(columns.size());
        for (const auto& row : rows)
            for (std::size_t i = 0; i < row.size(); ++i) {
                m_extents[i].longest = std::max(m_extents[i].longest, row[i].value_or("").size());
                m_extents[i].anyNull = m_extents[i].anyNull || !row[i];
            }
    }
    const std::vector<embsql::ValueExtent>* Extents() const override { return &m_extents; }
    bool Next() override {
        linesAtNext.push_back(m_printed->size());
        return TableResult::Next();
    }
    std::vector<std::size_t> linesAtNext;

private:
    std::vector<embsql::ValueExtent> m_extents;
    const Lines* m_printed;
};

TEST(FormatTest, AResultThatKnowsItsExtentsIsPrintedAsItIsRead) {
    const std::vector<embsql::Column> columns = {Text("sDealerId", 4), Number("n"),
                                                 Text("sMessage", 0)};
    const std::vector<std::vector<std::optional<std::string>>> rows = {
        {"G001", "7", "short"},
        {std::nullopt, std::nullopt, "a longer message"},
        {"C9", "-12", ""}};
    TableResult unknown(columns, rows);
    Lines printed;
    KnownResult known(columns, rows, &printed);
    osql::FormatResult(known, [&printed](std::string_view line) { printed.emplace_back(line); });
    EXPECT_EQ(printed, Format(unknown));
    // Headings and dashes, then each row before the next is read.
    EXPECT_EQ(known.linesAtNext, (std::vector<std::size_t>{2, 3, 4, 5}));
}

TEST(FormatTest, RowCountsAndBareCounts) {
    TableResult one({Text("a", 1)}, {{"x"}});
    EXPECT_EQ(Format(one).back(), "(1 row affected)");
    TableResult none({Text("a", 3)}, {});
    EXPECT_EQ(Format(none), (Lines{" a  ", " ---", "", "(0 rows affected)"}));
    TableResult updated({}, {}, 3);
    EXPECT_EQ(Format(updated), Lines{"(3 rows affected)"});
    TableResult truncated({}, {}, -1);
    EXPECT_TRUE(Format(truncated).empty()) << "a statement that counts nothing prints nothing";
}

TEST(FormatTest, ErrorsAsTheServerAndTheClientReportThem) {
    const struct {
        embsql::Error error;
        Lines lines;
    } cases[] = {
        {embsql::Error("28000", 18456, "Login failed for user 'u1'."),
         {"Msg 18456, Level 14, State 1, Server SRV1, Line 1", "Login failed for user 'u1'."}},
        {embsql::Error("42S02", 208, "Invalid object name 'x'."),
         {"Msg 208, Level 16, State 1, Server SRV1, Line 1", "Invalid object name 'x'."}},
        {embsql::Error("42000", 4060, "Cannot open database \"D\".", 11),
         {"Msg 4060, Level 11, State 1, Server SRV1, Line 1", "Cannot open database \"D\"."}},
        {embsql::Error("08001", 53, "Server 'SRV1' was not found."),
         {"[Embedded]Server 'SRV1' was not found."}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(osql::FormatError(c.error, "SRV1"), c.lines) << c.error.what();
}

TEST(BatchesTest, SplitAtGoLines) {
    const struct {
        const char* script;
        Lines batches;
    } cases[] = {
        {"select 1\ngo\nselect 2\n", {"select 1", "select 2"}},
        {"select 1\r\n  GO  \r\nselect\r\n 2", {"select 1", "select\n 2"}},
        {"go\n\ngo\n   \n", {}},
        {"select 1\nexit\nselect 2\n", {"select 1"}},
        {"select 'go'\ngone\nQUIT\n", {"select 'go'\ngone"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(osql::SplitBatches(c.script), c.batches) << c.script;
}

} // namespace
