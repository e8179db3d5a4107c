// osql's printing of results and errors.
#include "ResultFormat.h"

#include "toolargs/Driver.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace osql {
namespace {

constexpr std::size_t kIntegerWidth = 11;    // an int's widest text: -2147483648
constexpr std::size_t kBigIntegerWidth = 20; // a bigint's: -9223372036854775808
constexpr std::string_view kNull = "NULL";

void AppendCell(std::string& line, std::string_view text, std::size_t width, bool right) {
    line += ' ';
    const std::size_t pad = width > text.size() ? width - text.size() : 0;
    if (right)
        line.append(pad, ' ');
    line += text;
    if (!right)
        line.append(pad, ' ');
}

} // namespace

std::string RowsAffected(long long rows) {
    return rows == 1 ? "(1 row affected)" : "(" + std::to_string(rows) + " rows affected)";
}

void FormatResult(embsql::Result& result, const LineSink& line) {
    const std::vector<embsql::Column>& columns = result.Columns();
    if (columns.empty()) {
        if (result.RowsAffected() >= 0)
            line(RowsAffected(result.RowsAffected()));
        return;
    }
    // Widths depend on every value: a result that does not know them yet is
    // read into a spool first.
    std::unique_ptr<embsql::Result> spooled;
    if (result.Extents() == nullptr)
        spooled = embsql::Spool(result);
    embsql::Result& rows = spooled ? *spooled : result;
    const std::vector<embsql::ValueExtent>& extents = *rows.Extents();
    std::vector<std::size_t> widths;
    for (std::size_t i = 0; i < columns.size(); ++i)
        widths.push_back(std::max({columns[i].name.size(),
                                   !columns[i].isInteger ? columns[i].maxLength
                                   : columns[i].isBig    ? kBigIntegerWidth
                                                         : kIntegerWidth,
                                   extents[i].longest, extents[i].anyNull ? kNull.size() : 0}));

    std::string text;
    std::string dashes;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        AppendCell(text, columns[i].name, widths[i], false);
        dashes += ' ';
        dashes.append(widths[i], '-');
    }
    line(text);
    line(dashes);
    long long count = 0;
    while (rows.Next()) {
        ++count;
        text.clear();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::optional<std::string_view> cell = rows.Value(i);
            AppendCell(text, cell.value_or(kNull), widths[i], columns[i].isInteger && cell);
        }
        line(text);
    }
    line("");
    line(RowsAffected(count));
}

namespace {

std::vector<std::string> MsgBlock(int number, int level, std::string_view server,
                                  const std::string& text) {
    return {"Msg " + std::to_string(number) + ", Level " + std::to_string(level) +
                ", State 1, Server " + std::string(server) + ", Line 1",
            text};
}

// A driver's failure: each of the server's messages as a block; without
// one, the driver's own messages as it wrote them.
std::vector<std::string> FormatDriverError(const tooldriver::DriverError& error,
                                           std::string_view server) {
    std::vector<std::string> lines;
    for (const tooldriver::Diagnostic& d : error.Records()) {
        if (d.FromServer()) {
            for (std::string& line : MsgBlock(d.nativeError, d.Level(), server, d.ServerText()))
                lines.push_back(std::move(line));
        } else if (!error.FromServer()) {
            lines.push_back(d.text);
        }
    }
    return lines;
}

} // namespace

std::vector<std::string> FormatError(const embsql::Error& error, std::string_view server) {
    if (const auto* driver = dynamic_cast<const tooldriver::DriverError*>(&error))
        return FormatDriverError(*driver, server);
    // Connection failures come from the client side, not the server, and
    // carry no message number there.
    if (error.SqlState().rfind("08", 0) == 0)
        return {"[Embedded]" + std::string(error.what())};
    int level = error.Severity();
    if (error.NativeError() == 18456)
        level = 14; // the server reports failed logins at this level
    return MsgBlock(error.NativeError(), level, server, error.what());
}

std::string_view CutToWidth(std::string_view line, std::size_t width) {
    return line.size() > width ? line.substr(0, width) : line;
}

} // namespace osql
