// How osql prints what a statement gives: result sets as padded columns
// under headings and dashes with a row count, counts of affected rows, and
// server errors as "Msg" blocks.
#pragma once

#include "embsql/Engine.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace osql {

// Receives osql's lines one at a time, without line ends.
using LineSink = std::function<void(std::string_view line)>;

// Gives the lines of one result to `line`. A result set gives the headings,
// a line of dashes, its rows, a blank line and "(N rows affected)"; a bare
// count gives "(N rows affected)"; a statement that counts nothing gives no
// line. Each column takes the widest of its heading, its declared width (11
// for whole numbers, 20 for big ones) and its values; numbers are right-aligned, text
// left-aligned, NULL spelt "NULL". Rows go out as they are read when the
// result knows its values' extents before its rows (a procedure's result);
// otherwise they are first spooled to a temporary file to learn them, so
// that no result is held in memory. Throws what the result's Next() throws,
// before any line of that result.
void FormatResult(embsql::Result& result, const LineSink& line);

// "(1 row affected)" or "(N rows affected)".
std::string RowsAffected(long long rows);

// The lines osql prints for a database error on server `server`: a server
// message as "Msg N, Level L, State 1, Server S, Line 1" and its text; a
// failure to reach the server as its text behind "[Embedded]", or through
// a driver as the driver wrote it (a driver's failure may hold several
// server messages: a block each).
std::vector<std::string> FormatError(const embsql::Error& error, std::string_view server);

// The line cut to `width` characters (bytes; the tools' text is single-byte).
std::string_view CutToWidth(std::string_view line, std::size_t width);

} // namespace osql
