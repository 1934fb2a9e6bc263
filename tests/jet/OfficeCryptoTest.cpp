// Office encryption of ACE files: the description in the header page read,
// refused or found damaged; the key derivations against values known from
// the encrypted shared files; the key cache.

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include <jet/Cipher.h>
#include <jet/EncryptionInfo.h>
#include <jet/HeaderPage.h>
#include <jet/JetFile.h>
#include <jet/OfficeDecryption.h>
#include <jet/OfficeKeyCache.h>
#include <jet/OfficeKeys.h>
#include <tests/support/EngineTestSupport.h>

namespace tabulon::jet {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(ByteSpan bytes) {
  static constexpr char Digits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t b : bytes) {
    text += Digits[b >> 4];
    text += Digits[b & 15];
  }
  return text;
}

void Append16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Append32(Bytes& b, std::uint32_t v) {
  Append16(b, v);
  Append16(b, v >> 16);
}

// A header page holding `info` as its EncryptionInfo.
Bytes HeaderWith(const Bytes& info) {
  Bytes page(4096, 0);
  page[EncryptionInfoOffset] = static_cast<std::uint8_t>(info.size());
  page[EncryptionInfoOffset + 1] = static_cast<std::uint8_t>(info.size() >> 8);
  std::copy(info.begin(), info.end(), page.begin() + EncryptionInfoOffset + 2);
  return page;
}

EncryptionInfo Read(const Bytes& info) {
  const Bytes page = HeaderWith(info);
  return ReadEncryptionInfo(ByteView(page, "ヘッダー"));
}

// What reading `info` ends in: "" when read, else "refused: ..." or
// "damaged: ...".
std::string Outcome(const Bytes& info) {
  try {
    Read(info);
    return "";
  } catch (const EncryptionRefused& e) {
    return std::string("refused: ") + e.what();
  } catch (const FormatError& e) {
    return std::string("damaged: ") + e.what();
  }
}

struct BinaryHeader {
  std::uint16_t Major = 4;
  std::uint32_t CopiedFlags = 0x04;
  std::uint32_t Flags = 0x04;
  std::uint32_t AlgorithmId = AlgorithmRc4;
  std::uint32_t HashId = AlgorithmSha1;
  std::uint32_t KeyBits = 128;
  std::u16string Provider = u"Microsoft Enhanced Cryptographic Provider v1.0";
  std::uint32_t SaltSize = 16;
};

Bytes BinaryInfo(const BinaryHeader& h) {
  Bytes header;
  for (std::uint32_t v : {h.Flags, 0u, h.AlgorithmId, h.HashId, h.KeyBits, 1u, 0u, 0u})
    Append32(header, v);
  for (const char16_t c : h.Provider) Append16(header, c);
  Append16(header, 0);
  Bytes info;
  Append16(info, h.Major);
  Append16(info, 2);
  Append32(info, h.CopiedFlags);
  Append32(info, static_cast<std::uint32_t>(header.size()));
  info.insert(info.end(), header.begin(), header.end());
  Append32(info, h.SaltSize);
  info.resize(info.size() + 32, 0xAB);  // salt and verifier
  Append32(info, 20);
  info.resize(info.size() + 32, 0xCD);  // the longer (AES) verifier hash
  return info;
}

// Agile's parameters as Access writes them, with made-up values.
constexpr char AgileParameters[] =
    R"(saltSize="16" blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" )"
    R"(cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512" saltValue="AAECAwQFBgcICQoLDA0ODw==")";

std::string AgileXml() {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") +
         R"(<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" )"
         R"(xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password">)" +
         "<keyData " + AgileParameters + "/><!-- <keyData/> --><keyEncryptors>" +
         R"(<keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">)" +
         R"(<p:encryptedKey spinCount="100000" )" + AgileParameters +
         R"( encryptedVerifierHashInput="EREREREREREREREREREREQ==" )"
         R"(encryptedVerifierHashValue="IiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIiIg==" )"
         R"(encryptedKeyValue="MzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzMzM="/>)"
         "</keyEncryptor></keyEncryptors></encryption>";
}

Bytes AgileInfo(const std::string& xml) {
  Bytes info;
  for (std::uint32_t v : {4u, 4u}) Append16(info, v);
  Append32(info, 0x40);
  info.insert(info.end(), xml.begin(), xml.end());
  return info;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(OfficeCrypto, EncryptionInfoIsReadRefusedOrFoundDamaged) {
  // The binary form: the scheme from the flags and the algorithm.
  EXPECT_EQ(Read(BinaryInfo({})).Scheme, OfficeScheme::Rc4CryptoApi);
  EXPECT_EQ(
      Read(BinaryInfo({.CopiedFlags = 0x24, .Flags = 0x24, .AlgorithmId = AlgorithmAes128})).Scheme,
      OfficeScheme::StandardAes);
  EXPECT_EQ(Read(BinaryInfo({.AlgorithmId = AlgorithmAes256, .KeyBits = 0})).Scheme,
            OfficeScheme::AesWithoutAesFlag);
  EXPECT_EQ(Read(BinaryInfo({.AlgorithmId = AlgorithmAes256, .KeyBits = 0})).Binary.KeyBits, 256u);
  // RC4 without a stored key size: 40 bits from a "base" provider or none.
  const std::pair<std::u16string, std::uint32_t> providers[] = {
      {u"Microsoft Base Cryptographic Provider v1.0", 40},
      {u"", 40},
      {u"Microsoft Enhanced Cryptographic Provider v1.0", 128},
  };
  for (const auto& [provider, bits] : providers) {
    EXPECT_EQ(
        Read(BinaryInfo({.AlgorithmId = 0, .KeyBits = 0, .Provider = provider})).Binary.KeyBits,
        bits);
  }
  const std::pair<Bytes, std::string> cases[] = {
      {{1, 0, 1, 0, 0, 0, 0, 0}, "refused: Office バイナリ RC4"},
      {{4, 0, 3, 0, 0, 0, 0, 0}, "refused: 拡張暗号化"},
      {{3, 0, 3, 0, 0, 0, 0, 0}, "refused: 拡張暗号化"},
      {{9, 0, 9, 0}, "refused: バージョン 9.9"},
      {BinaryInfo({.Flags = 0x14, .AlgorithmId = 0}), "refused: 外部の暗号化プロバイダー"},
      {BinaryInfo({.AlgorithmId = 0x6602}), "refused: アルゴリズム 0x6602"},
      {BinaryInfo({.HashId = 0x8003}), "refused: ハッシュ 0x8003"},
      {BinaryInfo({.CopiedFlags = 0}), "refused: CryptoAPI を使わないバイナリ形式"},
      {BinaryInfo({.CopiedFlags = 0x24}),
       "damaged: 暗号化情報の AES の指定とアルゴリズムが食い違っています"},
      {BinaryInfo({.KeyBits = 36}), "damaged: 暗号化情報の鍵の長さが不正です"},
      {BinaryInfo({.AlgorithmId = AlgorithmAes128, .KeyBits = 256}),
       "damaged: 暗号化情報の鍵の長さが不正です"},
      {BinaryInfo({.SaltSize = 15}), "damaged: 暗号化情報のソルトの長さが不正です"},
      {{4, 0, 2, 0, 4, 0, 0, 0, 0xFF, 0xFF, 0, 0},
       "damaged: 暗号化情報が途中で切れています（位置 12、長さ 65535、全体 12）"},
  };
  for (const auto& [info, outcome] : cases) EXPECT_EQ(Outcome(info), outcome);
  // A length past the header page.
  Bytes page = HeaderWith({});
  page[EncryptionInfoOffset + 1] = 0x10;
  EXPECT_THROW(ReadEncryptionInfo(ByteView(page, "ヘッダー")), FormatError);
}

TEST(OfficeCrypto, AgileXmlIsReadOnlyAsFarAsItMustBe) {
  const EncryptionInfo info = Read(AgileInfo(AgileXml()));
  EXPECT_EQ(info.Scheme, OfficeScheme::Agile);
  EXPECT_EQ(info.KeyData.HashAlgorithm, "SHA512");
  EXPECT_EQ(Hex(info.KeyData.Salt), "000102030405060708090a0b0c0d0e0f");
  EXPECT_EQ(info.PasswordKey.SpinCount, 100000u);
  EXPECT_EQ(info.PasswordKey.KeyBits, 256u);
  EXPECT_EQ(info.PasswordKey.EncryptedVerifierHashValue.size(), 64u);
  EXPECT_EQ(info.PasswordKey.EncryptedKeyValue, Bytes(32, 0x33));

  const std::string xml = AgileXml();
  std::string manyTags;
  for (int i = 0; i < 64; ++i) manyTags += "<a>";
  const std::pair<std::string, std::string> cases[] = {
      {Replaced(xml, R"(spinCount="100000")", R"(spinCount="10000001")"),
       "damaged: 暗号化情報の encryptedKey の spinCount が不正です"},
      {Replaced(xml, R"(spinCount="100000")", R"(spinCount="99999999999999999999")"),
       "damaged: 暗号化情報の encryptedKey の spinCount が不正です"},
      {Replaced(xml, R"(spinCount="100000")", ""),
       "damaged: 暗号化情報の encryptedKey に属性 spinCount がありません"},
      {Replaced(xml, "EREREREREREREREREREREQ==", "ERER@ERE"),
       "damaged: 暗号化情報の encryptedKey の encryptedVerifierHashInput が不正です"},
      {Replaced(xml, "EREREREREREREREREREREQ==", "ER=E"),
       "damaged: 暗号化情報の encryptedKey の encryptedVerifierHashInput が不正です"},
      {Replaced(xml, R"(saltSize="16")", R"(saltSize="15")"),
       "damaged: 暗号化情報の keyData のソルトの長さが不正です"},
      {Replaced(xml, R"(keyBits="256")", R"(keyBits="255")"),
       "damaged: 暗号化情報の keyData の keyBits が不正です"},
      {Replaced(xml, "<keyData ", "<other "), "damaged: 暗号化情報の keyData がありません"},
      {Replaced(xml, R"(uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password")",
                R"(uri="http://schemas.microsoft.com/office/2006/keyEncryptor/certificate")"),
       "refused: 証明書による暗号化"},
      {xml.substr(0, xml.find("<keyEncryptors>") - 30),
       "damaged: 暗号化情報の XML が途中で切れています"},
      {Replaced(xml, "<keyEncryptors>", manyTags), "damaged: 暗号化情報の XML の要素が多すぎます"},
  };
  for (const auto& [text, outcome] : cases) EXPECT_EQ(Outcome(AgileInfo(text)), outcome) << text;
  EXPECT_EQ(Outcome({4, 0, 4, 0, 0x41, 0, 0, 0}), "damaged: 暗号化情報の予約値が不正です");
}

TEST(OfficeCrypto, AgileAlgorithmsLibcryptoLacksAreRefusedBeforeAnyDerivation) {
  const Bytes password = OfficePassword("x");
  auto open = [&](const std::string& xml) -> std::string {
    try {
      OpenOfficeDecryption(Read(AgileInfo(xml)), 1, password, nullptr);
      return "";
    } catch (const EncryptionRefused& e) {
      return std::string("refused: ") + e.what();
    } catch (const FormatError& e) {
      return std::string("damaged: ") + e.what();
    }
  };
  // The spin count is the largest allowed: the refusals come first.
  const std::string xml = Replaced(AgileXml(), "100000", "10000000");
  EXPECT_EQ(open(Replaced(xml, R"(hashAlgorithm="SHA512" saltValue="AAEC)",
                          R"(hashAlgorithm="RIPEMD-128" saltValue="AAEC)")),
            "refused: ハッシュ RIPEMD-128");
  EXPECT_EQ(open(Replaced(xml, R"(cipherAlgorithm="AES")", R"(cipherAlgorithm="Serpent")")),
            "refused: 暗号 Serpent / ChainingModeCBC");
  EXPECT_EQ(open(Replaced(xml, "ChainingModeCBC", "ChainingModeGCM")),
            "refused: 暗号 AES / ChainingModeGCM");
  EXPECT_EQ(open(Replaced(xml, R"(hashSize="64")", R"(hashSize="20")")),
            "damaged: 暗号化情報の keyData の hashSize がハッシュに合いません");
  EXPECT_EQ(open(Replaced(xml, R"(blockSize="16")", R"(blockSize="8")")),
            "damaged: 暗号化情報の keyData の blockSize が暗号に合いません");
}

TEST(OfficeCrypto, BlockKeysAndPasswordBytes) {
  // The database key A3 38 BE A0 with pages 1 and 2.
  EXPECT_EQ(Hex(PageBlockKey(0xA0BE38A3, 1)), "a238bea0");
  EXPECT_EQ(Hex(PageBlockKey(0xA0BE38A3, 2)), "a138bea0");
  EXPECT_EQ(Hex(OfficePassword("pä秘😀")), "7000e400d8793dd800de");
  // 255 UTF-16 units at most.
  EXPECT_EQ(OfficePassword(std::string(300 * 3, 'a')).size(), 510u);
  std::string kana;
  for (int i = 0; i < 300; ++i) kana += "あ";
  EXPECT_EQ(OfficePassword(kana).size(), 510u);
}

// ---- Known values of the encrypted shared files --------------------------------

Bytes ReadPage0(const std::string& relative, std::uint32_t& databaseKey) {
  const std::string bytes = test::ReadBytes(test::TestDataDir() / relative);
  Bytes page(bytes.begin(), bytes.begin() + 4096);
  databaseKey = ParseHeaderPage(ByteView(page, "ヘッダー"))->DatabaseKey;
  return page;
}

TEST(OfficeCrypto, Rc4CryptoApiDerivationGivesTheKnownKeys) {
  TABULON_REQUIRE_TESTDATA();
  std::uint32_t databaseKey = 0;
  const Bytes page = ReadPage0("mdb-reader/encryption/office-agile-4.2.accdb", databaseKey);
  EXPECT_EQ(databaseKey, 0xA0B368CFu);
  const EncryptionInfo info = ReadEncryptionInfo(ByteView(page, "ヘッダー"));
  ASSERT_EQ(info.Scheme, OfficeScheme::Rc4CryptoApi);
  EXPECT_EQ(info.Binary.KeyBits, 128u);
  EXPECT_EQ(Hex(info.Binary.Salt), "2b8b7c7f07187dc12d2137d3d408eec6");
  auto sha1 = Digest::Find("SHA1");
  const Bytes h0 = sha1->Of({info.Binary.Salt, OfficePassword("password")});
  EXPECT_EQ(Hex(Rc4CryptoApiKey(*sha1, h0, PageBlockKey(databaseKey, 1), 128)),
            "c14c379d21101ff06be586b298351edb");
  EXPECT_TRUE(OpenOfficeDecryption(info, databaseKey, OfficePassword("password"), nullptr));
  EXPECT_FALSE(OpenOfficeDecryption(info, databaseKey, OfficePassword("Password"), nullptr));
}

TEST(OfficeCrypto, AgileDerivationGivesTheKnownVerifierPageKeyAndIvs) {
  TABULON_REQUIRE_TESTDATA();
  std::uint32_t databaseKey = 0;
  const Bytes page = ReadPage0("mdb-reader/password/V2010_with-password.accdb", databaseKey);
  EXPECT_EQ(databaseKey, 0xA0BE38A3u);
  const EncryptionInfo info = ReadEncryptionInfo(ByteView(page, "ヘッダー"));
  ASSERT_EQ(info.Scheme, OfficeScheme::Agile);
  const AgilePasswordKey& key = info.PasswordKey;
  EXPECT_EQ(key.SpinCount, 100000u);
  auto sha512 = Digest::Find("SHA512");
  auto aes = Cipher::Find("AES-256-CBC");
  const Bytes spun = SpunHash(*sha512, key.Salt, OfficePassword("password"), key.SpinCount);
  auto decrypt = [&](std::initializer_list<std::uint8_t> block, const Bytes& encrypted) {
    Bytes value = encrypted;
    aes->Start(AgileDerive(*sha512, spun, Bytes(block), 32), key.Salt);
    aes->Decrypt(value);
    return value;
  };
  const Bytes verifier =
      decrypt({0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79}, key.EncryptedVerifierHashInput);
  EXPECT_EQ(Hex(verifier), "4bbf5ed132a0a2490013df28d95936ae");
  EXPECT_EQ(
      decrypt({0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E}, key.EncryptedVerifierHashValue),
      sha512->Of({verifier}));
  EXPECT_EQ(Hex(decrypt({0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6}, key.EncryptedKeyValue)),
            "b3df86d9c0c0b00f08310f98451844ac6def2e2c439845d4c82a25a2ccb6ee67");
  EXPECT_EQ(Hex(AgileDerive(*sha512, info.KeyData.Salt, PageBlockKey(databaseKey, 1), 16)),
            "fffd889adf9739d8c0dcb0299f557240");
  EXPECT_EQ(Hex(AgileDerive(*sha512, info.KeyData.Salt, PageBlockKey(databaseKey, 2), 16)),
            "e500f567abef3cce53382c3d4f569ba7");
}

TEST(OfficeCrypto, DecryptedPagesStartAsTheEngineWritesThem) {
  TABULON_REQUIRE_TESTDATA();
  for (const char* relative : {"mdb-reader/encryption/office-agile-4.2.accdb",
                               "mdb-reader/password/V2010_with-password.accdb"}) {
    SCOPED_TRACE(relative);
    auto file = JetFile::Open((test::TestDataDir() / relative).string(), "password");
    EXPECT_EQ(Hex({file->Pages().Page(1).Data(), 8}), "0101640f01000000");
    EXPECT_EQ(Hex({file->Pages().Page(2).Data(), 2}), "0201");
  }
}

// ---- The key cache -----------------------------------------------------------------

TEST(OfficeCrypto, KeyCacheGivesWhatItsInputsDetermineAndStaysBounded) {
  OfficeKeyCache cache;
  auto sha1 = Digest::Find("SHA1");
  const Bytes salt(16, 7);
  const Bytes otherSalt(16, 8);
  const Bytes password = OfficePassword("秘密");
  const Bytes otherPassword = OfficePassword("秘蜜");
  const Bytes expected = SpunHash(*sha1, salt, password, 1000);
  EXPECT_EQ(cache.SpunHash(*sha1, "SHA1", salt, password, 1000), expected);
  EXPECT_EQ(cache.SpunHash(*sha1, "SHA1", salt, password, 1000), expected);
  EXPECT_EQ(cache.Size(), 1u);
  // Any other input is another entry with its own value.
  EXPECT_EQ(cache.SpunHash(*sha1, "SHA1", salt, otherPassword, 1000),
            SpunHash(*sha1, salt, otherPassword, 1000));
  EXPECT_EQ(cache.SpunHash(*sha1, "SHA1", otherSalt, password, 1000),
            SpunHash(*sha1, otherSalt, password, 1000));
  EXPECT_EQ(cache.SpunHash(*sha1, "SHA1", salt, password, 999),
            SpunHash(*sha1, salt, password, 999));
  EXPECT_EQ(cache.Size(), 4u);
  for (std::uint32_t rounds = 0; rounds < OfficeKeyCache::MaxEntries; ++rounds)
    cache.SpunHash(*sha1, "SHA1", otherSalt, otherPassword, rounds);
  EXPECT_EQ(cache.Size(), OfficeKeyCache::MaxEntries);
  EXPECT_EQ(cache.SpunHash(*sha1, "SHA1", salt, password, 1000), expected);
}

}  // namespace
}  // namespace tabulon::jet
