// keycask's operations: the library's state (initialisation count, handles,
// blocks), the key derivation and the sealed form, over libsodium.
#include "keycask.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kKeySize = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
static_assert(KC_MARKER_SIZE + kNonceSize + kTagSize == KC_SEAL_OVERHEAD);

constexpr std::size_t kMaxContext = 255;
constexpr std::size_t kMaxPassphrase = 1024;
constexpr unsigned int kMaxBlock = 65536;

// Argon2id limits of the first sealed form. The key is derived once per
// handle, so a moderate cost is paid once per run, not once per value.
constexpr unsigned long long kKdfOps = 3;
constexpr std::size_t kKdfMemory = 8u << 20;
// Keys the hash that turns a handle's context into the Argon2id salt.
constexpr unsigned char kSaltKey[16] = {'k', 'e', 'y', 'c', 'a', 's', 'k', '.',
                                        'v', '1', '.', 's', 'a', 'l', 't', '.'};

struct Handle {
    std::string context;
    bool hasKey = false;
    std::array<unsigned char, kKeySize> key{};

    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { sodium_memzero(key.data(), key.size()); }
};

struct State {
    std::mutex mutex;
    int initCount = 0;
    kc_handle lastHandle = 0;
    std::unordered_map<kc_handle, Handle> handles;
    std::unordered_map<unsigned char*, std::size_t> blocks;
};

// Never destroyed, so that blocks can still be freed from other objects'
// destructors at exit.
State& TheState() {
    static State* state = new State;
    return *state;
}

// Caller holds the mutex. Looks up a usable handle or says why there is none.
kc_status FindKeyedHandle(State& s, kc_handle handle, Handle** found) {
    if (s.initCount == 0)
        return KC_E_NOT_INITIALISED;
    auto it = s.handles.find(handle);
    if (handle == 0 || it == s.handles.end())
        return KC_E_BAD_HANDLE;
    *found = &it->second;
    return KC_OK;
}

const char* Describe(kc_status status) {
    switch (status) {
    case KC_OK:
        return "success";
    case KC_E_NOT_INITIALISED:
        return "the cipher library is not initialised";
    case KC_E_BAD_HANDLE:
        return "unknown or released handle";
    case KC_E_NULL_ARGUMENT:
        return "a required argument is missing (null pointer)";
    case KC_E_NO_PASSPHRASE:
        return "no passphrase has been set on the handle";
    case KC_E_TRUNCATED:
        return "the sealed value is truncated";
    case KC_E_BAD_MARKER:
        return "the value is not a sealed value of a known version";
    case KC_E_REFUSED:
        return "the sealed value was altered or sealed with another passphrase";
    case KC_E_NO_ROOM:
        return "the output does not fit the space given for it";
    case KC_E_NO_MEMORY:
        return "out of memory";
    case KC_E_NOT_FINAL:
        return "partial input is not supported";
    case KC_E_BAD_ARGUMENT:
        return "an argument is out of range";
    case KC_E_UNKNOWN_BLOCK:
        return "the output block was not allocated by the cipher library";
    default:
        return nullptr;
    }
}

} // namespace

extern "C" {

int kc_initialise(void) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (sodium_init() < 0)
        return 0;
    ++s.initCount;
    return 1;
}

kc_handle kc_create_handle(const char* context) {
    if (context == nullptr)
        return 0;
    const std::size_t length = strnlen(context, kMaxContext + 1);
    if (length == 0 || length > kMaxContext)
        return 0;
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.initCount == 0)
        return 0;
    // Skip 0 and any number still in use after the counter wraps.
    kc_handle handle = s.lastHandle;
    do {
        ++handle;
    } while (handle == 0 || s.handles.count(handle) != 0);
    try {
        s.handles[handle].context.assign(context, length);
    } catch (...) {
        s.handles.erase(handle);
        return 0;
    }
    s.lastHandle = handle;
    return handle;
}

kc_status kc_set_passphrase(kc_handle handle, const char* passphrase) {
    State& s = TheState();
    std::string context;
    {
        std::lock_guard lock(s.mutex);
        Handle* h = nullptr;
        if (kc_status status = FindKeyedHandle(s, handle, &h); status != KC_OK)
            return status;
        if (passphrase == nullptr)
            return KC_E_NULL_ARGUMENT;
        context = h->context;
    }
    const std::size_t length = strnlen(passphrase, kMaxPassphrase + 1);
    if (length == 0 || length > kMaxPassphrase)
        return KC_E_BAD_ARGUMENT;

    // The derivation takes milliseconds and memory; it runs unlocked.
    unsigned char salt[crypto_pwhash_SALTBYTES];
    crypto_generichash(salt, sizeof salt, reinterpret_cast<const unsigned char*>(context.data()),
                       context.size(), kSaltKey, sizeof kSaltKey);
    std::array<unsigned char, kKeySize> key{};
    if (crypto_pwhash(key.data(), key.size(), passphrase, length, salt, kKdfOps, kKdfMemory,
                      crypto_pwhash_ALG_ARGON2ID13) != 0)
        return KC_E_NO_MEMORY;

    std::lock_guard lock(s.mutex);
    Handle* h = nullptr;
    kc_status status = FindKeyedHandle(s, handle, &h);
    if (status == KC_OK) {
        h->key = key;
        h->hasKey = true;
    }
    sodium_memzero(key.data(), key.size());
    return status;
}

unsigned char* kc_alloc_block(unsigned int size) {
    if (size == 0 || size > kMaxBlock)
        return nullptr;
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.initCount == 0)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::calloc(size, 1));
    if (block == nullptr)
        return nullptr;
    try {
        s.blocks.emplace(block, size);
    } catch (...) {
        std::free(block);
        return nullptr;
    }
    return block;
}

kc_status kc_encrypt(kc_handle handle, const unsigned char* input, unsigned int inputLength,
                     unsigned char* output, unsigned int capacity, unsigned int* outputLength) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    Handle* h = nullptr;
    if (kc_status status = FindKeyedHandle(s, handle, &h); status != KC_OK)
        return status;
    if ((input == nullptr && inputLength != 0) || output == nullptr || outputLength == nullptr)
        return KC_E_NULL_ARGUMENT;
    if (!h->hasKey)
        return KC_E_NO_PASSPHRASE;
    const unsigned long long sealedSize =
        static_cast<unsigned long long>(inputLength) + KC_SEAL_OVERHEAD;
    if (sealedSize > capacity)
        return KC_E_NO_ROOM;

    const auto* marker = reinterpret_cast<const unsigned char*>(KC_MARKER);
    std::memcpy(output, marker, KC_MARKER_SIZE);
    unsigned char* nonce = output + KC_MARKER_SIZE;
    randombytes_buf(nonce, kNonceSize);
    // The marker is authenticated too, so a value cannot be passed off as
    // another version of the format.
    crypto_aead_xchacha20poly1305_ietf_encrypt(output + KC_MARKER_SIZE + kNonceSize, nullptr, input,
                                               inputLength, marker, KC_MARKER_SIZE, nullptr, nonce,
                                               h->key.data());
    *outputLength = static_cast<unsigned int>(sealedSize);
    return KC_OK;
}

kc_status kc_decrypt(kc_handle handle, const unsigned char* input, unsigned int inputLength,
                     unsigned char** output, unsigned int* outputLength, int final) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    Handle* h = nullptr;
    if (kc_status status = FindKeyedHandle(s, handle, &h); status != KC_OK)
        return status;
    if (input == nullptr || output == nullptr || outputLength == nullptr)
        return KC_E_NULL_ARGUMENT;
    if (final == 0)
        return KC_E_NOT_FINAL;
    if (!h->hasKey)
        return KC_E_NO_PASSPHRASE;
    const std::size_t prefix = std::min<std::size_t>(inputLength, KC_MARKER_SIZE);
    if (std::memcmp(input, KC_MARKER, prefix) != 0)
        return KC_E_BAD_MARKER;
    if (inputLength < KC_SEAL_OVERHEAD)
        return KC_E_TRUNCATED;

    const std::size_t plainSize = inputLength - KC_SEAL_OVERHEAD;
    if (*output == nullptr)
        return KC_E_NULL_ARGUMENT;
    auto block = s.blocks.find(*output);
    if (block == s.blocks.end())
        return KC_E_UNKNOWN_BLOCK;
    if (block->second < plainSize)
        return KC_E_NO_ROOM;

    // Opened into a scratch buffer so that a refused value leaves the
    // caller's block exactly as it was.
    std::vector<unsigned char> plain;
    try {
        plain.resize(plainSize + 1);
    } catch (...) {
        return KC_E_NO_MEMORY;
    }
    const unsigned char* nonce = input + KC_MARKER_SIZE;
    const unsigned char* sealed = nonce + kNonceSize;
    const int opened = crypto_aead_xchacha20poly1305_ietf_decrypt(
        plain.data(), nullptr, nullptr, sealed, plainSize + kTagSize,
        reinterpret_cast<const unsigned char*>(KC_MARKER), KC_MARKER_SIZE, nonce, h->key.data());
    if (opened == 0) {
        std::memcpy(*output, plain.data(), plainSize);
        *outputLength = static_cast<unsigned int>(plainSize);
    }
    sodium_memzero(plain.data(), plain.size());
    return opened == 0 ? KC_OK : KC_E_REFUSED;
}

kc_status kc_describe_status(kc_handle /*handle*/, kc_status status, char* buffer,
                             unsigned int size) {
    if (buffer == nullptr || size == 0)
        return KC_E_NULL_ARGUMENT;
    if (const char* text = Describe(status))
        std::snprintf(buffer, size, "%s", text);
    else
        std::snprintf(buffer, size, "unknown status %u", static_cast<unsigned>(status));
    return KC_OK;
}

void kc_free_block(unsigned char* block) {
    if (block == nullptr)
        return;
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    auto it = s.blocks.find(block);
    if (it == s.blocks.end())
        return;
    sodium_memzero(block, it->second);
    std::free(block);
    s.blocks.erase(it);
}

void kc_release_handle(kc_handle handle) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    s.handles.erase(handle);
}

void kc_shutdown(void) {
    State& s = TheState();
    std::lock_guard lock(s.mutex);
    if (s.initCount == 0)
        return;
    if (--s.initCount == 0)
        s.handles.clear();
}

} // extern "C"
