// Cutting batches, substituting parameters, qualified names.
#include "tds/Sql.h"

#include <gtest/gtest.h>

namespace {

TEST(Sql, SplitsBatchesWhereStatementsBegin) {
    const struct {
        const char* batch;
        std::vector<std::string> statements;
    } cases[] = {
        {"SET FMTONLY ON select * from t SET FMTONLY OFF",
         {"SET FMTONLY ON", "select * from t", "SET FMTONLY OFF"}},
        {"select 1; select 2;", {"select 1", "select 2"}},
        {"select 1 union select 2", {"select 1 union select 2"}},
        {"select a from (select 1 a) x select 3", {"select a from (select 1 a) x", "select 3"}},
        {"select ';select', [set] from t -- set x\nexec p 'a','b'",
         {"select ';select', [set] from t", "exec p 'a','b'"}},
        {"IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION",
         {"IF @@TRANCOUNT > 0 COMMIT BEGIN TRANSACTION"}},
        {"insert bulk t ([a] int) with (TABLOCK)", {"insert bulk t ([a] int) with (TABLOCK)"}},
        {"select 'unclosed", {"select 'unclosed"}},
        {"  ;; ", {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (std::string_view s : tds::SplitBatch(c.batch))
            got.emplace_back(s);
        EXPECT_EQ(got, c.statements) << c.batch;
    }
}

TEST(Sql, SubstitutesOnlyRealParameters) {
    const std::map<std::string, std::string> values = {{"p1", "'x'"}, {"p2", "5"}};
    EXPECT_EQ(tds::SubstituteParameters("select @P1, '@P1', [@p1], @@spid, @p2 -- @p1", values),
              "select 'x', '@P1', [@p1], @@spid, 5 -- @p1");
    EXPECT_EQ(tds::SubstituteParameters("select @p10, @p2", values), "select @p10, 5");
}

TEST(Sql, ReadsParameterNames) {
    EXPECT_EQ(tds::ParameterNames("@P1 int, @P2 nvarchar(4000) OUTPUT,@Third decimal(10, 2)"),
              (std::vector<std::string>{"p1", "p2", "third"}));
    EXPECT_TRUE(tds::ParameterNames("").empty());
}

TEST(Sql, DropsQualifiersOfTheCurrentDatabase) {
    EXPECT_EQ(tds::StripQualifiers("select * from DB1..t", "db1"), "select * from t");
    EXPECT_EQ(tds::StripQualifiers("select * from [DB1].[dbo].[t] x", "DB1"),
              "select * from [t] x");
    EXPECT_EQ(tds::StripQualifiers("exec dbo.p 'DB1..t'", "DB1"), "exec p 'DB1..t'");
    EXPECT_EQ(tds::StripQualifiers("select * from Other..t", "DB1"), "select * from Other..t");
    EXPECT_EQ(tds::StripQualifiers("select x.a from t x", "DB1"), "select x.a from t x");
}

} // namespace
