#include <jet/OfficeDecryption.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include <jet/ByteView.h>
#include <jet/Cipher.h>
#include <jet/Digest.h>
#include <jet/OfficeKeys.h>

namespace tabulon::jet {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Agile's fixed block numbers of the three keys derived from the password.
constexpr std::array<std::uint8_t, 8> VerifierInputBlock{0xFE, 0xA7, 0xD2, 0x76,
                                                         0x3B, 0x4B, 0x9E, 0x79};
constexpr std::array<std::uint8_t, 8> VerifierHashBlock{0xD7, 0xAA, 0x0F, 0x6D,
                                                        0x30, 0x61, 0x34, 0x4E};
constexpr std::array<std::uint8_t, 8> KeyValueBlock{0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};
constexpr std::uint32_t StandardAesRounds = 50000;

// Agile's hash names and what libcrypto calls them.
constexpr std::pair<std::string_view, std::string_view> AgileHashes[] = {
    {"SHA1", "SHA1"}, {"SHA256", "SHA256"}, {"SHA384", "SHA384"},        {"SHA512", "SHA512"},
    {"MD5", "MD5"},   {"MD4", "MD4"},       {"RIPEMD-160", "RIPEMD160"}, {"WHIRLPOOL", "WHIRLPOOL"},
};

// Agile's cipher names and libcrypto's name stems; AES adds its key bits.
constexpr std::pair<std::string_view, std::string_view> AgileCiphers[] = {
    {"AES", "AES"},       {"DES", "DES"},          {"DESX", "DESX"},
    {"3DES", "DES-EDE3"}, {"3DES_112", "DES-EDE"}, {"RC2", "RC2"},
};

// Agile's chaining names and libcrypto's mode suffixes (its feedback mode
// works byte by byte).
constexpr std::pair<std::string_view, std::string_view> AgileChainings[] = {
    {"ChainingModeCBC", "CBC"},
    {"ChainingModeCFB", "CFB8"},
};

[[noreturn]] void Damaged(const std::string& what) { throw FormatError("暗号化情報の" + what); }

template <std::size_t N>
std::string_view Lookup(const std::pair<std::string_view, std::string_view> (&table)[N],
                        std::string_view name) {
  for (const auto& [key, value] : table) {
    if (key == name) return value;
  }
  return {};
}

std::unique_ptr<Digest> NeedDigest(std::string_view libcryptoName, std::string_view shown) {
  std::unique_ptr<Digest> digest =
      libcryptoName.empty() ? nullptr : Digest::Find(std::string(libcryptoName));
  if (!digest) throw EncryptionRefused(fmt::format("ハッシュ {}", shown));
  return digest;
}

std::unique_ptr<Cipher> NeedCipher(const std::string& libcryptoName, std::string_view shown) {
  std::unique_ptr<Cipher> cipher = libcryptoName.empty() ? nullptr : Cipher::Find(libcryptoName);
  if (!cipher) throw EncryptionRefused(fmt::format("暗号 {}", shown));
  return cipher;
}

// Decrypts a copy of `encrypted` from the start of a fresh key and IV.
Bytes Decrypted(Cipher& cipher, ByteSpan key, ByteSpan iv, ByteSpan encrypted) {
  Bytes value(encrypted.begin(), encrypted.end());
  cipher.Start(key, iv);
  cipher.Decrypt(value);
  return value;
}

// The first `size` bytes of both, compared; false when either is shorter.
bool SamePrefix(ByteSpan a, ByteSpan b, std::size_t size) {
  return a.size() >= size && b.size() >= size && std::equal(a.begin(), a.begin() + size, b.begin());
}

// ---- RC4 CryptoAPI ----------------------------------------------------------

class Rc4CryptoApiCodec : public PageCodec {
 public:
  Rc4CryptoApiCodec(std::unique_ptr<Digest> sha1, std::unique_ptr<Cipher> rc4, Bytes h0,
                    std::uint32_t keyBits, std::uint32_t databaseKey)
      : FSha1(std::move(sha1)),
        FRc4(std::move(rc4)),
        FH0(std::move(h0)),
        FKeyBits(keyBits),
        FDatabaseKey(databaseKey) {}

  void Decrypt(std::uint32_t number, std::span<std::uint8_t> page) override {
    FRc4->Start(Rc4CryptoApiKey(*FSha1, FH0, PageBlockKey(FDatabaseKey, number), FKeyBits), {});
    FRc4->Decrypt(page);
  }

 private:
  std::unique_ptr<Digest> FSha1;
  std::unique_ptr<Cipher> FRc4;
  Bytes FH0;
  std::uint32_t FKeyBits;
  std::uint32_t FDatabaseKey;
};

std::unique_ptr<PageCodec> OpenRc4CryptoApi(const BinaryEncryption& binary,
                                            std::uint32_t databaseKey, ByteSpan password) {
  std::unique_ptr<Digest> sha1 = NeedDigest("SHA1", "SHA-1");
  std::unique_ptr<Cipher> rc4 = NeedCipher("RC4", "RC4");
  Bytes h0 = sha1->Of({binary.Salt, password});
  // The verifier and its hash are one RC4 stream under the key of block 0.
  rc4->Start(Rc4CryptoApiKey(*sha1, h0, LittleEndian32(0), binary.KeyBits), {});
  Bytes verifier = binary.EncryptedVerifier;
  Bytes verifierHash = binary.EncryptedVerifierHash;
  rc4->Decrypt(verifier);
  rc4->Decrypt(verifierHash);
  if (!SamePrefix(sha1->Of({verifier}), verifierHash, binary.VerifierHashSize)) return nullptr;
  return std::make_unique<Rc4CryptoApiCodec>(std::move(sha1), std::move(rc4), std::move(h0),
                                             binary.KeyBits, databaseKey);
}

// ---- AES, binary form -------------------------------------------------------------

class BinaryAesCodec : public PageCodec {
 public:
  BinaryAesCodec(std::unique_ptr<Digest> sha1, std::unique_ptr<Cipher> aes, Bytes spun,
                 std::size_t keyBytes, std::uint32_t databaseKey)
      : FSha1(std::move(sha1)),
        FAes(std::move(aes)),
        FSpun(std::move(spun)),
        FKeyBytes(keyBytes),
        FDatabaseKey(databaseKey) {}

  void Decrypt(std::uint32_t number, std::span<std::uint8_t> page) override {
    FAes->Start(StandardAesKey(*FSha1, FSpun, PageBlockKey(FDatabaseKey, number), FKeyBytes), {});
    FAes->Decrypt(page);
  }

 private:
  std::unique_ptr<Digest> FSha1;
  std::unique_ptr<Cipher> FAes;
  Bytes FSpun;
  std::size_t FKeyBytes;
  std::uint32_t FDatabaseKey;
};

std::unique_ptr<PageCodec> OpenBinaryAes(const BinaryEncryption& binary, std::uint32_t rounds,
                                         std::uint32_t databaseKey, ByteSpan password,
                                         OfficeKeyCache* cache) {
  std::unique_ptr<Digest> sha1 = NeedDigest("SHA1", "SHA-1");
  const std::string name = fmt::format("AES-{}-ECB", binary.KeyBits);
  std::unique_ptr<Cipher> aes = NeedCipher(name, name);
  const std::size_t keyBytes = binary.KeyBits / 8;
  Bytes spun = CachedSpunHash(cache, *sha1, "SHA1", binary.Salt, password, rounds);
  const Bytes key = StandardAesKey(*sha1, spun, LittleEndian32(0), keyBytes);
  const Bytes verifier = Decrypted(*aes, key, {}, binary.EncryptedVerifier);
  const Bytes verifierHash = Decrypted(*aes, key, {}, binary.EncryptedVerifierHash);
  if (!SamePrefix(sha1->Of({verifier}), verifierHash, binary.VerifierHashSize)) return nullptr;
  return std::make_unique<BinaryAesCodec>(std::move(sha1), std::move(aes), std::move(spun),
                                          keyBytes, databaseKey);
}

// ---- Agile ----------------------------------------------------------------------

// The hash and cipher one set of agile parameters names, checked against
// the sizes the parameters give.
struct AgileAlgorithms {
  std::string HashName;
  std::unique_ptr<Digest> Hash;
  std::unique_ptr<Cipher> Decryptor;
};

AgileAlgorithms FindAgileAlgorithms(const AgileParameters& parameters, std::string_view where) {
  AgileAlgorithms found;
  found.HashName = Lookup(AgileHashes, parameters.HashAlgorithm);
  found.Hash = NeedDigest(found.HashName, parameters.HashAlgorithm);
  if (found.Hash->Size() != parameters.HashSize) {
    Damaged(fmt::format(" {} の hashSize がハッシュに合いません", where));
  }
  const std::string_view stem = Lookup(AgileCiphers, parameters.CipherAlgorithm);
  const std::string_view mode = Lookup(AgileChainings, parameters.CipherChaining);
  std::string name;
  if (!stem.empty() && !mode.empty()) {
    name = stem == "AES" ? fmt::format("AES-{}-{}", parameters.KeyBits, mode)
                         : fmt::format("{}-{}", stem, mode);
  }
  found.Decryptor = NeedCipher(
      name, fmt::format("{} / {}", parameters.CipherAlgorithm, parameters.CipherChaining));
  if (!found.Decryptor->VariableKeyLength() &&
      found.Decryptor->KeyLength() != parameters.KeyBits / 8) {
    Damaged(fmt::format(" {} の keyBits が暗号に合いません", where));
  }
  if (found.Decryptor->IvLength() != parameters.BlockSize) {
    Damaged(fmt::format(" {} の blockSize が暗号に合いません", where));
  }
  return found;
}

class AgileCodec : public PageCodec {
 public:
  AgileCodec(AgileAlgorithms algorithms, const Bytes& pageKey, Bytes salt,
             std::uint32_t databaseKey)
      : FHash(std::move(algorithms.Hash)),
        FCipher(std::move(algorithms.Decryptor)),
        FSalt(std::move(salt)),
        FDatabaseKey(databaseKey) {
    // The key stays; each page restarts the chain with its own IV.
    FCipher->Start(pageKey, Bytes(FCipher->IvLength()));
  }

  void Decrypt(std::uint32_t number, std::span<std::uint8_t> page) override {
    FCipher->Restart(
        AgileDerive(*FHash, FSalt, PageBlockKey(FDatabaseKey, number), FCipher->IvLength()));
    FCipher->Decrypt(page);
  }

 private:
  std::unique_ptr<Digest> FHash;
  std::unique_ptr<Cipher> FCipher;
  Bytes FSalt;
  std::uint32_t FDatabaseKey;
};

std::unique_ptr<PageCodec> OpenAgile(const EncryptionInfo& info, std::uint32_t databaseKey,
                                     ByteSpan password, OfficeKeyCache* cache) {
  const AgilePasswordKey& key = info.PasswordKey;
  AgileAlgorithms byPassword = FindAgileAlgorithms(key, "encryptedKey");
  AgileAlgorithms forPages = FindAgileAlgorithms(info.KeyData, "keyData");
  Digest& hash = *byPassword.Hash;
  Cipher& cipher = *byPassword.Decryptor;

  const Bytes spun =
      CachedSpunHash(cache, hash, byPassword.HashName, key.Salt, password, key.SpinCount);
  Bytes iv = key.Salt;
  iv.resize(cipher.IvLength(), 0x36);
  auto decrypt = [&](ByteSpan block, ByteSpan encrypted) {
    return Decrypted(cipher, AgileDerive(hash, spun, block, key.KeyBits / 8), iv, encrypted);
  };
  Bytes verifier = decrypt(VerifierInputBlock, key.EncryptedVerifierHashInput);
  const Bytes verifierHash = decrypt(VerifierHashBlock, key.EncryptedVerifierHashValue);
  if (verifier.size() < key.SaltSize || verifierHash.size() < hash.Size()) {
    Damaged(" encryptedKey の検証値が短すぎます");
  }
  verifier.resize(key.SaltSize);
  if (!SamePrefix(hash.Of({verifier}), verifierHash, hash.Size())) return nullptr;

  Bytes pageKey = decrypt(KeyValueBlock, key.EncryptedKeyValue);
  if (pageKey.size() < info.KeyData.KeyBits / 8) Damaged(" encryptedKeyValue が短すぎます");
  pageKey.resize(info.KeyData.KeyBits / 8);
  return std::make_unique<AgileCodec>(std::move(forPages), pageKey, info.KeyData.Salt, databaseKey);
}

}  // namespace

std::unique_ptr<PageCodec> OpenOfficeDecryption(const EncryptionInfo& info,
                                                std::uint32_t databaseKey,
                                                std::span<const std::uint8_t> password,
                                                OfficeKeyCache* cache) {
  switch (info.Scheme) {
    case OfficeScheme::Rc4CryptoApi:
      return OpenRc4CryptoApi(info.Binary, databaseKey, password);
    case OfficeScheme::StandardAes:
      return OpenBinaryAes(info.Binary, StandardAesRounds, databaseKey, password, cache);
    case OfficeScheme::AesWithoutAesFlag:
      return OpenBinaryAes(info.Binary, 0, databaseKey, password, cache);
    case OfficeScheme::Agile:
      return OpenAgile(info, databaseKey, password, cache);
  }
  return nullptr;
}

}  // namespace tabulon::jet
