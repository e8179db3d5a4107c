// Splitting and checking the rows of a data file.
#include "RowCheck.h"

namespace bcp {
namespace {

std::string Plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace

std::optional<RowProblem> SplitRow(std::string_view row, std::string_view terminator,
                                   std::size_t columns,
                                   std::vector<std::optional<std::string>>& values) {
    values.resize(columns);
    std::size_t fields = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = row.find(terminator, start);
        const std::string_view field =
            row.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (fields < columns) {
            // Assigning keeps each value's storage from row to row.
            std::optional<std::string>& value = values[fields];
            if (field.empty())
                value.reset();
            else if (value)
                value->assign(field);
            else
                value.emplace(field);
        }
        ++fields;
        if (end == std::string_view::npos)
            break;
        start = end + terminator.size();
    }
    if (fields == columns)
        return std::nullopt;
    return RowProblem{std::min(fields, columns) + 1, "S1000",
                      "The row has " + Plural(fields, "field") + "; the table has " +
                          Plural(columns, "column") + "."};
}

std::optional<RowProblem> CheckRow(const CopyTarget& table,
                                   const std::vector<std::optional<std::string>>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        if (std::optional<embsql::Error> error = table.CheckValue(i, values[i]))
            return RowProblem{i + 1, error->SqlState(), error->what()};
    return std::nullopt;
}

} // namespace bcp
