// Login hashes: their strength, old hashes brought up to it, and failed
// logins that take as long for an unknown name as for a known one.
#include "EngineFixture.h"

#include <sodium.h>

#include <algorithm>
#include <chrono>

namespace embsql::test {
namespace {

using LoginTest = EngineTest;

// The memory (KiB) and passes of an Argon2id hash string.
struct HashCost {
    unsigned long long kib = 0;
    unsigned long long passes = 0;
};
HashCost CostOf(const std::string& hash) {
    HashCost cost;
    if (hash.rfind("$argon2id$", 0) != 0 ||
        std::sscanf(hash.c_str(), "$argon2id$v=19$m=%llu,t=%llu", &cost.kib, &cost.passes) != 2)
        ADD_FAILURE() << "not an Argon2id hash: " << hash;
    return cost;
}

TEST_F(LoginTest, HashesUseAtLeastTheInteractiveLimits) {
    Owner().AddLogin("op", "Op-pass1");
    const HashCost cost =
        CostOf(Query("select sHash from embsql_login where sName = 'op'").at(0).at(0));
    EXPECT_GE(cost.kib * 1024, crypto_pwhash_MEMLIMIT_INTERACTIVE);
    EXPECT_GE(cost.passes, crypto_pwhash_OPSLIMIT_INTERACTIVE);
}

TEST_F(LoginTest, AWeakerOlderHashStillLogsInAndIsReplacedByAStrongerOne) {
    // A hash as earlier versions stored it: 1 MiB, 2 passes.
    char old[crypto_pwhash_STRBYTES];
    ASSERT_EQ(sodium_init() >= 0, true);
    ASSERT_EQ(
        crypto_pwhash_str_alg(old, "Old-pass1", 9, 2, 1024 * 1024, crypto_pwhash_ALG_ARGON2ID13),
        0);
    Owner().RunScript("update embsql_login set sHash = ?1 where sName = 'sa'", {std::string(old)});
    const auto stored = [this] { return Query("select sHash from embsql_login")[0][0]; };

    EXPECT_THROW(Session::Connect(kServer, kDatabase, "sa", "Old-pass2"), Error);
    EXPECT_EQ(stored(), old) << "a failed login changes nothing";
    EXPECT_EQ(Session::Connect(kServer, kDatabase, "sa", "Old-pass1")->Login(), "sa");
    EXPECT_NE(stored(), old);
    EXPECT_GE(CostOf(stored()).kib * 1024, crypto_pwhash_MEMLIMIT_INTERACTIVE);
    EXPECT_NO_THROW(Session::Connect(kServer, kDatabase, "sa", "Old-pass1"));
}

TEST_F(LoginTest, AnUnknownNameFailsAsSlowlyAsAWrongPassword) {
    // Timing must not tell which names exist. Medians of interleaved tries
    // keep the machine's other work out of the comparison.
    const auto time = [](const char* login) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_THROW(Session::Connect(kServer, kDatabase, login, "wrong"), Error);
        return std::chrono::steady_clock::now() - start;
    };
    std::vector<std::chrono::nanoseconds> known, unknown;
    for (int i = 0; i < 5; ++i) {
        known.push_back(time("sa"));
        unknown.push_back(time("nobody"));
    }
    std::sort(known.begin(), known.end());
    std::sort(unknown.begin(), unknown.end());
    EXPECT_GT(unknown[2] * 2, known[2])
        << "unknown " << unknown[2].count() << " ns, known " << known[2].count() << " ns";
}

} // namespace
} // namespace embsql::test
