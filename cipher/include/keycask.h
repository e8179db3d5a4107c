/* keycask: a small sealing library. It seals short secrets (such as a stored
 * database password) with a key derived from a passphrase, and opens them
 * again. C interface; each operation carries its ordinal number beside it. */
#ifndef KEYCASK_H
#define KEYCASK_H

#if defined(__GNUC__)
#define KC_API __attribute__((visibility("default")))
#else
#define KC_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A handle names one sealing context with its passphrase; 0 is never a handle. */
typedef unsigned int kc_handle;

/* Result of the operations that can fail: 0 is success, anything else a
 * failure that kc_describe_status turns into text. */
typedef unsigned short kc_status;

enum {
    KC_OK = 0,
    KC_E_NOT_INITIALISED = 1, /* kc_initialise has not been called (or was undone) */
    KC_E_BAD_HANDLE = 2,      /* the handle is 0, released or never made */
    KC_E_NULL_ARGUMENT = 3,   /* a required pointer argument is null */
    KC_E_NO_PASSPHRASE = 4,   /* no passphrase has been set on the handle */
    KC_E_TRUNCATED = 5,       /* the sealed value is shorter than its fixed parts */
    KC_E_BAD_MARKER = 6,      /* the sealed value does not start with a known marker */
    KC_E_REFUSED = 7,         /* tampered, or sealed with another passphrase or context */
    KC_E_NO_ROOM = 8,         /* the output does not fit the caller's block or buffer */
    KC_E_NO_MEMORY = 9,       /* memory could not be obtained */
    KC_E_NOT_FINAL = 10,      /* partial input (final flag 0) is not supported */
    KC_E_BAD_ARGUMENT = 11,   /* an argument is out of its range (empty passphrase, ...) */
    KC_E_UNKNOWN_BLOCK = 12   /* the output block was not made by kc_alloc_block */
};

/* The sealed form: the marker "KC1", a 24-byte random nonce, the ciphertext
 * (as long as the secret) and a 16-byte authentication tag. */
#define KC_MARKER "KC1"
#define KC_MARKER_SIZE 3u
#define KC_SEAL_OVERHEAD 43u

/* Size of the blocks the program works with. */
#define KC_BLOCK_SIZE 512u

/* 5: initialise the library. Returns non-zero on success, 0 when the
 * cryptography underneath cannot be started. Counted: every successful call
 * is undone by one kc_shutdown. */
KC_API int kc_initialise(void);

/* 11: create a handle for the given context text (1 to 255 bytes, zero-
 * terminated). The context takes part in the key: a value sealed under one
 * context does not open under another. Returns 0 when the library is not
 * initialised, the text is null, empty or too long, or memory runs out. */
KC_API kc_handle kc_create_handle(const char* context);

/* 137: set the passphrase (a non-empty zero-terminated text) on a handle and
 * derive its key. Returns KC_OK or a failure status. */
KC_API kc_status kc_set_passphrase(kc_handle handle, const char* passphrase);

/* 15: allocate a zero-filled block of the given size (1 to 65536 bytes).
 * Returns null when the library is not initialised, the size is out of range
 * or memory runs out. Blocks outlive kc_shutdown; free each with kc_free_block. */
KC_API unsigned char* kc_alloc_block(unsigned int size);

/* 172: open a sealed value. `input`/`inputLength` is the sealed value;
 * `*output` is a block from kc_alloc_block that receives the secret in place
 * (so the pointer keeps designating it). On success `*outputLength` is the
 * secret's length; on failure neither the block nor `*outputLength` changes.
 * KC_E_NO_ROOM when the secret is larger than the block, KC_E_REFUSED when
 * the value was altered or sealed with another passphrase or context.
 * `final` must be non-zero (the whole value is given at once). */
KC_API kc_status kc_decrypt(kc_handle handle, const unsigned char* input, unsigned int inputLength,
                            unsigned char** output, unsigned int* outputLength, int final);

/* 170: write the zero-terminated description of a status into `buffer`
 * (`size` bytes, cut short when needed). Returns KC_OK, or KC_E_NULL_ARGUMENT
 * when the buffer is null or its size 0. Works in any state, any handle. */
KC_API kc_status kc_describe_status(kc_handle handle, kc_status status, char* buffer,
                                    unsigned int size);

/* 16: free a block made by kc_alloc_block, wiping it first.
 * Null and pointers the library did not make are ignored. */
KC_API void kc_free_block(unsigned char* block);

/* 12: release a handle and wipe its key. Unknown handles are ignored. */
KC_API void kc_release_handle(kc_handle handle);

/* 6: undo one kc_initialise; the last one releases every handle left.
 * Does nothing when the library is not initialised. */
KC_API void kc_shutdown(void);

/* Seal a secret (our own operation, not part of the decoder's nine). Writes
 * the sealed form, inputLength + KC_SEAL_OVERHEAD bytes, into `output`
 * (`capacity` bytes) and its size into `*outputLength`. Returns KC_OK, or a
 * failure status with `*outputLength` unchanged; KC_E_NO_ROOM when the
 * sealed form does not fit `capacity`. */
KC_API kc_status kc_encrypt(kc_handle handle, const unsigned char* input, unsigned int inputLength,
                            unsigned char* output, unsigned int capacity,
                            unsigned int* outputLength);

#ifdef __cplusplus
}
#endif

#endif /* KEYCASK_H */
