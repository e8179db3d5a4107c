// The exception classes: origin prefixes, diagnostic lines, file error texts.
#include "framework/Exception.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

struct OriginCase {
    const char* message;
    const char* origin;
    const char* text;
};

TEST(CDBExceptionTest, SplitsBracketedOriginFromText) {
    const OriginCase cases[] = {
        {"[unixODBC][Driver Manager]Data source name not found", "[unixODBC][Driver Manager]",
         "Data source name not found"},
        {"[Embedded][SQL Server]Invalid object name 'x'.", "[Embedded][SQL Server]",
         "Invalid object name 'x'."},
        {"no such table: tbl_X (1)", "", "no such table: tbl_X (1)"},
        // A qualified object name at the start is message text, not origin.
        {"[dbo].[tbl] is missing", "", "[dbo].[tbl] is missing"},
        {"[Driver][dbo].[tbl] is missing", "[Driver]", "[dbo].[tbl] is missing"},
        {"[unterminated text", "", "[unterminated text"},
        {"[only]", "[only]", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::string_view origin = "unset";
        const std::string_view text = CDBException::SplitOrigin(c.message, &origin);
        EXPECT_EQ(origin, c.origin) << c.message;
        EXPECT_EQ(text, c.text) << c.message;
    }
}

TEST(CDBExceptionTest, KeepsOneLinePerRecordAndTheFirstStateApart) {
    CDBException e(-1);
    e.AddDiagnostic("42S02", 208, "[Embedded][SQL Server]Invalid object name 'x'.\r\n");
    e.AddDiagnostic("01000", 0, "[unixODBC]Statement(s) could not be prepared.");

    EXPECT_EQ(e.m_strError, "Invalid object name 'x'.\nStatement(s) could not be prepared.\n");
    EXPECT_EQ(e.m_strStateNativeOrigin, "State:42S02,Native:208,Origin:[Embedded][SQL Server]\n"
                                        "State:01000,Native:0,Origin:[unixODBC]\n");
    EXPECT_EQ(e.GetSQLState(), "42S02");
    EXPECT_EQ(e.GetNativeError(), 208);
    EXPECT_EQ(e.m_nRetCode, -1);
}

TEST(CDBExceptionTest, ReportsItsTextThroughTheBaseClass) {
    try {
        throw CDBException(-1, "08003", "The database connection is not open.");
    } catch (const CException& e) {
        EXPECT_EQ(e.GetErrorMessage(), "The database connection is not open.\n");
        EXPECT_STREQ(e.what(), "The database connection is not open.\n");
        const auto* db = dynamic_cast<const CDBException*>(&e);
        ASSERT_NE(db, nullptr);
        EXPECT_EQ(db->GetSQLState(), "08003");
        EXPECT_EQ(db->m_strStateNativeOrigin, "State:08003,Native:0,Origin:\n");
    }
}

TEST(CDBExceptionTest, FollowsChangesToItsPublicText) {
    CDBException e;
    e.m_strError = "changed\n";
    EXPECT_STREQ(e.what(), "changed\n");
    EXPECT_EQ(e.GetSQLState(), "");
    EXPECT_EQ(e.GetNativeError(), 0);
}

struct FileCase {
    int cause;
    const char* expected;
};

TEST(CFileExceptionTest, DescribesEachCauseNamingTheFile) {
    const FileCase cases[] = {
        {CFileException::fileNotFound, "/data/in.csv was not found."},
        {CFileException::badPath, "/data/in.csv contains an invalid path."},
        {CFileException::accessDenied, "Access to /data/in.csv was denied."},
        {CFileException::diskFull, "The disk is full while accessing /data/in.csv."},
        {CFileException::genericException,
         "An unexpected error occurred while accessing /data/in.csv."},
        {99, "An unexpected error occurred while accessing /data/in.csv."},
    };
    for (const auto& c : cases) {
        const CFileException e(c.cause, -1, "/data/in.csv");
        EXPECT_EQ(e.GetErrorMessage(), c.expected) << c.cause;
        EXPECT_STREQ(e.what(), c.expected) << c.cause;
    }
    // Every cause's text names the file.
    for (int cause = CFileException::none; cause <= CFileException::endOfFile; ++cause) {
        EXPECT_NE(CFileException(cause, -1, "x.csv").GetErrorMessage().find("x.csv"),
                  std::string::npos)
            << cause;
    }
}

TEST(CFileExceptionTest, NamesAnUnnamedFileInASentence) {
    EXPECT_EQ(CFileException(CFileException::fileNotFound).GetErrorMessage(),
              "An unnamed file was not found.");
    EXPECT_EQ(CFileException(CFileException::accessDenied).GetErrorMessage(),
              "Access to an unnamed file was denied.");
}

TEST(CFileExceptionTest, MapsSystemErrorsToCauses) {
    const std::pair<long, int> cases[] = {
        {0, CFileException::none},
        {ENOENT, CFileException::fileNotFound},
        {ENOTDIR, CFileException::badPath},
        {EMFILE, CFileException::tooManyOpenFiles},
        {EACCES, CFileException::accessDenied},
        {EROFS, CFileException::accessDenied},
        {ENOSPC, CFileException::diskFull},
        {EINVAL, CFileException::genericException},
    };
    for (const auto& [error, cause] : cases) {
        EXPECT_EQ(CFileException::OsErrorToException(error), cause) << error;
    }
    try {
        CFileException::ThrowOsError(ENOENT, "/missing/file.csv");
        FAIL() << "ThrowOsError returned";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_lOsError, ENOENT);
        EXPECT_EQ(e.m_strFileName, "/missing/file.csv");
    }
}

} // namespace
