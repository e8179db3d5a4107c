// The framework's exception classes: the common base CException, the database
// error CDBException (built from ODBC diagnostic records) and the file error
// CFileException. They are thrown by value and caught by reference.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <utility>

class CException : public std::exception {
public:
    CException() = default;
    CException(const CException& other) : std::exception(other) {}
    CException& operator=(const CException&) { return *this; }
    ~CException() override = default;

    // The text a message box shows for this error.
    virtual std::string GetErrorMessage() const;
    // The same text as GetErrorMessage(); valid until the next call or the
    // object's end. Never throws.
    const char* what() const noexcept override;

private:
    mutable std::string m_what;
};

class CDBException : public CException {
public:
    // An exception without diagnostics yet; AddDiagnostic() fills it.
    explicit CDBException(short nRetCode = -1) : m_nRetCode(nRetCode) {}
    // An error the framework itself raises (not reported by a driver): one record
    // with the given SQLSTATE, native code 0 and no origin.
    CDBException(short nRetCode, std::string_view sqlState, std::string_view message);

    // Appends one diagnostic record. The bracketed origin prefixes at the start of
    // the message ("[unixODBC][Driver Manager]") go to m_strStateNativeOrigin;
    // the rest, followed by "\n", to m_strError.
    void AddDiagnostic(std::string_view sqlState, long nativeError, std::string_view message);

    // SQLSTATE and native code of the first record ("" and 0 when there is none).
    const std::string& GetSQLState() const { return m_strSQLState; }
    long GetNativeError() const { return m_nNativeError; }

    // m_strError: the diagnostics' messages, one line per record.
    std::string GetErrorMessage() const override;

    // Splits `message` into its leading bracketed origin ("[a][b]") and the text
    // after it. A bracket group followed by '.' is part of a qualified name such
    // as "[dbo].[x]", not an origin.
    static std::string_view SplitOrigin(std::string_view message, std::string_view* origin);

    short m_nRetCode;
    std::string m_strError;
    // "State:<s>,Native:<n>,Origin:<o>\n" for each record.
    std::string m_strStateNativeOrigin;

private:
    std::string m_strSQLState;
    long m_nNativeError = 0;
    bool m_bHasRecord = false;
};

class CFileException : public CException {
public:
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, long lOsError = -1, std::string strFileName = {})
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(std::move(strFileName)) {}

    // A readable description naming the file, e.g. "/x/a.csv was not found.".
    std::string GetErrorMessage() const override;

    // Maps a C library errno value to one of the causes above.
    static int OsErrorToException(long lOsError);
    // Throws CFileException for errno value `lOsError` on `fileName`.
    [[noreturn]] static void ThrowOsError(long lOsError, const std::string& fileName = {});

    int m_cause;
    long m_lOsError;
    std::string m_strFileName;
};
