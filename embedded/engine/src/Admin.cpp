// Administration of databases: creation, logins, procedures and scripts.
#include "embsql/Admin.h"

#include "Connection.h"
#include "Logins.h"
#include "Procedure.h"
#include "Results.h"
#include "Rights.h"
#include "Tokenizer.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace embsql {
namespace {

constexpr std::string_view kProcedureTables = R"sql(
create table if not exists embsql_procedure (
    sName text primary key collate nocase,
    sDefinition text not null);
)sql";

void BindAll(Statement& stmt, const std::vector<Value>& params) {
    const int count = sqlite3_bind_parameter_count(stmt.Get());
    for (int i = 1; i <= count; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt.Get(), i);
        // ?NNN parameters are named "?NNN"; a bare ? takes its position.
        std::size_t index = static_cast<std::size_t>(i);
        if (name != nullptr && name[0] == '?')
            index = static_cast<std::size_t>(std::atoi(name + 1));
        if (index == 0 || index > params.size())
            throw Error("07002", 0,
                        "The script uses parameter " + std::to_string(index) + " but only " +
                            std::to_string(params.size()) + " were given.");
        if (const auto* number = std::get_if<long long>(&params[index - 1]))
            stmt.BindInt(i, *number);
        else
            stmt.BindText(i, std::get<std::string>(params[index - 1]));
    }
}

std::vector<std::string> Names(Connection& conn, std::string_view table) {
    std::vector<std::string> names;
    Statement stmt(conn, "select sName from " + std::string(table) + " order by sName");
    while (stmt.Step())
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0)));
    return names;
}

// The canonical names of what a grant may name: a table of the database's
// own, or a procedure.
std::optional<std::string> NameOf(Connection& conn, std::string_view query, std::string_view name) {
    Statement stmt(conn, query);
    stmt.BindText(1, name);
    if (!stmt.Step())
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0)));
}

Error NoSuchLogin(std::string_view login) {
    return Error("42000", 15151,
                 "Cannot find the user '" + std::string(login) +
                     "', because it does not exist or you do not have permission.");
}

std::string Upper(std::string_view text) {
    std::string upper;
    for (char c : text)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

} // namespace

Admin::Admin(std::shared_ptr<Connection> conn) : m_conn(std::move(conn)) {
    // Whoever can write the file owns everything in it.
    Rights owner;
    owner.all = true;
    m_conn->SetRights(std::move(owner));
}
Admin::~Admin() = default;

std::unique_ptr<Admin> Admin::Create(std::string_view server, std::string_view database) {
    const std::filesystem::path file = DatabasePath(server, database);
    const auto alreadyExists = [&] {
        return Error("42000", 1801,
                     "Database '" + std::string(database) +
                         "' already exists. Choose a different database name.");
    };
    std::error_code ec;
    if (std::filesystem::exists(file, ec))
        throw alreadyExists();
    const auto failed = [](const std::string& what, const std::filesystem::path& path, int error) {
        return Error("HY000", 5123,
                     "CREATE FILE encountered operating system error while attempting to open or "
                     "create the " +
                         what + " " + path.string() + ": " + std::strerror(error) + ".");
    };
    // The folders and the file hold the logins' hashes and the dealers'
    // data: only their owner may read them, whatever the umask says.
    std::filesystem::path folder;
    for (const std::filesystem::path& part : file.parent_path()) {
        folder /= part;
        if (mkdir(folder.c_str(), 0700) == 0) {
            if (chmod(folder.c_str(), 0700) != 0)
                throw failed("folder", folder, errno);
        } else if (errno != EEXIST) {
            throw failed("folder", folder, errno);
        }
    }
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST)
            throw alreadyExists();
        throw failed("file", file, errno);
    }
    const bool owned = fchmod(fd, 0600) == 0;
    const int error = errno;
    close(fd);
    if (!owned)
        throw failed("file", file, error);
    // SQLite gives its -wal and -shm files the database file's permissions.
    std::unique_ptr<Admin> admin(new Admin(Connection::Open(file, database, true)));
    admin->RunScript(std::string(kRightsTables) + std::string(kProcedureTables));
    return admin;
}

std::unique_ptr<Admin> Admin::Open(std::string_view server, std::string_view database) {
    const std::filesystem::path file = DatabasePath(server, database);
    std::error_code ec;
    const std::string cannotOpen = "Cannot open database \"" + std::string(database) +
                                   "\" requested by the login. The login failed.";
    if (!std::filesystem::is_regular_file(file, ec))
        throw Error("42000", 4060, cannotOpen);
    std::unique_ptr<Admin> admin(new Admin(Connection::Open(file, database, false)));
    try {
        Statement check(*admin->m_conn, "select 1 from " + std::string(kProcedureTable) + ", " +
                                            std::string(kLoginTable) + " limit 0");
    } catch (const Error&) {
        throw Error("42000", 4060, cannotOpen + " It is not a database of this server.");
    }
    UpgradeRightsTables(*admin->m_conn);
    admin->m_conn->SetLogin("dbo");
    return admin;
}

void Admin::AddLogin(std::string_view name, std::string_view password) {
    if (name.empty() || name.size() > kMaxIdentifier)
        throw Error("42000", 15007, "A login name must have 1 to 128 characters.");
    RunScript("insert into embsql_login(sName, sHash) values(?1, ?2) "
              "on conflict(sName) do update set sHash = excluded.sHash",
              {std::string(name), HashPassword(password)});
}

bool Admin::RemoveLogin(std::string_view name) {
    return RunScript("delete from embsql_login where sName = ?1", {std::string(name)}) > 0;
}

std::vector<std::string> Admin::Logins() {
    return Names(*m_conn, kLoginTable);
}

void Admin::SetRights(std::string_view login, Role role,
                      const std::vector<Permission>& permissions) {
    RoleOf(login); // the login must exist
    std::vector<Value> params = {std::string(login), role == Role::Admin ? "admin" : "user"};
    std::string script = "update embsql_login set sRole = ?2 where sName = ?1;"
                         "delete from embsql_permission where sLogin = ?1;";
    for (const Permission& permission : permissions) {
        const std::string action = Upper(permission.action);
        if (action != "SELECT" && action != "INSERT" && action != "ALTER" && action != "EXECUTE")
            throw Error("42000", 102,
                        "Incorrect syntax near '" + permission.action +
                            "': the permissions are SELECT, INSERT and ALTER on a table, EXECUTE "
                            "on a procedure.");
        std::optional<std::string> object;
        bool isProcedure = false;
        if (!IsInternalTable(permission.object))
            object = NameOf(*m_conn,
                            "select name from sqlite_schema where type = 'table' and name = ?1 "
                            "collate nocase",
                            permission.object);
        if (!object) {
            object = NameOf(*m_conn, "select sName from embsql_procedure where sName = ?1",
                            permission.object);
            isProcedure = object.has_value();
        }
        if (!object)
            throw Error("42000", 15151,
                        "Cannot find the object '" + permission.object +
                            "', because it does not exist or you do not have permission.");
        if (isProcedure != (action == "EXECUTE"))
            throw Error("42000", 4606,
                        "Granted or revoked privilege " + action +
                            " is not compatible with object.");
        const std::size_t at = params.size() + 1;
        script += "insert or ignore into embsql_permission(sLogin, sPermission, sObject) "
                  "values(?1, ?" +
                  std::to_string(at) + ", ?" + std::to_string(at + 1) + ");";
        params.emplace_back(action);
        params.emplace_back(*object);
    }
    RunScript(script, params);
}

Role Admin::RoleOf(std::string_view login) {
    const std::optional<std::string> role =
        NameOf(*m_conn, "select sRole from embsql_login where sName = ?1", login);
    if (!role)
        throw NoSuchLogin(login);
    return *role == "admin" ? Role::Admin : Role::User;
}

std::vector<Permission> Admin::PermissionsOf(std::string_view login) {
    RoleOf(login);
    Statement stmt(*m_conn, "select sPermission, sObject from embsql_permission "
                            "where sLogin = ?1 order by rowid");
    stmt.BindText(1, login);
    std::vector<Permission> permissions;
    while (stmt.Step())
        permissions.push_back({reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 0)),
                               reinterpret_cast<const char*>(sqlite3_column_text(stmt.Get(), 1))});
    return permissions;
}

void Admin::DefineProcedure(std::string_view definition) {
    const ProcedureDefinition def = ParseProcedureDefinition(definition);
    if (Tokenize(def.body).front().kind == TokenKind::End)
        throw Error("42000", 102,
                    "Incorrect syntax near the end of the statement: procedure '" + def.name +
                        "' has no body.");
    RunScript("insert into embsql_procedure(sName, sDefinition) values(?1, ?2) "
              "on conflict(sName) do update set sName = excluded.sName, "
              "sDefinition = excluded.sDefinition",
              {def.name, std::string(definition)});
}

std::vector<std::string> Admin::Procedures() {
    return Names(*m_conn, kProcedureTable);
}

long long Admin::RunScript(std::string_view script, const std::vector<Value>& params) {
    sqlite3* db = m_conn->Handle();
    m_conn->DetachReaders();
    m_conn->Exec("begin immediate");
    const long long before = sqlite3_total_changes64(db);
    try {
        std::string_view rest = script;
        for (;;) {
            std::size_t tail = 0;
            Statement stmt(*m_conn, rest, &tail);
            if (!stmt)
                break;
            rest.remove_prefix(tail);
            BindAll(stmt, params);
            while (stmt.Step()) {
            }
        }
        const long long changed = sqlite3_total_changes64(db) - before;
        m_conn->Exec("commit");
        return changed;
    } catch (...) {
        if (m_conn->InTransaction())
            sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

std::unique_ptr<Result> Admin::Query(std::string_view query, const std::vector<Value>& params) {
    Statement stmt(*m_conn, query);
    if (!stmt)
        throw Error("42000", 102, "Incorrect syntax: the statement is empty.");
    BindAll(stmt, params);
    return std::make_unique<QueryResult>(m_conn, std::move(stmt));
}

} // namespace embsql
