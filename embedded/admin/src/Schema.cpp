// Installation of the dealer schema and its procedures from the SQL files
// built into the library.
#include "embsql/Provision.h"

#include <string>

namespace embsql {

std::string_view SchemaFile(std::string_view name);

namespace {

std::string Fill(std::string text, std::string_view key, std::string_view value) {
    for (std::size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
    return text;
}

// The two single-account procedures differ only in direction.
std::string ConvertOne(std::string_view name, int from, int to) {
    const bool toOrbelle = to == 4;
    std::string text(SchemaFile("convert_one.sql.in"));
    text = Fill(std::move(text), "$NAME$", name);
    text = Fill(std::move(text), "$FROM$", std::to_string(from));
    text = Fill(std::move(text), "$TO$", std::to_string(to));
    text = Fill(std::move(text), "$FROM_SYSTEM$", toOrbelle ? "Solvane" : "Orbelle");
    text = Fill(std::move(text), "$TO_SYSTEM$", toOrbelle ? "Orbelle" : "Solvane");
    return Fill(std::move(text), "$DIRECTION$",
                toOrbelle ? "Solvane To Orbelle" : "Orbelle To Solvane");
}

} // namespace

std::vector<Permission> ProgramPermissions() {
    return {
        {"SELECT", "tbl_DealerMaster"},
        {"EXECUTE", "stp_ConvertSolvaneToOrbelle"},
        {"EXECUTE", "stp_ConvertOrbelleToSolvane"},
        {"EXECUTE", "stp_ConvertSolvaneToOrbelleBulk"},
        {"ALTER", "tbl_ConvertSolvaneToOrbelle"},
        {"INSERT", "tbl_ConvertSolvaneToOrbelle"},
    };
}

void InstallSchema(Admin& admin) {
    admin.RunScript(SchemaFile("tables.sql"));
    admin.DefineProcedure(ConvertOne("stp_ConvertSolvaneToOrbelle", 2, 4));
    admin.DefineProcedure(ConvertOne("stp_ConvertOrbelleToSolvane", 4, 2));
    admin.DefineProcedure(SchemaFile("stp_ConvertSolvaneToOrbelleBulk.sql"));
}

} // namespace embsql
