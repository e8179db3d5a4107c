// Roles and grants of logins: their tables and their reading.
#include "Rights.h"

#include "Tokenizer.h"

#include <sqlite3.h>

namespace embsql {

const std::string_view kRightsTables = R"sql(
create table if not exists embsql_login (
    sName text primary key collate nocase,
    sHash text not null,
    sRole text not null default 'user');
create table if not exists embsql_permission (
    sLogin text not null collate nocase references embsql_login(sName) on delete cascade,
    sPermission text not null,
    sObject text not null collate nocase,
    primary key (sLogin, sPermission, sObject));
)sql";

namespace {

bool HasRoles(Connection& conn) {
    Statement stmt(conn, "select 1 from pragma_table_info(?1) where name = 'sRole'");
    stmt.BindText(1, kLoginTable);
    return stmt.Step();
}

} // namespace

void UpgradeRightsTables(Connection& conn) {
    if (HasRoles(conn))
        return;
    conn.Exec("begin immediate");
    try {
        if (!HasRoles(conn)) {
            conn.Exec("alter table embsql_login add column sRole text not null default 'user'");
            conn.Exec("update embsql_login set sRole = 'admin'");
            conn.Exec(kRightsTables);
        }
        conn.Exec("commit");
    } catch (...) {
        sqlite3_exec(conn.Handle(), "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

void LoadRights(Connection& conn) {
    Rights rights;
    Statement role(conn, "select sRole from " + std::string(kLoginTable) + " where sName = ?1");
    role.BindText(1, conn.Login());
    rights.all = role.Step() && std::string_view(reinterpret_cast<const char*>(
                                    sqlite3_column_text(role.Get(), 0))) == "admin";
    Statement grants(conn, "select sPermission, sObject from " + std::string(kPermissionTable) +
                               " where sLogin = ?1");
    grants.BindText(1, conn.Login());
    while (grants.Step())
        rights.Grant(reinterpret_cast<const char*>(sqlite3_column_text(grants.Get(), 0)),
                     reinterpret_cast<const char*>(sqlite3_column_text(grants.Get(), 1)));
    conn.SetRights(std::move(rights));
}

} // namespace embsql
