// Operators' sample files for the bulk upload: good ones from the database's
// clients, bad ones the loader must reject, and mixed ones that load but
// hold clients the bulk procedure refuses.
#include "embsql/Provision.h"

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace embsql {
namespace {

using Row = std::pair<std::string, std::string>; // group id, client id

// Clients of `category` with their group ids, in id order.
std::vector<Row> Clients(Admin& admin, int category, std::size_t limit) {
    auto result = admin.Query("select g.sDealerId, c.sDealerId from tbl_DealerMaster c "
                              "join tbl_DealerMaster g on g.sDealerCode = c.sGroupCode "
                              "and g.nDealerCategory = 7 "
                              "where c.nDealerCategory = ?1 order by c.sDealerId limit ?2",
                              {static_cast<long long>(category), static_cast<long long>(limit)});
    std::vector<Row> rows;
    while (result->Next())
        rows.emplace_back(std::string(result->Value(0).value_or("")),
                          std::string(result->Value(1).value_or("")));
    return rows;
}

// Every line breaks the file's format in its own way; more lines than the
// loader's default error limit (10), so that a load copies nothing.
std::vector<std::string> BadLines(std::size_t count) {
    static const char* const kinds[] = {
        "G001",                               // one field
        "G001,C000001,extra",                 // three fields
        "G001;C000001",                       // wrong separator: one field
        "G001,C0000000000000000000000000001", // client id longer than 20
        "GROUP-ID-THAT-IS-FAR-TOO-LONG,C000002",
        "G001\tC000003", // tab separated
    };
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < std::max<std::size_t>(count, 12); ++i)
        lines.emplace_back(kinds[i % std::size(kinds)]);
    return lines;
}

// Loadable rows: good clients, and among them ones the procedure refuses.
std::vector<std::string> MixedLines(Admin& admin, const SampleOptions& options) {
    const int source = options.conversionType == 1 ? 2 : 4;
    const int target = options.conversionType == 1 ? 4 : 2;
    std::vector<std::string> lines;
    std::vector<Row> good = Clients(admin, source, options.rows);
    const std::vector<Row> done = Clients(admin, target, 1);
    for (std::size_t i = 0; i < good.size(); ++i) {
        lines.push_back(good[i].first + "," + good[i].second);
        switch (i % 5) {
        case 1:
            lines.push_back(good[i].first + ",NO-SUCH-CLIENT"); // unknown client
            break;
        case 2:
            lines.push_back("NO-SUCH-GROUP," + good[i].second); // unknown group
            break;
        case 3:
            lines.push_back(good[i].first + "," + good[i].second); // listed twice
            break;
        case 4:
            if (!done.empty()) // already converted
                lines.push_back(done[0].first + "," + done[0].second);
            break;
        }
    }
    return lines;
}

} // namespace

std::size_t WriteSampleFile(Admin& admin, const std::filesystem::path& file,
                            const SampleOptions& options) {
    std::vector<std::string> lines;
    switch (options.kind) {
    case SampleKind::Good:
        for (const Row& row : Clients(admin, options.conversionType == 1 ? 2 : 4, options.rows))
            lines.push_back(row.first + "," + row.second);
        break;
    case SampleKind::Bad:
        lines = BadLines(options.rows);
        break;
    case SampleKind::Mixed:
        lines = MixedLines(admin, options);
        break;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const char* end = options.crlf ? "\r\n" : "\n";
    for (const std::string& line : lines)
        out << line << end;
    out.close();
    if (!out)
        throw Error("HY000", 0, "Cannot write the sample file " + file.string() + ".");
    return lines.size();
}

} // namespace embsql
