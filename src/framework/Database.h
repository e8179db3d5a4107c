// CDatabase: one ODBC connection (with its own environment), opened from a data
// source name and an "ODBC;" connect text, closed on destruction.
#pragma once

#include "framework/OdbcHandle.h"
#include "framework/Win32Types.h"

#include <string>
#include <vector>

class CRecordset;

class CDatabase {
public:
    CDatabase() = default;
    // Closes the recordsets still open on it, then the connection. Never throws.
    virtual ~CDatabase();

    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Connects to data source `lpszDSN` with the keys of `lpszConnect`, which must
    // start with "ODBC;". The driver receives the data source's settings from
    // the ODBC configuration as keys, "DRIVER=<its driver>;KEY=value;...",
    // followed by the connect text's keys, which take the place of the data
    // source's own: so the connect text's keys win over the data source's
    // settings with every driver, those too that refuse a DSN key beside
    // keys that the data source holds (FreeTDS refuses SERVER with DSN). A
    // data source the configuration does not define goes as "DSN=<dsn>;", for
    // the driver manager to refuse.
    // `bUseCursorLib` gives every recordset on the connection what the cursor
    // library gives, whatever the driver: a read-only snapshot fixed when it
    // opens. The framework keeps that snapshot itself, in memory (see
    // CRecordset::Open), rather than loading the driver manager's cursor
    // library, which keeps its rows in a temporary file at a cost of several
    // system calls a row. `bReadonly` asks for a read-only connection;
    // exclusive access is not supported.
    // Returns TRUE when connected. No prompt exists, so a refused connection (bad
    // data source, missing driver, failed login) throws CDBException with the
    // driver's diagnostics, as does a malformed connect text or opening a
    // database that is already open.
    virtual BOOL Open(const char* lpszDSN, BOOL bExclusive = FALSE, BOOL bReadonly = FALSE,
                      const char* lpszConnect = "ODBC;", BOOL bUseCursorLib = TRUE);
    // Closes every recordset open on this connection, then disconnects. Closing a
    // closed database does nothing. Never throws.
    virtual void Close();
    // Takes over the open connection of `other` (opened on any thread), with its
    // choice of snapshots; `other` is left closed. Throws CDBException when this
    // database is open (08002) or a recordset is open on `other` (HY010).
    void Adopt(CDatabase& other);

    BOOL IsOpen() const { return m_bConnected ? TRUE : FALSE; }
    // The connection handle; SQL_NULL_HANDLE while closed.
    SQLHDBC GetHandle() const { return m_bConnected ? m_hdbc.Get() : SQL_NULL_HANDLE; }
    // "ODBC;" followed by the complete connection text the driver reported,
    // without its password; empty while closed.
    const std::string& GetConnect() const { return m_strConnect; }

    // The text given to the driver for `lpszDSN` and `lpszConnect` (see Open).
    // Throws CDBException when the connect text does not start with "ODBC;".
    static std::string BuildConnectString(const char* lpszDSN, const char* lpszConnect);

private:
    friend class CRecordset;
    void AddRecordset(CRecordset* pSet);
    void RemoveRecordset(CRecordset* pSet) noexcept;

    void Disconnect() noexcept;

    OdbcHandle m_henv;
    OdbcHandle m_hdbc;
    bool m_bConnected = false;
    // Opened with the cursor library: recordsets keep their own snapshots.
    bool m_bOwnSnapshots = false;
    std::string m_strConnect;
    std::vector<CRecordset*> m_openRecordsets;
};
