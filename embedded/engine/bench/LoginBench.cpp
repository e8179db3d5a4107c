// Prints what one login costs: a connect with the right password, a wrong
// one, an unknown name, and a wrong password against a hash as earlier
// versions stored it (Argon2id with 1 MiB and 2 passes).
#include "embsql/Admin.h"

#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr int kTries = 10;

// Median and mean of kTries runs of `connect`, in milliseconds.
void Time(const char* what, const std::function<void()>& connect) {
    std::vector<double> ms;
    for (int i = 0; i < kTries; ++i) {
        const auto start = std::chrono::steady_clock::now();
        connect();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double m : ms)
        sum += m;
    std::printf("%-44s median %7.2f ms, mean %7.2f ms\n", what, ms[kTries / 2], sum / kTries);
}

void Fails(const char* login, const char* password) {
    try {
        embsql::Session::Connect("bench", "logins", login, password);
        std::fprintf(stderr, "%s logged in with a wrong password\n", login);
        std::exit(1);
    } catch (const embsql::Error&) {
    }
}

} // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "embsql-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr || sodium_init() < 0)
        return 1;
    setenv("EMBSQL_DATA_DIR", pattern.c_str(), 1);
    int status = 0;
    try {
        auto admin = embsql::Admin::Create("bench", "logins");
        Time("setting a password (hashing)", [&] { admin->AddLogin("op", "Op-pass1"); });
        Time("login, right password",
             [] { embsql::Session::Connect("bench", "logins", "op", "Op-pass1"); });
        Time("login, wrong password", [] { Fails("op", "wrong"); });
        Time("login, unknown name", [] { Fails("nobody", "wrong"); });

        char old[crypto_pwhash_STRBYTES];
        if (crypto_pwhash_str_alg(old, "Old-pass1", 9, 2, 1024 * 1024,
                                  crypto_pwhash_ALG_ARGON2ID13) != 0)
            return 1;
        admin->AddLogin("legacy", "x");
        admin->RunScript("update embsql_login set sHash = ?1 where sName = 'legacy'",
                         {std::string(old)});
        Time("login, wrong password, 1 MiB hash of before", [] { Fails("legacy", "wrong"); });
    } catch (const embsql::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 1;
    }
    std::filesystem::remove_all(pattern);
    return status;
}
