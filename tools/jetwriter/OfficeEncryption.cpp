#include <tools/jetwriter/OfficeEncryption.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include <fmt/format.h>
#include <openssl/evp.h>

#include <jet/JetFormat.h>
#include <jet/Rc4.h>
#include <tools/jetwriter/PageFile.h>
#include <tools/jetwriter/SchemaError.h>

namespace tabulon::jetwriter {

const char* const EncryptionSchemeNames =
    "rc4-40, rc4-128, aes, aes-without-flag, agile-sha1, agile-sha512";

namespace {

constexpr std::array<std::pair<std::string_view, EncryptionScheme>, 6> Schemes{{
    {"rc4-40", EncryptionScheme::Rc4Bits40},
    {"rc4-128", EncryptionScheme::Rc4Bits128},
    {"aes", EncryptionScheme::StandardAes},
    {"aes-without-flag", EncryptionScheme::AesWithoutAesFlag},
    {"agile-sha1", EncryptionScheme::AgileSha1},
    {"agile-sha512", EncryptionScheme::AgileSha512},
}};

constexpr std::uint32_t DatabaseKey = 0x5B1E7A93;
constexpr std::uint32_t InfoOffset = 0x299;
// The engine's 00 01 pairs fill the header page's last 0x200 bytes.
constexpr std::uint32_t InfoEnd = PageSize - 0x200;

// ---- libcrypto, one shot at a time -------------------------------------------------

[[noreturn]] void CryptoFailed() { throw std::runtime_error("libcrypto failed"); }

ByteVector Hash(const EVP_MD* md, const ByteVector& data) {
  ByteVector out(static_cast<std::size_t>(EVP_MD_get_size(md)));
  unsigned int length = 0;
  if (EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1) CryptoFailed();
  return out;
}

ByteVector Join(std::initializer_list<ByteVector> parts) {
  ByteVector out;
  for (const ByteVector& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

ByteVector Le32(std::uint32_t value) {
  ByteVector out(4);
  PutU32(out.data(), value);
  return out;
}

ByteVector Fit(ByteVector bytes, std::size_t length, std::uint8_t pad) {
  bytes.resize(length, pad);
  return bytes;
}

// AES over whole blocks without padding, in place.
void AesEncrypt(const EVP_CIPHER* cipher, const ByteVector& key, const ByteVector& iv,
                std::uint8_t* data, std::size_t size) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                          EVP_CIPHER_CTX_free);
  int written = 0;
  if (!context ||
      EVP_EncryptInit_ex(context.get(), cipher, nullptr, key.data(),
                         iv.empty() ? nullptr : iv.data()) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1 ||
      EVP_EncryptUpdate(context.get(), data, &written, data, static_cast<int>(size)) != 1 ||
      static_cast<std::size_t>(written) != size) {
    CryptoFailed();
  }
}

ByteVector AesEncrypted(const EVP_CIPHER* cipher, const ByteVector& key, const ByteVector& iv,
                        ByteVector data) {
  AesEncrypt(cipher, key, iv, data.data(), data.size());
  return data;
}

// Distinct fixed bytes for each salt, verifier and key.
ByteVector Pattern(std::size_t size, std::uint8_t seed) {
  ByteVector out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<std::uint8_t>(seed + i * 29);
  return out;
}

std::string Base64(const ByteVector& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                     static_cast<int>(bytes.size()));
  out.resize(static_cast<std::size_t>(length));
  return out;
}

ByteVector BlockKey(std::uint32_t page) { return Le32(DatabaseKey ^ page); }

// ---- Binary form: RC4 CryptoAPI and AES ------------------------------------------------

struct BinaryLayout {
  std::uint32_t Flags;
  std::uint32_t AlgorithmId;
  std::uint32_t KeyBits;
  std::uint32_t ProviderType;
  std::u16string_view Provider;
};

ByteVector BinaryInfo(const BinaryLayout& layout, const ByteVector& salt,
                      const ByteVector& encryptedVerifier, const ByteVector& encryptedHash) {
  ByteSink header;
  header.U32(layout.Flags);
  header.U32(0);
  header.U32(layout.AlgorithmId);
  header.U32(0x8004);  // SHA-1
  header.U32(layout.KeyBits);
  header.U32(layout.ProviderType);
  header.Zeros(8);
  for (const char16_t unit : layout.Provider) header.U16(unit);
  header.U16(0);
  ByteSink info;
  info.U16(4);
  info.U16(2);
  info.U32(layout.Flags);
  info.U32(static_cast<std::uint32_t>(header.Size()));
  info.Append(header.Bytes());
  info.U32(16);
  info.Append(salt);
  info.Append(encryptedVerifier);
  info.U32(20);
  info.Append(encryptedHash);
  return info.Take();
}

ByteVector EncryptRc4CryptoApi(ByteVector& file, const ByteVector& password,
                               std::uint32_t keyBits) {
  const EVP_MD* sha1 = EVP_sha1();
  const ByteVector salt = Pattern(16, 0x21);
  const ByteVector h0 = Hash(sha1, Join({salt, password}));
  auto key = [&](const ByteVector& block) {
    ByteVector k = Fit(Hash(sha1, Join({h0, block})), keyBits / 8, 0);
    return keyBits == 40 ? Fit(k, 16, 0) : k;
  };
  const ByteVector verifier = Pattern(16, 0x5E);
  ByteVector stream = Join({verifier, Hash(sha1, verifier)});
  jet::Rc4(key(Le32(0))).Apply(stream);
  for (std::uint32_t page = 1; page < file.size() / PageSize; ++page) {
    jet::Rc4(key(BlockKey(page))).Apply({file.data() + std::size_t{page} * PageSize, PageSize});
  }
  const BinaryLayout layout =
      keyBits == 40
          ? BinaryLayout{0x04, 0x6801, 40, 1, u"Microsoft Base Cryptographic Provider v1.0"}
          : BinaryLayout{0x04, 0x6801, 128, 1, u"Microsoft Enhanced Cryptographic Provider v1.0"};
  return BinaryInfo(layout, salt, ByteVector(stream.begin(), stream.begin() + 16),
                    ByteVector(stream.begin() + 16, stream.end()));
}

ByteVector EncryptBinaryAes(ByteVector& file, const ByteVector& password, bool aesFlag) {
  const EVP_MD* sha1 = EVP_sha1();
  const ByteVector salt = Pattern(16, 0x3A);
  ByteVector h = Hash(sha1, Join({salt, password}));
  // Without the AES flag the engine skips the hash rounds.
  for (std::uint32_t i = 0; aesFlag && i < 50000; ++i) h = Hash(sha1, Join({Le32(i), h}));
  auto key = [&](const ByteVector& block) {
    const ByteVector final = Hash(sha1, Join({h, block}));
    ByteVector inner(64, 0x36);
    ByteVector outer(64, 0x5C);
    for (std::size_t i = 0; i < final.size(); ++i) {
      inner[i] ^= final[i];
      outer[i] ^= final[i];
    }
    return Fit(Join({Hash(sha1, inner), Hash(sha1, outer)}), 16, 0);
  };
  const ByteVector verifier = Pattern(16, 0x77);
  const ByteVector key0 = key(Le32(0));
  const ByteVector encryptedVerifier = AesEncrypted(EVP_aes_128_ecb(), key0, {}, verifier);
  const ByteVector encryptedHash =
      AesEncrypted(EVP_aes_128_ecb(), key0, {}, Fit(Hash(sha1, verifier), 32, 0));
  for (std::uint32_t page = 1; page < file.size() / PageSize; ++page) {
    AesEncrypt(EVP_aes_128_ecb(), key(BlockKey(page)), {},
               file.data() + std::size_t{page} * PageSize, PageSize);
  }
  const BinaryLayout layout{aesFlag ? 0x24u : 0x04u, 0x660E, 128, 0x18,
                            u"Microsoft Enhanced RSA and AES Cryptographic Provider"};
  return BinaryInfo(layout, salt, encryptedVerifier, encryptedHash);
}

// ---- Agile ------------------------------------------------------------------------

ByteVector EncryptAgile(ByteVector& file, const ByteVector& password, bool sha512,
                        std::uint32_t spinCount) {
  const EVP_MD* md = sha512 ? EVP_sha512() : EVP_sha1();
  const EVP_CIPHER* cbc = sha512 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
  const std::size_t keyBytes = sha512 ? 32 : 16;
  const std::size_t hashBytes = static_cast<std::size_t>(EVP_MD_get_size(md));
  const ByteVector pageSalt = Pattern(16, 0x0C);
  const ByteVector keySalt = Pattern(16, 0x95);
  const ByteVector pageKey = Pattern(keyBytes, 0xB3);
  const ByteVector verifier = Pattern(16, 0x4B);

  ByteVector h = Hash(md, Join({keySalt, password}));
  for (std::uint32_t i = 0; i < spinCount; ++i) h = Hash(md, Join({Le32(i), h}));
  auto encrypt = [&](std::initializer_list<std::uint8_t> block, const ByteVector& value) {
    const ByteVector key = Fit(Hash(md, Join({h, ByteVector(block)})), keyBytes, 0x36);
    return AesEncrypted(cbc, key, keySalt, value);
  };
  const ByteVector hashInput = encrypt({0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79}, verifier);
  const ByteVector hashValue = encrypt({0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E},
                                       Fit(Hash(md, verifier), (hashBytes + 15) / 16 * 16, 0));
  const ByteVector keyValue = encrypt({0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6}, pageKey);
  for (std::uint32_t page = 1; page < file.size() / PageSize; ++page) {
    const ByteVector iv = Fit(Hash(md, Join({pageSalt, BlockKey(page)})), 16, 0x36);
    AesEncrypt(cbc, pageKey, iv, file.data() + std::size_t{page} * PageSize, PageSize);
  }

  const std::string cipher = fmt::format(
      R"(saltSize="16" blockSize="16" keyBits="{}" hashSize="{}" cipherAlgorithm="AES" )"
      R"(cipherChaining="ChainingModeCBC" hashAlgorithm="{}")",
      keyBytes * 8, hashBytes, sha512 ? "SHA512" : "SHA1");
  const std::string xml = fmt::format(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      R"(<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" )"
      R"(xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password" )"
      R"(xmlns:c="http://schemas.microsoft.com/office/2006/keyEncryptor/certificate">)"
      R"(<keyData {} saltValue="{}"/><keyEncryptors>)"
      R"(<keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">)"
      R"(<p:encryptedKey spinCount="{}" {} saltValue="{}" encryptedVerifierHashInput="{}" )"
      R"(encryptedVerifierHashValue="{}" encryptedKeyValue="{}"/>)"
      R"(</keyEncryptor></keyEncryptors></encryption>)",
      cipher, Base64(pageSalt), spinCount, cipher, Base64(keySalt), Base64(hashInput),
      Base64(hashValue), Base64(keyValue));
  ByteSink info;
  info.U16(4);
  info.U16(4);
  info.U32(0x40);
  info.Append(ByteVector(xml.begin(), xml.end()));
  return info.Take();
}

// Names the ACE engine, sets the database key and clears the Jet password
// in the header's RC4-obscured block, then stores the description.
void WriteAceHeader(std::uint8_t* page, const ByteVector& info) {
  using namespace jet;
  if (InfoOffset + 2 + info.size() > InfoEnd) {
    throw SchemaError("the encryption description does not fit the header page");
  }
  std::copy_n(AceEngineName, sizeof AceEngineName, page + HeaderEngineNameOffset);
  page[HeaderVersionOffset] = VersionAce14;
  const std::span obscured(page + HeaderObscuredOffset, HeaderObscuredLengthJet4);
  Rc4(HeaderRc4Key).Apply(obscured);
  PutU32(page + HeaderDatabaseKey, DatabaseKey);
  std::fill_n(page + HeaderPassword, HeaderPasswordLengthJet4, 0);
  Rc4(HeaderRc4Key).Apply(obscured);
  PutU16(page + InfoOffset, static_cast<std::uint32_t>(info.size()));
  std::copy(info.begin(), info.end(), page + InfoOffset + 2);
}

}  // namespace

std::optional<EncryptionScheme> EncryptionSchemeNamed(std::string_view name) {
  for (const auto& [key, scheme] : Schemes) {
    if (key == name) return scheme;
  }
  return std::nullopt;
}

ByteVector EncryptAsAce(ByteVector file, const OfficeEncryption& encryption) {
  const ByteVector password = Utf16(encryption.Password);
  if (password.empty() || password.size() > 255 * 2) {
    throw SchemaError("an encrypted file needs a password of 1 to 255 characters");
  }
  if (file.size() % PageSize != 0 || file.size() < 3 * PageSize) {
    throw SchemaError("only whole pages of a written file can be encrypted");
  }
  ByteVector info;
  switch (encryption.Scheme) {
    case EncryptionScheme::Rc4Bits40:
      info = EncryptRc4CryptoApi(file, password, 40);
      break;
    case EncryptionScheme::Rc4Bits128:
      info = EncryptRc4CryptoApi(file, password, 128);
      break;
    case EncryptionScheme::StandardAes:
      info = EncryptBinaryAes(file, password, true);
      break;
    case EncryptionScheme::AesWithoutAesFlag:
      info = EncryptBinaryAes(file, password, false);
      break;
    case EncryptionScheme::AgileSha1:
      info = EncryptAgile(file, password, false, encryption.SpinCount);
      break;
    case EncryptionScheme::AgileSha512:
      info = EncryptAgile(file, password, true, encryption.SpinCount);
      break;
  }
  WriteAceHeader(file.data(), info);
  return file;
}

}  // namespace tabulon::jetwriter
