// Start-up's window-less work done ahead on another thread, as the program
// does it: the dialog then starts exactly as when it does that work itself,
// whatever the settings, the password and the server say.
#include <gtest/gtest.h>

#include <future>

#include "db/PreparedStart.h"
#include "support/ServerEnv.h"
#include "ui/DialogFixture.h"

using namespace testing_support;

namespace {

// What an operator and the log can see of a start-up.
struct Outcome {
    std::vector<std::string> boxes;
    std::vector<std::string> entries;
    std::vector<std::string> groups;
    bool connected = false;
    bool ended = false;
    std::string serverField;
    std::string password;

    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
    *os << "boxes " << ::testing::PrintToString(o.boxes) << ", entries "
        << ::testing::PrintToString(o.entries) << ", " << o.groups.size() << " groups, "
        << (o.connected ? "connected" : "not connected") << (o.ended ? ", ended" : "")
        << ", server field \"" << o.serverField << "\", password \"" << o.password << "\"";
}

class PreparedStartTest : public MainDialogFixture {
protected:
    PreparedStartTest() : env(dir / "server") {}

    Outcome Start(bool prepared) {
        ui.boxes.clear();
        dlg = std::make_unique<CSolvaneToOrbelleDlg>();
        if (prepared) {
            dlg->UsePreparedStart(std::async(std::launch::async, db::PrepareStart));
        }
        dlg->Create();
        Outcome o;
        for (const auto& box : ui.boxes) {
            o.boxes.push_back(box.text + " / " + std::to_string(box.style));
        }
        o.entries = Entries();
        o.groups = ListItems(dlg->m_cboGroupId);
        o.connected = dlg->m_database.IsOpen() != FALSE;
        o.ended = dlg->HasEnded();
        o.serverField = dlg->GetDlgItemText(IDC_SERVER_ADDRESS);
        o.password = dlg->m_settings.password;
        dlg.reset();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().extension() == ".log") {
                std::filesystem::remove(entry.path());
            }
        }
        return o;
    }

    std::vector<HiveValue> SettingsWith(const std::string& name, const std::string& text,
                                        bool binary) {
        auto values = env.Settings();
        for (auto& value : values) {
            if (value.name == name) {
                value = {name, text, binary};
            }
        }
        return values;
    }

    ServerEnv env;
};

TEST_F(PreparedStartTest, DialogStartsAsWhenItDoesTheWorkItself) {
    std::string tampered = SealPassword("s3cret pass");
    tampered.back() ^= 1;
    const struct {
        const char* name;
        std::function<void()> arrange;
        bool connects;
        std::size_t boxes;
        std::size_t entries;
    } cases[] = {
        {"complete settings", [] {}, true, 0, 1},
        {"blank server", [&] { env.WriteHive(SettingsWith("DataBase-IPAddress", "", false)); },
         false, 1, 1},
        {"password that does not decode",
         [&] { env.WriteHive(SettingsWith("Server PWD", tampered, true)); }, false, 1, 1},
        {"no password",
         [&] {
             auto values = env.Settings();
             values.pop_back();
             env.WriteHive(values);
         },
         false, 0, 0},
        {"unknown database",
         [&] { env.WriteHive(SettingsWith("LIVEDatabase-Name", "NoSuchDB", false)); }, false, 1, 0},
        {"group table gone",
         [&] {
             env.WriteHive(env.Settings());
             env.Run("drop table tbl_DealerMaster");
         },
         true, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        const Outcome itself = Start(false);
        const Outcome prepared = Start(true);
        EXPECT_EQ(prepared, itself);
        EXPECT_EQ(prepared.connected, c.connects);
        EXPECT_EQ(prepared.boxes.size(), c.boxes);
        EXPECT_EQ(prepared.entries.size(), c.entries);
    }
}

TEST(PrepareStartTest, KeepsAConnectionErrorForTheDialogToMeet) {
    TempDir dir;
    ServerEnv env(dir / "server");
    RunCommand((BuildDir() / "bin/embsql-admin").string() +
               " login 127.0.0.1 DealerDB operator changed");
    db::PreparedStart start = db::PrepareStart();
    EXPECT_EQ(start.read.outcome, db::StartupOutcome::Connect);
    ASSERT_TRUE(start.connectError);
    EXPECT_FALSE(start.connected);
    EXPECT_TRUE(start.groups.empty());
    try {
        std::rethrow_exception(start.connectError);
    } catch (const CDBException& e) {
        EXPECT_NE(e.m_strError.find("Login failed for user 'operator'."), std::string::npos)
            << e.m_strError;
    }
}

} // namespace
