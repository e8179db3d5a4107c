// osql's printing of results and errors.
#include "ResultFormat.h"

#include <algorithm>
#include <optional>

namespace osql {
namespace {

constexpr std::size_t kIntegerWidth = 11; // an int's widest text: -2147483648
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

void FormatResult(embsql::Result& result, std::vector<std::string>& lines) {
    const std::vector<embsql::Column>& columns = result.Columns();
    if (columns.empty()) {
        if (result.RowsAffected() >= 0)
            lines.push_back(RowsAffected(result.RowsAffected()));
        return;
    }
    // Widths depend on every value, so the rows are read in full first.
    std::vector<std::size_t> widths;
    for (const embsql::Column& column : columns)
        widths.push_back(
            std::max(column.name.size(), column.isInteger ? kIntegerWidth : column.maxLength));
    std::vector<std::optional<std::string>> cells;
    long long rows = 0;
    while (result.Next()) {
        ++rows;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            std::optional<std::string_view> value = result.Value(i);
            widths[i] = std::max(widths[i], value ? value->size() : kNull.size());
            cells.emplace_back(value ? std::optional<std::string>(*value) : std::nullopt);
        }
    }

    std::string heading, dashes;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        AppendCell(heading, columns[i].name, widths[i], false);
        dashes += ' ';
        dashes.append(widths[i], '-');
    }
    lines.push_back(std::move(heading));
    lines.push_back(std::move(dashes));
    for (std::size_t at = 0; at < cells.size(); at += columns.size()) {
        std::string line;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const std::optional<std::string>& cell = cells[at + i];
            AppendCell(line, cell ? std::string_view(*cell) : kNull, widths[i],
                       columns[i].isInteger && cell);
        }
        lines.push_back(std::move(line));
    }
    lines.emplace_back();
    lines.push_back(RowsAffected(rows));
}

std::vector<std::string> FormatError(const embsql::Error& error, std::string_view server) {
    // Connection failures come from the client side, not the server, and
    // carry no message number there.
    if (error.SqlState().rfind("08", 0) == 0)
        return {"[Embedded]" + std::string(error.what())};
    int level = error.Severity();
    if (error.NativeError() == 18456)
        level = 14; // the server reports failed logins at this level
    return {"Msg " + std::to_string(error.NativeError()) + ", Level " + std::to_string(level) +
                ", State 1, Server " + std::string(server) + ", Line 1",
            error.what()};
}

std::string_view CutToWidth(std::string_view line, std::size_t width) {
    return line.size() > width ? line.substr(0, width) : line;
}

} // namespace osql
