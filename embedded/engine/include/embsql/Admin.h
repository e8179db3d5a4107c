// Administration of the embedded server's databases: creating them, their
// logins and stored procedures, and scripts run as the database's owner.
// Whoever can write the database file administers it; no login is asked.
#pragma once

#include "embsql/Engine.h"

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace embsql {

class Connection;

// A value bound to a script's or query's ?1, ?2, ... parameters.
using Value = std::variant<long long, std::string>;

// What a login may do, as a SQL server's database grants it. An
// administrator owns everything, like the database's owner; a user may do
// only what it was granted. Procedures run with their owner's rights, so
// executing one needs no rights on the tables it reads or changes.
enum class Role { User, Admin };

// One granted permission: SELECT (read), INSERT (load with bcp or the bulk
// calls) or ALTER (truncate table) on a table, EXECUTE on a procedure.
struct Permission {
    std::string action;
    std::string object;
    bool operator==(const Permission&) const = default;
};

class Admin {
public:
    // Creates the database file (and its server's folder, and the data
    // folder when missing) with the engine's own tables. Folders it makes
    // are readable by their owner only (0700), the file and SQLite's files
    // beside it too (0600), whatever the umask. Throws Error 42000/1801 when
    // it exists already, HY000/5123 when a folder or the file cannot be
    // made, and the errors of DatabasePath for bad names.
    static std::unique_ptr<Admin> Create(std::string_view server, std::string_view database);
    // Opens an existing database. Throws Error 42000/4060 when it is missing
    // or is not a database of this server.
    static std::unique_ptr<Admin> Open(std::string_view server, std::string_view database);
    ~Admin();
    Admin(const Admin&) = delete;
    Admin& operator=(const Admin&) = delete;

    // Adds a login, a user without permissions, or sets a new password for
    // an existing one, whose rights stay (names are case-insensitive).
    // Throws Error for an empty or over-long name.
    void AddLogin(std::string_view name, std::string_view password);
    // Removes a login and its permissions; false when there was none.
    bool RemoveLogin(std::string_view name);
    std::vector<std::string> Logins();

    // Gives a login its role and exactly these permissions, replacing what
    // it had; its open sessions see them from their next statement. Throws
    // Error 42000: 15151 for a login or object that does not exist (the
    // engine's own tables do not), 4606 for a permission that does not fit
    // its object, 102 for one that is not a permission; nothing changes then.
    void SetRights(std::string_view login, Role role, const std::vector<Permission>& permissions);
    // A login's role and permissions (actions in capitals, objects as the
    // database spells them, in order). Throw 15151 for a missing login.
    Role RoleOf(std::string_view login);
    std::vector<Permission> PermissionsOf(std::string_view login);

    // Defines or replaces a procedure from its definition:
    //     create procedure NAME @p1 varchar(20), @p2 int as BODY
    // (see the engine's notes on bodies). Throws Error for a bad definition.
    void DefineProcedure(std::string_view definition);
    std::vector<std::string> Procedures();

    // Runs every statement of `script` in one transaction, binding `params`
    // to ?1, ?2, ... wherever a statement uses them. Returns the rows the
    // statements changed. Throws Error; nothing is kept then.
    long long RunScript(std::string_view script, const std::vector<Value>& params = {});
    // Runs one query (any table, the engine's own included) and returns its
    // rows. Throws Error.
    std::unique_ptr<Result> Query(std::string_view query, const std::vector<Value>& params = {});

private:
    explicit Admin(std::shared_ptr<Connection> conn);
    std::shared_ptr<Connection> m_conn;
};

} // namespace embsql
