// A statement handle: runs a statement on the engine, walks its results,
// describes their columns and moves rows into bound or SQLGetData buffers.
#pragma once

#include "Convert.h"
#include "Handles.h"
#include "Parameters.h"
#include "StatementAttributes.h"

#include "embsql/Engine.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace embodbc {

class Connection;

// One column bound with SQLBindCol.
struct Binding {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLPOINTER data = nullptr;
    SQLLEN capacity = 0;
    SQLLEN* lengthOrIndicator = nullptr;
    bool IsBound() const { return data != nullptr || lengthOrIndicator != nullptr; }
};

class Statement : public HandleBase {
public:
    static constexpr HandleKind kKind = HandleKind::Statement;
    explicit Statement(Connection& connection);
    ~Statement() override;

    Connection& connection;
    StatementAttributes attrs;
    Descriptor appRowDesc{*this};
    Descriptor appParamDesc{*this};
    Descriptor impRowDesc{*this};
    Descriptor impParamDesc{*this};

    // Keeps the text for SQLExecute. Throws 24000 with an open cursor.
    void Prepare(std::string text);
    // Runs the prepared text, its parameter markers taking the values the
    // bound parameters hold now. SQL_NO_DATA (ODBC 3) when a searched change
    // touched no row. Throws HY010 when nothing is prepared, 24000 with an
    // open cursor, 07002 when a marker has no bound parameter, the errors of
    // ReadParameter, and the engine's errors.
    SQLRETURN Execute();
    SQLRETURN ExecDirect(std::string text);

    // Binds (or rebinds) input parameter `number` (1-based) for the
    // statements this handle runs. Throws 07009 for number 0 and the errors
    // of CheckBinding.
    void BindParameter(SQLUSMALLINT number, SQLSMALLINT ioType, const ParamBinding& binding);
    void ResetParameters() { m_params.clear(); }
    // The parameter markers of the text prepared or run last. Throws HY010
    // when there is none, and the engine's errors for text it cannot read.
    SQLSMALLINT ParameterCount() const;
    // Moves to the next result; SQL_NO_DATA when there is none.
    SQLRETURN MoreResults();
    // Drops the current and all pending results. With `mustBeOpen`, throws
    // 24000 when no cursor is open (SQLCloseCursor).
    void CloseCursor(bool mustBeOpen);
    bool HasCursor() const;

    // Columns of the current result (0 when it has none). A prepared select
    // that has not run yet is run here so that it can be described.
    SQLSMALLINT ColumnCount();
    // Column `number` (1-based); throws 07009 when out of range.
    const embsql::Column& ColumnAt(SQLUSMALLINT number);
    // Rows the current result changed; -1 for a result set or no result.
    SQLLEN RowCount() const;

    // Binds (or, with no buffer and no indicator, unbinds) a column.
    // Throws 07009 for column 0 (bookmarks are not offered), HY090 for a
    // negative buffer length, HY003 for an unknown C type.
    void Bind(SQLUSMALLINT column, const Binding& binding);
    void UnbindAll() { m_bindings.clear(); }

    // Fetches up to `rows` rows forward into the bound columns. Fills
    // `status` (one entry per row of the rowset) and `fetched` when given.
    // SQL_NO_DATA at the end; throws 24000 without a result set.
    SQLRETURN Fetch(SQLULEN rows, SQLUSMALLINT* status, SQLULEN* fetched);
    // Reads column `column` of the current row into `target`, in pieces for
    // text. Throws 24000 without a current row, 07009 for a bad column,
    // HYC00 after a multi-row fetch.
    SQLRETURN GetData(SQLUSMALLINT column, const Target& target);

    // The number of the current row in its result set (0 when none).
    SQLULEN RowNumber() const { return m_onRow ? m_rowNumber : 0; }

private:
    embsql::Result* Current() const;
    // The values for the first `markers` parameters.
    std::vector<embsql::ParamValue> ParameterValues(std::size_t markers) const;
    SQLRETURN Run(std::string_view text, const std::vector<embsql::ParamValue>& params);
    SQLRETURN Start();
    SQLRETURN StoreRow(std::size_t row);
    void ResetRowState();

    std::string m_text;
    bool m_prepared = false;
    bool m_hasText = false;       // a text was prepared or run
    bool m_executed = false;      // the text has run and its results are here
    bool m_ranEarly = false;      // a prepared select already run to describe it
    bool m_earlyReusable = false; // ...and its results stand for SQLExecute's
    std::vector<std::unique_ptr<embsql::Result>> m_results;
    std::size_t m_current = 0;
    bool m_onRow = false;     // a row is current
    bool m_exhausted = false; // the current result set has no more rows
    bool m_blockFetched = false;
    SQLULEN m_rowNumber = 0;
    std::vector<Binding> m_bindings;                   // by column number - 1
    std::vector<std::optional<ParamBinding>> m_params; // by parameter number - 1
    SQLUSMALLINT m_pieceColumn = 0;
    Piece m_piece;
};

} // namespace embodbc
