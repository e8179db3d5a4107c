// CRecordset: one statement's result set on a CDatabase, read a row at a time
// through columns bound by field exchange (CFieldExchange, RFX_Text).
#pragma once

#include "framework/Database.h"
#include "framework/OdbcHandle.h"
#include "framework/Win32Types.h"

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
    // Fetches the next row into the bound members. Throws CDBException on a
    // driver error, when the recordset is closed or already past its end.
    void MoveNext();

    // The statement last sent to the driver.
    const std::string& GetSQL() const { return m_strSQL; }

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

    struct BoundField {
        std::vector<char> buffer;
        SQLLEN indicator = 0;
    };

    void Execute(UINT nOpenType);
    void BindColumns();
    void Fetch();

    OdbcHandle m_hstmt;
    bool m_bOpen = false;
    bool m_bEOF = true;
    std::string m_strSQL;
    // Sized once per open before binding, so the driver's buffer addresses hold.
    std::vector<BoundField> m_boundFields;
};
