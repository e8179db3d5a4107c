// Test environments on the embedded server: database, ODBC files, hive, PATH.
#include "support/ServerEnv.h"

#include <cstdlib>
#include <stdexcept>

#include "admin/HiveLine.h"
#include "db/PasswordEncrypt.h"
#include "embsql/Admin.h"
#include "keycask.h"
#include "platform/Process.h"

namespace testing_support {

std::filesystem::path BuildDir() {
    const char* dir = std::getenv("STO_BUILD_DIR");
    if (!dir) {
        throw std::runtime_error("STO_BUILD_DIR is not set: run the tests through ctest");
    }
    return dir;
}

int RunCommand(const std::string& commandLine) {
    auto process = platform::Process::Start(commandLine);
    return process ? process->Wait() : -1;
}

std::string SealPassword(const std::string& password) {
    kc_initialise();
    const kc_handle handle = kc_create_handle(kPasswordContext);
    kc_set_passphrase(handle, kPasswordPassphrase);
    std::string sealed(password.size() + KC_SEAL_OVERHEAD, '\0');
    unsigned int length = 0;
    const kc_status status = kc_encrypt(
        handle, reinterpret_cast<const unsigned char*>(password.data()),
        static_cast<unsigned int>(password.size()), reinterpret_cast<unsigned char*>(sealed.data()),
        static_cast<unsigned int>(sealed.size()), &length);
    kc_release_handle(handle);
    kc_shutdown();
    if (status != KC_OK) {
        throw std::runtime_error("cannot seal the password");
    }
    sealed.resize(length);
    return sealed;
}

std::string HiveText(const std::vector<HiveValue>& values) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZEVA\\INTEGRATED\\ZEVA Manager\\ODBC]\r\n";
    for (const auto& value : values) {
        if (value.binary) {
            std::string line = admin::FormatBinaryValue(value.name, value.text);
            for (std::size_t at = line.find('\n'); at != std::string::npos;
                 at = line.find('\n', at + 2)) {
                line.insert(at, "\r");
            }
            text += line + "\r\n";
        } else {
            std::string escaped;
            for (char c : value.text) {
                if (c == '\\' || c == '"') {
                    escaped += '\\';
                }
                escaped += c;
            }
            text += "\"" + value.name + "\"=\"" + escaped + "\"\r\n";
        }
    }
    return text;
}

std::string GroupListRequest() {
    return "batch: select sDealerId from tbl_DealerMaster where nDealerCategory = 7";
}

std::string ClientListRequest(const std::string& group, int category) {
    std::string quoted;
    for (char c : group) {
        quoted += c;
        if (c == '\'') {
            quoted += c;
        }
    }
    return "batch: select sDealerId from tbl_DealerMaster where sGroupCode in(select sDealerCode "
           "from tbl_DealerMaster Where sDealerId = '" +
           quoted + "') and  nDealerCategory = " + std::to_string(category);
}

ServerEnv::ServerEnv(const std::filesystem::path& root, ServerOptions options)
    : m_options(std::move(options)), m_root(root), m_hive(root / "HKLM.reg") {
    const auto build = BuildDir();
    std::filesystem::create_directories(root / "data");
    WriteFile(root / "odbcinst.ini", "[SolvaneToOrbelle Embedded]\nDriver=" +
                                         (build / "lib/libembodbc.so").string() + "\n");
    WriteFile(root / "odbc.ini", "[SolvaneToOrbelle]\nDriver=SolvaneToOrbelle Embedded\n");
    auto set = [this](const char* name, const std::string& value) {
        m_env.push_back(std::make_unique<ScopedEnv>(name, value));
    };
    set("EMBSQL_DATA_DIR", (root / "data").string());
    set("ODBCSYSINI", root.string());
    set("ODBCINSTINI", "odbcinst.ini");
    set("ODBCINI", (root / "odbc.ini").string());
    set("SOLVANETOORBELLE_HKLM", m_hive.string());
    set("PATH", (build / "bin").string() + ":" + std::getenv("PATH"));

    const auto& o = m_options;
    const int status =
        RunCommand((build / "bin/embsql-admin").string() + " setup " + o.server + " " + o.database +
                   " " + o.login + " \"" + o.password + "\" --groups " + std::to_string(o.groups) +
                   " --clients " + std::to_string(o.clientsPerGroup));
    if (status != 0) {
        throw std::runtime_error("embsql-admin setup failed");
    }
    if (embsqld_testkit::TestsThroughFreeTds()) {
        m_server = std::make_unique<embsqld_testkit::EmbsqldProcess>(
            build / "bin/embsqld", root / "data", root / "embsqld.log");
        const std::string port = std::to_string(m_server->Port());
        for (const auto& [name, value] :
             embsqld_testkit::FreeTdsEnvironment(root, m_server->Port())) {
            set(name.c_str(), value);
        }
        // unixODBC keeps what it read of odbc.ini for some seconds, by data
        // source and key: a data source of its own per server keeps a later
        // environment in the same process from meeting an earlier port.
        m_dataSource += " " + port;
        WriteFile(root / "odbc.ini", "[" + m_dataSource + "]\nDriver=FreeTDS\nServer=" + o.server +
                                         "\nPort=" + port + "\nTDS_Version=7.4\n");
    }
    WriteHive(Settings());
}

// embsqld stops before the environment and the files go.
ServerEnv::~ServerEnv() {
    m_server.reset();
}

std::vector<std::string> ServerEnv::Requests() const {
    return m_server ? m_server->Requests() : std::vector<std::string>{};
}

std::vector<HiveValue> ServerEnv::Settings() const {
    return {
        {"DataBase-IPAddress", m_options.server},
        {"LIVEDatabase-Name", m_options.database},
        {"Server UserID", m_options.login},
        {"LIVEDSN-Name", m_dataSource},
        {"Server PWD", SealPassword(m_options.password), true},
    };
}

void ServerEnv::WriteHive(const std::vector<HiveValue>& values) const {
    WriteFile(m_hive, HiveText(values));
}

std::vector<std::vector<std::string>> ServerEnv::Query(const std::string& sql) const {
    auto admin = embsql::Admin::Open(m_options.server, m_options.database);
    auto result = admin->Query(sql);
    std::vector<std::vector<std::string>> rows;
    while (result->Next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < result->Columns().size(); ++i) {
            row.emplace_back(result->Value(i).value_or("NULL"));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void ServerEnv::Run(const std::string& sql) const {
    embsql::Admin::Open(m_options.server, m_options.database)->RunScript(sql);
}

void ServerEnv::DefineProcedure(const std::string& definition) const {
    embsql::Admin::Open(m_options.server, m_options.database)->DefineProcedure(definition);
}

} // namespace testing_support
