// Fuzzing the password decoder. The first byte chooses: even, the rest is a stored
// "Server PWD" value to decode (it must be refused or fit the program's buffer); odd, the
// rest is a password, sealed as the administrators' command seals it, which must decode
// to itself whenever it is short enough to be stored. A difference aborts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/PasswordEncrypt.h"
#include "keycask.h"

namespace {

// Deriving the key is slow on purpose: one decoder and one sealing handle for the run.
CPasswordEncrypt& Decoder() {
    static CPasswordEncrypt decoder;
    return decoder;
}

kc_handle Sealer() {
    static const kc_handle handle = [] {
        kc_initialise();
        const kc_handle h = kc_create_handle(kPasswordContext);
        kc_set_passphrase(h, kPasswordPassphrase);
        return h;
    }();
    return handle;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "password decoder: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool seal = (data[0] & 1) != 0;
    const unsigned char* rest = data + 1;
    const auto restLength = static_cast<unsigned int>(size - 1);

    unsigned char stored[kPasswordBufferSize] = {};
    unsigned int storedLength = 0;
    if (seal) {
        if (restLength > kMaxPasswordLength) {
            return 0;
        }
        if (kc_encrypt(Sealer(), rest, restLength, stored, sizeof stored, &storedLength) != 0) {
            Fail("a short password could not be sealed");
        }
    } else {
        storedLength = restLength;
    }
    const unsigned char* input = seal ? stored : rest;

    unsigned char output[kPasswordBufferSize] = {};
    unsigned int outputLength = 0;
    const int decoded = Decoder().Decrypt(input, storedLength, output, &outputLength);
    if (decoded == 1 && outputLength >= kPasswordBufferSize) {
        Fail("the password leaves no room for its terminating zero");
    }
    if (seal && (decoded != 1 || outputLength != restLength ||
                 std::memcmp(output, rest, restLength) != 0)) {
        Fail("a sealed password did not decode to itself");
    }
    return 0;
}
