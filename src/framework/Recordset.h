// CRecordset: one statement's result set on a CDatabase, read through columns
// bound by field exchange (CFieldExchange, RFX_Text), from the driver's cursor
// or from the recordset's own snapshot.
#pragma once

#include "framework/Database.h"
#include "framework/OdbcHandle.h"
#include "framework/SnapshotRows.h"
#include "framework/Win32Types.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CRecordset;

// Carries one pass of a recordset's DoFieldExchange: naming the columns,
// binding them, or copying a fetched row into the members.
class CFieldExchange {
public:
    enum FieldType { noFieldType = -1, outputColumn = 0, param = 1 };
    enum Operation { Name, BindFieldToColumn, Fixup };

    CFieldExchange(Operation nOperation, CRecordset* prs) : m_nOperation(nOperation), m_prs(prs) {}

    // Declares the kind of the fields that follow. Only output columns are
    // supported; a parameter field makes the exchange throw CDBException.
    void SetFieldType(int nFieldType) { m_nFieldType = nFieldType; }

    // The exchange of one text field; RFX_Text calls it.
    void ExchangeText(const char* szName, std::string& value, int nMaxLength);

    Operation m_nOperation;
    CRecordset* m_prs;
    int m_nFieldType = noFieldType;
    // Output fields exchanged so far in this pass.
    int m_nFields = 0;
    // The Name pass collects "name1,name2,..." here.
    std::string m_strColumns;
};

// Binds `value` to the next output column: the first declared field receives
// result column 1, whatever its name. Text longer than `nMaxLength` bytes is
// cut there (at a character boundary); NULL gives empty text. `nColumnType` and
// `nScale` describe the column and only matter for parameters.
void RFX_Text(CFieldExchange* pFX, const char* szName, std::string& value, int nMaxLength = 255,
              int nColumnType = SQL_VARCHAR, short nScale = 0);

class CRecordset {
public:
    enum OpenType { dynaset = 0, snapshot = 1, dynamic = 2, forwardOnly = 3 };
    enum OpenOptions { none = 0x0, readOnly = 0x0004, executeDirect = 0x2000 };

    explicit CRecordset(CDatabase* pDatabase = nullptr) : m_pDatabase(pDatabase) {}
    // Closes the recordset if it is still open. Never throws.
    virtual ~CRecordset();

    CRecordset(const CRecordset&) = delete;
    CRecordset& operator=(const CRecordset&) = delete;

    // Runs `lpszSQL` (GetDefaultSQL() when null) and positions on its first row;
    // IsEOF() is TRUE when there is none. A statement that starts with "select"
    // or "{call" runs exactly as it stands; any other text names a table, read as
    // "SELECT <bound columns> FROM <text>". Results that are row counts are
    // skipped up to the first result set. An open recordset is closed first.
    // On a database opened with the cursor library, every open type gives a
    // read-only snapshot: the whole result is read here, in blocks of rows, and
    // kept compactly in memory until Close; the driver's statement is released
    // at once, later changes to the data do not show, and a driver error in any
    // row is thrown here. Otherwise the driver's cursor of the open type is read
    // a block at a time as the recordset moves.
    // Returns TRUE. Throws CDBException when the connection is not open (no
    // connection of its own is attempted), for an unknown open type or option, a
    // field count that disagrees with m_nFields, and for any driver error; the
    // recordset is then closed.
    virtual BOOL Open(UINT nOpenType = snapshot, const char* lpszSQL = nullptr,
                      DWORD dwOptions = 0);
    // Releases the statement. Closing a closed recordset does nothing. Never throws.
    virtual void Close();

    BOOL IsOpen() const { return m_bOpen ? TRUE : FALSE; }
    // TRUE past the last row, for an empty result and for a closed recordset.
    BOOL IsEOF() const { return (!m_bOpen || m_bEOF) ? TRUE : FALSE; }
    // Moves to the next row and copies it into the bound members; past the last
    // row IsEOF() becomes TRUE and the members keep the last row. Throws
    // CDBException on a driver error, when the recordset is closed or already
    // past its end.
    void MoveNext();

    // The statement last sent to the driver.
    const std::string& GetSQL() const { return m_strSQL; }
    // The memory the recordset's own snapshot takes; 0 without one.
    std::size_t GetSnapshotBytes() const { return m_snapshot ? m_snapshot->Bytes() : 0; }

    virtual std::string GetDefaultConnect() { return "ODBC;"; }
    virtual std::string GetDefaultSQL() { return {}; }
    // Declares the bound fields, in result-column order.
    virtual void DoFieldExchange(CFieldExchange* /*pFX*/) {}

    // Whether `sql` runs as it stands rather than naming a table.
    static bool IsDirectStatement(std::string_view sql);

    CDatabase* m_pDatabase;
    int m_nFields = 0;
    int m_nParams = 0;
    int m_nDefaultType = snapshot;

private:
    friend class CFieldExchange;

    // One bound column: a block's worth of cells of maxLength + 1 bytes each,
    // and their length indicators.
    struct BoundColumn {
        int maxLength = 0;
        std::vector<char> cells;
        std::vector<SQLLEN> indicators;
    };

    void Execute(UINT nOpenType, bool ownSnapshot);
    void BindColumns();
    // Fetches the next block of rows; false when the result has no more.
    bool FetchBlock();
    // Points m_row at the next row, from the snapshot or the fetched block;
    // false past the last row.
    bool NextRow();
    void ReadSnapshot();
    // Moves to the next row and fills the members, or sets m_bEOF.
    void Advance();

    OdbcHandle m_hstmt;
    bool m_bOpen = false;
    bool m_bEOF = true;
    std::string m_strSQL;
    // Sized once per open before binding, so the driver's buffer addresses hold.
    std::vector<BoundColumn> m_columns;
    std::vector<SQLUSMALLINT> m_rowStatus;
    SQLULEN m_blockRows = 0;
    SQLULEN m_nextBlockRow = 0;
    // The result as read when the recordset opened, when it keeps its own.
    std::unique_ptr<fw::SnapshotRows> m_snapshot;
    // The current row's cells, which the field exchange copies into the members.
    std::vector<fw::CellText> m_row;
};
