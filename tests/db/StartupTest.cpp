// Start-up against the embedded server through unixODBC: the five settings
// from the hive, the blank-value exits, the password, the connection, the
// group list and the one start-up log entry.
#include <gtest/gtest.h>

#include <wx/dialog.h>

#include <regex>

#include "support/ServerEnv.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

std::string Escaped(const std::string& text) {
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

class StartupTest : public MainDialogFixture {
protected:
    StartupTest() : env(dir / "server") {}

    std::vector<std::string> GroupList() { return ListItems(dlg->m_cboGroupId); }
    std::vector<std::string> GroupsInDatabase() {
        std::vector<std::string> groups = {""};
        for (const auto& row : env.Query("select sDealerId from tbl_DealerMaster "
                                         "where nDealerCategory = 7 order by sDealerId")) {
            groups.push_back(row[0]);
        }
        return groups;
    }
    // The settings with one value replaced (or left out when text is nullopt).
    std::vector<HiveValue> SettingsWith(const std::string& name,
                                        const std::optional<std::string>& text,
                                        bool binary = false) {
        std::vector<HiveValue> values;
        for (auto value : env.Settings()) {
            if (value.name != name) {
                values.push_back(value);
            } else if (text) {
                values.push_back({name, *text, binary});
            }
        }
        return values;
    }

    // Start-up ended by `message`: the box came first, with no entry logged yet,
    // then the one entry; the dialog ended as Cancel without being shown, and the
    // steps after the reading did not run.
    void ExpectEndedBy(const std::vector<std::string>& entriesAtBox, const std::string& message) {
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, message);
        EXPECT_EQ(ui.boxes[0].style, 0u);
        EXPECT_TRUE(entriesAtBox.empty());
        EXPECT_EQ(Entries(), std::vector<std::string>{message});
        const std::string file = ReadFile(dir / dlg->m_szLogFileName);
        EXPECT_TRUE(std::regex_match(
            file, std::regex("[0-9]{1,2}:[0-9]{2}:[0-9]{2}: " + Escaped(message) + " \r\n")))
            << file;
        EXPECT_TRUE(dlg->HasEnded());
        EXPECT_EQ(dlg->Result(), IDCANCEL);
        EXPECT_FALSE(dlg->Window()->IsShown());
        EXPECT_FALSE(dlg->m_database.IsOpen());
        EXPECT_EQ(dlg->GetSystemMenu(FALSE)->GetMenuItemCount(), 1u); // no About item
    }

    // The operator's password changed to `password`, in the server and in the
    // hive: the program connects and lists the groups.
    void ExpectConnectsWith(const std::string& password) {
        SCOPED_TRACE(password);
        RunCommand((BuildDir() / "bin/embsql-admin").string() +
                   " login 127.0.0.1 DealerDB operator \"" + password + "\"");
        env.WriteHive(SettingsWith("Server PWD", SealPassword(password), true));
        ui.boxes.clear();
        Open();
        EXPECT_TRUE(ui.boxes.empty()) << (ui.boxes.empty() ? "" : ui.boxes[0].text);
        EXPECT_TRUE(dlg->m_database.IsOpen());
        EXPECT_EQ(GroupList(), GroupsInDatabase());
        dlg.reset();
    }

    ServerEnv env;
};

TEST_F(StartupTest, ConnectsListsTheGroupsAndLogsOneEntry) {
    Open();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(GroupList(), GroupsInDatabase());
    EXPECT_EQ(dlg->m_cboGroupId.GetCurSel(), CB_ERR); // no group chosen yet
    EXPECT_EQ(dlg->GetDlgItemText(IDC_SERVER_ADDRESS), "127.0.0.1");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DATABASE_NAME), "DealerDB");
    EXPECT_TRUE(std::regex_match(
        dlg->m_strOutput.str(), std::regex("[0-9]{1,2}:[0-9]{2}:[0-9]{2}: IPAddress:127\\.0\\.0\\.1"
                                           "\t DatabaseName:DealerDB \r\n")))
        << dlg->m_strOutput.str();
    EXPECT_TRUE(dlg->m_database.IsOpen());
    // The connection keeps no copy of the password; the settings keep the one.
    EXPECT_EQ(dlg->m_database.GetConnect().find("s3cret"), std::string::npos)
        << dlg->m_database.GetConnect();
    EXPECT_FALSE(dlg->m_rsDealerMaster.IsOpen());
    EXPECT_STREQ(dlg->m_settings.password, "s3cret pass");
    EXPECT_EQ(dlg->m_settings.dataSourceName, env.DataSource());
    EXPECT_EQ(dlg->GetSystemMenu(FALSE)->GetMenuItemCount(), 3u);
    if (env.ThroughFreeTds()) {
        EXPECT_EQ(env.Requests(), std::vector<std::string>{GroupListRequest()});
    }
}

TEST_F(StartupTest, EmptyGroupTableLeavesTheBlankEntryAndStillLogs) {
    env.Run("delete from tbl_DealerMaster where nDealerCategory = 7");
    Open();
    EXPECT_EQ(GroupList(), std::vector<std::string>{""});
    EXPECT_NE(dlg->m_strOutput.str().find("IPAddress:127.0.0.1"), std::string::npos);
}

TEST_F(StartupTest, MissingKeyIsCreatedAndNothingIsRead) {
    WriteFile(env.hivePath(), "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"x\"=\"y\"\r\n");
    Open();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(dlg->m_strOutput.empty());
    EXPECT_EQ(GroupList(), std::vector<std::string>{});
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DATABASE_NAME), "");
    const std::string hive = ReadFile(env.hivePath());
    EXPECT_NE(hive.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC]"),
              std::string::npos);
    EXPECT_EQ(hive.rfind("Windows Registry Editor Version 5.00\r\n\r\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\r\n\"x\"=\"y\"\r\n",
                         0),
              0u);
}

TEST_F(StartupTest, MalformedHiveCountsAsAKeyThatCannotBeOpened) {
    WriteFile(env.hivePath(), "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC]"
                              "\r\n\"DataBase-IPAddress\"=\"unterminated\r\n");
    Open();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(dlg->m_strOutput.empty());
    EXPECT_EQ(dlg->GetDlgItemText(IDC_SERVER_ADDRESS), "");
}

TEST_F(StartupTest, AbsentPasswordSkipsTheConnectionSilently) {
    env.WriteHive(SettingsWith("Server PWD", std::nullopt));
    Open();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(dlg->m_strOutput.empty());
    EXPECT_FALSE(dlg->m_database.IsOpen());
    EXPECT_EQ(dlg->GetDlgItemText(IDC_SERVER_ADDRESS), "127.0.0.1");
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DATABASE_NAME), "DealerDB");
}

TEST_F(StartupTest, PasswordOf255BytesDecodesOneOf256IsTreatedAsAbsent) {
    // The longest password that fits: its sealed form is exactly 255 bytes.
    const std::string longest(212, 'p');
    env.Run("select 1"); // the database exists
    RunCommand((BuildDir() / "bin/embsql-admin").string() + " login 127.0.0.1 DealerDB operator " +
               longest);
    const std::string sealed = SealPassword(longest);
    ASSERT_EQ(sealed.size(), 255u);
    env.WriteHive(SettingsWith("Server PWD", sealed, true));
    Open();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(dlg->m_database.IsOpen());
    EXPECT_EQ(std::string(dlg->m_settings.password), longest);
    dlg.reset();

    env.WriteHive(SettingsWith("Server PWD", sealed + "x", true));
    Open();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(dlg->m_database.IsOpen());
    EXPECT_TRUE(dlg->m_strOutput.empty());
}

TEST_F(StartupTest, RefusedLoginIsShownAndTheDialogStaysUp) {
    RunCommand((BuildDir() / "bin/embsql-admin").string() +
               " login 127.0.0.1 DealerDB operator changed");
    Open();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_NE(ui.boxes[0].text.find("Login failed for user 'operator'."), std::string::npos)
        << ui.boxes[0].text;
    EXPECT_EQ(ui.boxes[0].text.find("[unixODBC]"), std::string::npos);
    EXPECT_FALSE(dlg->HasEnded());
    EXPECT_EQ(GroupList(), std::vector<std::string>{});
    EXPECT_TRUE(dlg->m_strOutput.empty());
    // Later steps of start-up did not run.
    EXPECT_EQ(dlg->GetDlgItemText(IDC_DATABASE_NAME), "");
    EXPECT_TRUE(env.Requests().empty()); // nothing reached embsqld
}

TEST_F(StartupTest, PasswordsWithTheConnectionTextsOwnCharactersConnect) {
    for (const std::string password : {"pa;ss", "{braced}", "a}b;c", "}{;=", "x;PWD=y"}) {
        ExpectConnectsWith(password);
    }
}

// A '}' that needs no braces goes without them: FreeTDS does not read a
// doubled '}' in braces as one.
TEST_F(StartupTest, PasswordsWithAClosingBraceConnect) {
    for (const std::string password : {"a}b", "pw}", "}}x"}) {
        ExpectConnectsWith(password);
    }
}

TEST_F(StartupTest, ASettingCannotAddAConnectionKey) {
    // A copy of the database in another data folder, told apart by a group
    // of its own: a server value that slipped in a DataDir key would reach it.
    const auto other = dir / "other";
    std::filesystem::create_directories(other / "127.0.0.1");
    std::filesystem::copy_file(dir / "server/data/127.0.0.1/dealerdb.sqlite",
                               other / "127.0.0.1/dealerdb.sqlite");
    const auto copy = other / "127.0.0.1/dealerdb.sqlite";
    ASSERT_EQ(RunCommand("sqlite3 \"" + copy.string() +
                         "\" \"insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, "
                         "nDealerCategory) values ('FORGED', 'F', 'F', 7)\""),
              0);
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"DataBase-IPAddress", "127.0.0.1;DataDir=" + other.string()},
             {"LIVEDatabase-Name", "DealerDB;DataDir=" + other.string()},
             {"Server UserID", "operator;DataDir=" + other.string()}}) {
        SCOPED_TRACE(name);
        env.WriteHive(SettingsWith(name, value));
        ui.boxes.clear();
        Open();
        EXPECT_EQ(ListIndexOf(dlg->m_cboGroupId, "FORGED"), -1);
        // The value reached the driver whole, as a name that does not exist.
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONSTOP));
        dlg.reset();
    }
}

TEST_F(StartupTest, BlanksOnlyValueIsNotBlankAndIsUsedAsItStands) {
    env.WriteHive(SettingsWith("LIVEDatabase-Name", std::string("   ")));
    Open();
    EXPECT_EQ(dlg->m_strDatabaseName, "   ");
    EXPECT_FALSE(dlg->HasEnded());
    // There is no such database: the connection is refused and said so.
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONSTOP));
}

TEST_F(StartupTest, AbsentDatabaseNameLeavesItsKeyEmpty) {
    env.WriteHive(SettingsWith("LIVEDatabase-Name", std::nullopt));
    Open();
    EXPECT_EQ(dlg->m_strDatabaseName, "");
    ASSERT_EQ(ui.boxes.size(), 1u); // the connection to no database is refused
    EXPECT_EQ(ui.boxes[0].style, static_cast<UINT>(MB_ICONSTOP));
}

TEST_F(StartupTest, BlankValueIsShownLoggedAndEndsTheProgram) {
    const struct {
        const char* name;
        const char* message;
    } cases[] = {
        {"DataBase-IPAddress", "DataBase-IPAddress is blank in Registry."},
        {"LIVEDatabase-Name", "DataBase-Name is blank in Registry"},
        {"Server UserID", "Server UserID is blank in Registry"},
        {"LIVEDSN-Name", "LIVEDSN-Name is blank in Registry"},
        {"Server PWD", "Server PWD is blank in Registry"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool binary = std::string(c.name) == "Server PWD";
        env.WriteHive(SettingsWith(c.name, std::string(), binary));
        ui.boxes.clear();
        std::vector<std::string> entriesAtBox;
        ui.onBox = [&](const Box&) { entriesAtBox = Entries(); };
        Open();
        ExpectEndedBy(entriesAtBox, c.message);
        dlg.reset();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().extension() == ".log") {
                std::filesystem::remove(entry.path());
            }
        }
    }
}

TEST_F(StartupTest, BlankValueStopsTheReadingOfLaterValues) {
    env.WriteHive(SettingsWith("LIVEDatabase-Name", std::string()));
    Open();
    EXPECT_EQ(dlg->m_strServerAddress, "127.0.0.1");
    EXPECT_EQ(dlg->m_strUserId, "");
    EXPECT_EQ(dlg->m_settings.dataSourceName, "");
    // The fields are left as they were: the later steps did not run.
    EXPECT_EQ(dlg->GetDlgItemText(IDC_SERVER_ADDRESS), "");
}

TEST_F(StartupTest, PasswordWhoseFirstByteIsZeroIsBlank) {
    env.WriteHive(SettingsWith("Server PWD", std::string("\0KC1abc", 7), true));
    std::vector<std::string> entriesAtBox;
    ui.onBox = [&](const Box&) { entriesAtBox = Entries(); };
    Open();
    ExpectEndedBy(entriesAtBox, "Server PWD is blank in Registry");
}

TEST_F(StartupTest, PasswordThatDoesNotDecodeEndsTheProgram) {
    std::string tampered = SealPassword("s3cret pass");
    tampered[tampered.size() - 1] ^= 1;
    env.WriteHive(SettingsWith("Server PWD", tampered, true));
    std::vector<std::string> entriesAtBox;
    ui.onBox = [&](const Box&) { entriesAtBox = Entries(); };
    Open();
    ExpectEndedBy(entriesAtBox, "Error in Processing Password.");
    EXPECT_EQ(dlg->m_settings.password[0], '\0');
}

} // namespace
