// Turning one row of a data file into the values of a table's columns: the
// field split and count, and the column checks that reject a row before it
// is sent.
#pragma once

#include "CopyTarget.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bcp {

// Why a row cannot be copied: the 1-based column (for a field count, the
// first column without a field or the first field without a column) and
// the message, as the error file shows them.
struct RowProblem {
    std::size_t column = 0;
    std::string sqlState;
    std::string message;
};

// Splits `row` at `terminator` into `values` (resized to `columns`; an empty
// field is NULL). Returns the problem when the row has another number of
// fields than the table has columns, otherwise nullopt.
std::optional<RowProblem> SplitRow(std::string_view row, std::string_view terminator,
                                   std::size_t columns,
                                   std::vector<std::optional<std::string>>& values);

// The first value that does not fit its column of `table`, or nullopt.
std::optional<RowProblem> CheckRow(const CopyTarget& table,
                                   const std::vector<std::optional<std::string>>& values);

} // namespace bcp
