#pragma once
// The libcrypto (OpenSSL) library context the reader fetches its hashes and
// ciphers from: the default provider and, where installed, the legacy one,
// which holds RC4 and other ciphers older Office encryption uses. It is the
// reader's own, so the process's default context stays as it is.

#include <openssl/types.h>

namespace tabulon::jet {

// Made on first use, released when the program ends. Never null.
OSSL_LIB_CTX* CryptoLibrary();

}  // namespace tabulon::jet
