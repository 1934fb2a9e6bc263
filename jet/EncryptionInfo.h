#pragma once
// The description of Office encryption an encrypted ACE file keeps in its
// header page: a uint16 length at 0x299, then that many bytes at 0x29B,
// outside the RC4-obscured region and so stored plain.
//
//   offset  size   meaning
//   0       2      major version
//   2       2      minor version
//   Binary form, versions 2.2, 3.2 and 4.2 (RC4 CryptoAPI, AES, AES
//   without the AES flag):
//   4       4      flags, a copy of the header's
//   8       4      header size H
//   12      H      header: flags 4, size extra 4, algorithm id 4, hash
//                  algorithm id 4, key bits 4, provider type 4, reserved 8,
//                  provider name (UTF-16LE, NUL-terminated)
//   12+H    4      salt size, 16
//   16+H    16     salt
//   32+H    16     encrypted verifier
//   48+H    4      verifier hash size (20, SHA-1)
//   52+H    20/32  encrypted verifier hash (20 with RC4, 32 with AES)
//   Agile form, version 4.4:
//   4       4      reserved, 0x40
//   8       ...    an XML descriptor (UTF-8) to the end: <keyData> names
//                  the cipher, hash and salt of the pages; the
//                  <encryptedKey> of the password key encryptor adds the
//                  spin count, its own salt and the encrypted verifier and
//                  page key.
//
// Versions 1.1 (Office binary RC4), 3.3 and 4.3 (extensible) are refused.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <jet/ByteView.h>

namespace tabulon::jet {

// A file encrypted with a scheme (or an algorithm of one) the reader does
// not read. what() names the scheme in Japanese, for "... その暗号化方式
// （<what>）には対応していません".
class EncryptionRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class OfficeScheme {
  Rc4CryptoApi,       // binary form, RC4
  StandardAes,        // binary form, AES with the AES flag: 50,000 hash rounds
  AesWithoutAesFlag,  // binary form, AES named only by the algorithm id: no hash rounds
  Agile,
};

// The binary form's header and verifier.
struct BinaryEncryption {
  std::uint32_t AlgorithmId = 0;  // resolved from the flags when stored as 0
  std::uint32_t KeyBits = 0;      // resolved from the algorithm when stored as 0
  std::vector<std::uint8_t> Salt;
  std::vector<std::uint8_t> EncryptedVerifier;
  std::uint32_t VerifierHashSize = 0;  // 1..20
  std::vector<std::uint8_t> EncryptedVerifierHash;
};

inline constexpr std::uint32_t AlgorithmRc4 = 0x6801;
inline constexpr std::uint32_t AlgorithmAes128 = 0x660E;
inline constexpr std::uint32_t AlgorithmAes192 = 0x660F;
inline constexpr std::uint32_t AlgorithmAes256 = 0x6610;
inline constexpr std::uint32_t AlgorithmSha1 = 0x8004;

// The attributes <keyData> and <encryptedKey> share. Names are as the XML
// has them ("AES", "ChainingModeCBC", "SHA512").
struct AgileParameters {
  std::uint32_t SaltSize = 0;
  std::uint32_t BlockSize = 0;
  std::uint32_t KeyBits = 0;  // a multiple of 8
  std::uint32_t HashSize = 0;
  std::string CipherAlgorithm;
  std::string CipherChaining;
  std::string HashAlgorithm;
  std::vector<std::uint8_t> Salt;  // SaltSize bytes
};

struct AgilePasswordKey : AgileParameters {
  std::uint32_t SpinCount = 0;  // at most 10,000,000
  std::vector<std::uint8_t> EncryptedVerifierHashInput;
  std::vector<std::uint8_t> EncryptedVerifierHashValue;
  std::vector<std::uint8_t> EncryptedKeyValue;
};

struct EncryptionInfo {
  OfficeScheme Scheme = OfficeScheme::Agile;
  BinaryEncryption Binary;  // the binary schemes
  AgileParameters KeyData;  // Agile
  AgilePasswordKey PasswordKey;
};

// Where the length of the EncryptionInfo lies in the header page; the
// bytes follow it.
inline constexpr std::uint32_t EncryptionInfoOffset = 0x299;
// Agile's limit on hash rounds; a larger count is damage.
inline constexpr std::uint32_t MaxSpinCount = 10'000'000;

// Reads the EncryptionInfo of a header page (the whole page). Throws
// EncryptionRefused for a scheme the reader does not read and FormatError
// when the structure is damaged (lengths, sizes, missing or malformed XML
// attributes). Cipher and hash names are checked when decryption starts.
EncryptionInfo ReadEncryptionInfo(ByteView headerPage);

}  // namespace tabulon::jet
