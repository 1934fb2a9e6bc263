#pragma once
// Opening an Office-encrypted ACE file: the password checked against the
// file's verifier as the engine checks it, then the decryption of its pages.
//
// - RC4 CryptoAPI: SHA-1 of salt and password; each page's RC4 key is the
//   SHA-1 of that and the page's block number.
// - AES (binary form): SHA-1 of salt and password spun 50,000 rounds (none
//   when the AES flag is missing); each page is AES-ECB with a key derived
//   from that and the page's block number.
// - Agile: the password key encryptor's hash spun its spin count; three
//   keys from it decrypt the verifier, its hash and the page key; each page
//   is decrypted with the page key, chained from an IV that is the hash of
//   the page salt and the page's block number.

#include <cstdint>
#include <memory>
#include <span>

#include <jet/EncryptionInfo.h>
#include <jet/OfficeKeyCache.h>
#include <jet/PageCodec.h>

namespace tabulon::jet {

// The decryption of the pages of a file described by `info`, whose header
// holds `databaseKey`, for `password` (UTF-16LE, see OfficePassword); null
// when the password does not match. The slow derivation goes through
// `cache` when one is given. Throws EncryptionRefused when libcrypto does
// not offer the cipher or hash the file names, FormatError when the file's
// values do not fit its scheme (key or block sizes, lengths of encrypted
// values).
std::unique_ptr<PageCodec> OpenOfficeDecryption(const EncryptionInfo& info,
                                                std::uint32_t databaseKey,
                                                std::span<const std::uint8_t> password,
                                                OfficeKeyCache* cache);

}  // namespace tabulon::jet
