#pragma once
// Office encryption of a written file, for fixtures: the bytes of a Jet 4
// file become an ACE 14 (.accdb) file whose pages are encrypted with one of
// the schemes Access uses, its description at 0x299 of the header page.
//
// This is the reader's counterpart written apart from it: libcrypto's
// one-shot hashes and AES, the project's RC4, and every salt, verifier and
// key fixed, so that the same input gives the same bytes. A fixture, not
// protection.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <tools/jetwriter/Bytes.h>

namespace tabulon::jetwriter {

enum class EncryptionScheme {
  Rc4Bits40,          // RC4 CryptoAPI, 40-bit keys
  Rc4Bits128,         // RC4 CryptoAPI, 128-bit keys
  StandardAes,        // AES-128 with the AES flag, 50,000 hash rounds
  AesWithoutAesFlag,  // AES-128 named only by the algorithm id, no hash rounds
  AgileSha1,          // agile, AES-128-CBC and SHA-1
  AgileSha512,        // agile, AES-256-CBC and SHA-512, as Access 2010 and later write
};

// The names mkmdb's --encrypt takes, separated by ", ".
extern const char* const EncryptionSchemeNames;

// The scheme of one of those names; nullopt for any other text.
std::optional<EncryptionScheme> EncryptionSchemeNamed(std::string_view name);

struct OfficeEncryption {
  EncryptionScheme Scheme = EncryptionScheme::AgileSha512;
  std::string Password;              // UTF-8, 1 to 255 UTF-16 units
  std::uint32_t SpinCount = 100000;  // agile's hash rounds
};

// Encrypts `file` (whole 4096-byte pages of a Jet 4 file, as WriteDatabase
// writes it): the header names the ACE engine and version 14, carries a
// database key and no Jet password; every page but the header is
// encrypted. Throws SchemaError for a password that is empty or longer
// than 255 UTF-16 units, or a file that is not whole pages.
ByteVector EncryptAsAce(ByteVector file, const OfficeEncryption& encryption);

}  // namespace tabulon::jetwriter
