// CPasswordEncrypt: the password decoder's calls into the cipher library, in
// the order the library expects them.
#include "db/PasswordEncrypt.h"

#include <cstdio>
#include <cstring>

const CipherOperations& KeycaskOperations() {
    static const CipherOperations operations = {
        kc_initialise,      kc_create_handle, kc_set_passphrase, kc_alloc_block, kc_decrypt,
        kc_describe_status, kc_free_block,    kc_release_handle, kc_shutdown,
    };
    return operations;
}

CPasswordEncrypt::CPasswordEncrypt() : CPasswordEncrypt(KeycaskOperations()) {}

CPasswordEncrypt::CPasswordEncrypt(const CipherOperations& operations) : m_ops(operations) {
    m_hLibrary = 0;
    if (m_ops.initialise() == 0)
        return;
    m_hLibrary = m_ops.createHandle(kPasswordContext);
    if (m_hLibrary == 0)
        return;
    // Only the decryption's status decides success; a bad passphrase shows there.
    m_ops.setPassphrase(m_hLibrary, kPasswordPassphrase);
}

CPasswordEncrypt::~CPasswordEncrypt() {
    FreeBlocks();
    if (m_hLibrary != 0)
        m_ops.releaseHandle(m_hLibrary);
    // Also after a failed initialisation: the library expects one shutdown
    // per initialisation attempt.
    m_ops.shutdown();
}

void CPasswordEncrypt::FreeBlocks() {
    if (m_pOutputBlock != nullptr)
        m_ops.freeBlock(m_pOutputBlock);
    if (m_pInputBlock != nullptr)
        m_ops.freeBlock(m_pInputBlock);
    m_pOutputBlock = nullptr;
    m_pInputBlock = nullptr;
}

int CPasswordEncrypt::Decrypt(const unsigned char* input, unsigned int inputLength,
                              unsigned char* output, unsigned int* outputLength) {
    // A second call must not lose the blocks of the first.
    FreeBlocks();
    // Both blocks are taken before the handle is looked at, as the library
    // has always seen it.
    m_pOutputBlock = m_ops.allocBlock(kPasswordBufferSize);
    m_pInputBlock = m_ops.allocBlock(kPasswordBufferSize);
    std::memset(m_szErrorText, 0, sizeof m_szErrorText);

    if (m_hLibrary == 0) {
        FreeBlocks();
        return 0;
    }
    // The input block holds one block's worth; anything else is not a value
    // this program stored.
    if (input == nullptr || output == nullptr || outputLength == nullptr ||
        m_pInputBlock == nullptr || inputLength > kPasswordBufferSize) {
        FreeBlocks();
        return 0;
    }
    std::memcpy(m_pInputBlock, input, inputLength);

    const kc_status status =
        m_ops.decrypt(m_hLibrary, m_pInputBlock, inputLength, &m_pOutputBlock, outputLength, 1);
    if (status != 0) {
        m_ops.describeStatus(m_hLibrary, status, m_szErrorText, sizeof m_szErrorText);
        m_szErrorText[sizeof m_szErrorText - 1] = '\0';
        FreeBlocks();
        return 0;
    }

    // The caller's buffer must keep a zero after the password; a result that
    // leaves no room for it is refused rather than copied past the buffer.
    if (*outputLength >= kPasswordBufferSize) {
        std::snprintf(m_szErrorText, sizeof m_szErrorText,
                      "the decrypted password (%u bytes) does not fit its %u-byte buffer",
                      *outputLength, kPasswordBufferSize);
        FreeBlocks();
        return 0;
    }
    if (*outputLength > 0 && m_pOutputBlock == nullptr) {
        FreeBlocks();
        return 0;
    }
    if (*outputLength > 0)
        std::memcpy(output, m_pOutputBlock, *outputLength);
    FreeBlocks();
    return 1;
}
