// Demo data: groups and clients with deterministic ids, written by two
// set-based inserts in one transaction.
#include "embsql/Provision.h"

#include <algorithm>
#include <string>

namespace embsql {
namespace {

constexpr long long kMaxClients = 100'000'000;

int Digits(long long n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

std::string Format(std::string_view prefix, int width) {
    return std::string(prefix) + "%0" + std::to_string(width) + "d";
}

// Both inserts count with a recursive series; rows go in in key order,
// which keeps the primary key's b-tree appends cheap.
constexpr std::string_view kFill = R"sql(
with recursive n(i) as (select 1 union all select i + 1 from n where i < ?1)
insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, sDealerName, nDealerCategory)
select printf(?3, i), printf(?4, i), null, printf('Group %d', i), 7 from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < ?1 * ?2)
insert into tbl_DealerMaster(sDealerId, sDealerCode, sGroupCode, sDealerName, nDealerCategory)
select printf(?5, i), printf(?6, i), printf(?4, (i - 1) / ?2 + 1),
       printf('Client %d of group %d', i, (i - 1) / ?2 + 1),
       case when i % 3 = 0 then 4 else 2 end
  from n;
)sql";

} // namespace

long long FillDemoData(Admin& admin, DemoSize size, bool replace) {
    if (size.groups <= 0 || size.clientsPerGroup <= 0 ||
        size.groups > kMaxClients / size.clientsPerGroup)
        throw Error("42000", 50000,
                    "Demo sizes must be positive, with at most 100,000,000 clients in all.");
    if (!replace) {
        auto rows = admin.Query("select 1 from tbl_DealerMaster limit 1");
        if (rows->Next())
            throw Error("42000", 50000,
                        "tbl_DealerMaster already holds rows; demo data replaces them only when "
                        "asked to (embsql-admin demo --replace).");
    }
    const int groupWidth = std::max(3, Digits(size.groups));
    const int clientWidth = std::max(6, Digits(size.groups * size.clientsPerGroup));
    std::string script = replace ? "delete from tbl_DealerMaster;" : "";
    script += kFill;
    admin.RunScript(script, {size.groups, size.clientsPerGroup, Format("G", groupWidth),
                             Format("GRP", groupWidth), Format("C", clientWidth),
                             Format("CC", clientWidth)});
    return size.groups * (1 + size.clientsPerGroup);
}

} // namespace embsql
