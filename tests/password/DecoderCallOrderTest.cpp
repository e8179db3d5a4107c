// CPasswordEncrypt against a recording double of the cipher operations: the
// calls it makes, in which order, with which arguments, on every path.
#include "db/PasswordEncrypt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr kc_handle kHandle = 7;

// What the double answers and what it saw.
struct Recorder {
    int initResult = 1;
    kc_handle handleResult = kHandle;
    kc_status decryptStatus = KC_OK;
    std::string decrypted;           // written into the output block
    unsigned int reportedLength = 0; // stored in the output length

    std::vector<std::string> calls;
    std::vector<unsigned char*> blocks; // in allocation order: b1, b2, ...; null once freed
    std::string inputSeen;
    std::string passphraseSeen;
    std::string contextSeen;

    std::string Name(const unsigned char* block) const {
        for (std::size_t i = 0; i < blocks.size(); ++i)
            if (block != nullptr && blocks[i] == block)
                return "b" + std::to_string(i + 1);
        return block == nullptr ? "null" : "foreign";
    }
};

Recorder* g_rec = nullptr;

int Initialise() {
    g_rec->calls.push_back("initialise");
    return g_rec->initResult;
}
kc_handle CreateHandle(const char* context) {
    g_rec->calls.push_back("create");
    g_rec->contextSeen = context;
    return g_rec->handleResult;
}
kc_status SetPassphrase(kc_handle handle, const char* passphrase) {
    g_rec->calls.push_back("passphrase h" + std::to_string(handle));
    g_rec->passphraseSeen = passphrase;
    return KC_E_REFUSED; // never examined
}
unsigned char* AllocBlock(unsigned int size) {
    g_rec->calls.push_back("alloc " + std::to_string(size));
    // Exactly the size asked for, so that reading past it is caught.
    g_rec->blocks.push_back(new unsigned char[size]());
    return g_rec->blocks.back();
}
kc_status Decrypt(kc_handle handle, const unsigned char* input, unsigned int inputLength,
                  unsigned char** output, unsigned int* outputLength, int final) {
    g_rec->calls.push_back("decrypt h" + std::to_string(handle) + " " + g_rec->Name(input) +
                           " len" + std::to_string(inputLength) + " into " + g_rec->Name(*output) +
                           " final" + std::to_string(final));
    g_rec->inputSeen.assign(reinterpret_cast<const char*>(input), inputLength);
    std::memcpy(*output, g_rec->decrypted.data(), g_rec->decrypted.size());
    *outputLength = g_rec->reportedLength;
    return g_rec->decryptStatus;
}
kc_status DescribeStatus(kc_handle handle, kc_status status, char* text, unsigned int size) {
    g_rec->calls.push_back("describe h" + std::to_string(handle) + " s" + std::to_string(status) +
                           " size" + std::to_string(size));
    std::memset(text, 'd', size); // no terminating zero: the decoder must add one
    return KC_OK;
}
void FreeBlock(unsigned char* block) {
    g_rec->calls.push_back("free " + g_rec->Name(block));
    for (unsigned char*& live : g_rec->blocks)
        if (live == block)
            live = nullptr;
    delete[] block;
}
void ReleaseHandle(kc_handle handle) {
    g_rec->calls.push_back("release h" + std::to_string(handle));
}
void Shutdown() {
    g_rec->calls.push_back("shutdown");
}

constexpr CipherOperations kDouble = {Initialise, CreateHandle,  SetPassphrase,
                                      AllocBlock, Decrypt,       DescribeStatus,
                                      FreeBlock,  ReleaseHandle, Shutdown};

struct Scenario {
    const char* name;
    int initResult;
    kc_handle handleResult;
    kc_status decryptStatus;
    std::string decrypted;
    unsigned int reportedLength;
    unsigned int inputLength;
    int expectedResult;
    std::vector<std::string> expectedCalls;
};

const std::vector<std::string> kPrepared = {"initialise", "create", "passphrase h7"};
const std::vector<std::string> kDecrypted = {"alloc 512", "alloc 512",
                                             "decrypt h7 b2 len40 into b1 final1"};
const std::vector<std::string> kFreed = {"free b1", "free b2"};
const std::vector<std::string> kDestroyed = {"release h7", "shutdown"};

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::string kWithZero("ab\0cd", 5);

const Scenario kScenarios[] = {
    {"success", 1, kHandle, KC_OK, "secret", 6, 40, 1,
     Join({kPrepared, kDecrypted, kFreed, kDestroyed})},
    {"initialisation fails", 0, kHandle, KC_OK, "secret", 6, 40, 0,
     Join({{"initialise", "alloc 512", "alloc 512"}, kFreed, {"shutdown"}})},
    {"no handle", 1, 0, KC_OK, "secret", 6, 40, 0,
     Join({{"initialise", "create", "alloc 512", "alloc 512"}, kFreed, {"shutdown"}})},
    {"decrypt fails, no output", 1, kHandle, KC_E_REFUSED, "", 0, 40, 0,
     Join({kPrepared, kDecrypted, {"describe h7 s7 size512"}, kFreed, kDestroyed})},
    {"decrypt fails, some output", 1, kHandle, KC_E_TRUNCATED, "junk", 4, 40, 0,
     Join({kPrepared, kDecrypted, {"describe h7 s5 size512"}, kFreed, kDestroyed})},
    {"output length 0", 1, kHandle, KC_OK, "", 0, 40, 1,
     Join({kPrepared, kDecrypted, kFreed, kDestroyed})},
    {"zero byte inside", 1, kHandle, KC_OK, kWithZero, 5, 40, 1,
     Join({kPrepared, kDecrypted, kFreed, kDestroyed})},
    {"longest that leaves room for the zero", 1, kHandle, KC_OK, std::string(511, 'L'), 511, 40, 1,
     Join({kPrepared, kDecrypted, kFreed, kDestroyed})},
    {"over-long output", 1, kHandle, KC_OK, std::string(512, 'O'), 512, 40, 0,
     Join({kPrepared, kDecrypted, kFreed, kDestroyed})},
    {"far over-long output", 1, kHandle, KC_OK, "short", 100000, 40, 0,
     Join({kPrepared, kDecrypted, kFreed, kDestroyed})},
    {"input longer than a block", 1, kHandle, KC_OK, "secret", 6, 513, 0,
     Join({kPrepared, {"alloc 512", "alloc 512"}, kFreed, kDestroyed})},
};

TEST(DecoderCallOrder, EveryPathMakesItsCallsInOrderAndFreesEveryBlock) {
    for (const Scenario& s : kScenarios) {
        SCOPED_TRACE(s.name);
        Recorder rec;
        rec.initResult = s.initResult;
        rec.handleResult = s.handleResult;
        rec.decryptStatus = s.decryptStatus;
        rec.decrypted = s.decrypted;
        rec.reportedLength = s.reportedLength;
        g_rec = &rec;

        std::vector<unsigned char> input(s.inputLength);
        for (std::size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<unsigned char>('A' + i % 26);
        // The caller's 512-byte buffer, with guard bytes after it.
        std::vector<unsigned char> buffer(kPasswordBufferSize + 64, 0);
        unsigned int outputLength = 0;
        int result = -1;
        std::string errorText;
        {
            CPasswordEncrypt decoder(kDouble);
            result = decoder.Decrypt(input.data(), s.inputLength, buffer.data(), &outputLength);
            errorText = decoder.ErrorText();
        }
        g_rec = nullptr;

        EXPECT_EQ(result, s.expectedResult);
        EXPECT_EQ(rec.calls, s.expectedCalls);
        const bool decryptCalled = rec.calls.size() > 5 && rec.calls[5].rfind("decrypt", 0) == 0;
        if (decryptCalled) {
            EXPECT_EQ(rec.inputSeen, std::string(input.begin(), input.end()));
            EXPECT_EQ(rec.contextSeen, kPasswordContext);
            EXPECT_EQ(rec.passphraseSeen, "KVRT5120PLMA36194WXQZ802BJS713");
        }

        const std::string copied(buffer.begin(), buffer.begin() + kPasswordBufferSize);
        if (result == 1) {
            EXPECT_EQ(copied.substr(0, s.reportedLength), s.decrypted);
            EXPECT_EQ(copied.find_first_not_of('\0', s.reportedLength), std::string::npos);
            EXPECT_EQ(errorText, "");
        } else {
            EXPECT_EQ(copied, std::string(kPasswordBufferSize, '\0'))
                << "nothing copied on failure";
        }
        for (std::size_t i = kPasswordBufferSize; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], 0) << "written past the caller's buffer at " << i;

        if (s.decryptStatus != KC_OK && decryptCalled) {
            EXPECT_EQ(errorText, std::string(kPasswordBufferSize - 1, 'd'));
        }
        if (s.reportedLength >= kPasswordBufferSize) {
            EXPECT_NE(errorText.find("does not fit"), std::string::npos) << errorText;
        }
    }
}

} // namespace
