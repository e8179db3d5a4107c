// CPasswordEncrypt: turns the stored "Server PWD" bytes back into the plain
// database password through the cipher library, and the fixed texts both
// the program and the administrators' sealing command hand to that library.
#pragma once

#include "keycask.h"

// The passphrase the stored password is sealed with.
inline constexpr char kPasswordPassphrase[] = "KVRT5120PLMA36194WXQZ802BJS713";
// The text the cipher library takes at handle creation; part of the key.
inline constexpr char kPasswordContext[] = "SolvaneToOrbelle Server PWD";
// The size of the program's password buffer and of the library blocks.
inline constexpr unsigned int kPasswordBufferSize = 512;
// The longest "Server PWD" value the start-up reads from the registry.
inline constexpr unsigned int kMaxStoredPasswordBytes = 255;
// The longest password whose sealed form fits that value.
inline constexpr unsigned int kMaxPasswordLength = kMaxStoredPasswordBytes - KC_SEAL_OVERHEAD;

// The nine cipher library operations the decoder calls, in one table so that
// tests can put a recording double in the library's place. Each is named
// with the ordinal number under which the library exports it.
struct CipherOperations {
    int (*initialise)();                                           // ordinal 5
    kc_handle (*createHandle)(const char* context);                // ordinal 11
    kc_status (*setPassphrase)(kc_handle, const char* passphrase); // ordinal 137
    unsigned char* (*allocBlock)(unsigned int size);               // ordinal 15
    kc_status (*decrypt)(kc_handle, const unsigned char* input, unsigned int inputLength,
                         unsigned char** output, unsigned int* outputLength,
                         int final);                                                  // ordinal 172
    kc_status (*describeStatus)(kc_handle, kc_status, char* text, unsigned int size); // ordinal 170
    void (*freeBlock)(unsigned char* block);                                          // ordinal 16
    void (*releaseHandle)(kc_handle);                                                 // ordinal 12
    void (*shutdown)();                                                               // ordinal 6
};

// The table of the real keycask operations.
const CipherOperations& KeycaskOperations();

class CPasswordEncrypt {
public:
    // Initialises the library, creates a handle and sets the passphrase.
    // Never fails visibly: without a handle, Decrypt returns 0.
    CPasswordEncrypt();
    // The same, through another table of operations (which must outlive
    // the decoder).
    explicit CPasswordEncrypt(const CipherOperations& operations);
    // Releases the handle if there is one; shuts the library down always.
    virtual ~CPasswordEncrypt();

    CPasswordEncrypt(const CPasswordEncrypt&) = delete;
    CPasswordEncrypt& operator=(const CPasswordEncrypt&) = delete;

    // Decrypts inputLength bytes at input into output (a zero-filled buffer
    // of kPasswordBufferSize bytes) and sets *outputLength to their count.
    // Returns 1 on success, 0 on failure: no handle, the library refused the
    // value, or the result would leave no room for a terminating zero in
    // output (nothing is then copied). An input longer than one library block
    // or null pointers also give 0.
    int Decrypt(const unsigned char* input, unsigned int inputLength, unsigned char* output,
                unsigned int* outputLength);

    // The library's description of the last failure status; empty after a
    // success or a failure the library did not report.
    const char* ErrorText() const { return m_szErrorText; }

private:
    void FreeBlocks();

    kc_handle m_hLibrary = 0;
    unsigned char* m_pOutputBlock = nullptr;
    unsigned char* m_pInputBlock = nullptr;
    char m_szErrorText[kPasswordBufferSize] = {};
    const CipherOperations& m_ops;
};
