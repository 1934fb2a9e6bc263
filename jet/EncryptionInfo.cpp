#include <jet/EncryptionInfo.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include <fmt/format.h>

namespace tabulon::jet {

namespace {

constexpr std::uint32_t FlagCryptoApi = 0x04;
constexpr std::uint32_t FlagExternal = 0x10;
constexpr std::uint32_t FlagAes = 0x20;

constexpr std::uint32_t AgileReserved = 0x40;
constexpr std::uint32_t BinaryHeaderFixedSize = 32;  // before the provider name
constexpr std::uint32_t BinarySaltSize = 16;
constexpr std::uint32_t BinaryVerifierSize = 16;
constexpr std::uint32_t Sha1Size = 20;
// Hostile XML is read only this far in tags and attributes.
constexpr std::size_t MaxXmlTags = 64;
constexpr std::size_t MaxXmlAttributes = 32;
// Larger keys than any cipher takes are damage, not a reason to allocate.
constexpr std::uint32_t MaxKeyBits = 4096;

constexpr std::string_view PasswordKeyEncryptor =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

[[noreturn]] void Damaged(const std::string& what) { throw FormatError("暗号化情報の" + what); }

std::string Hex(std::uint32_t value) { return fmt::format("0x{:04X}", value); }

// ---- Binary form ---------------------------------------------------------------

// The provider name up to its NUL (or the header's end), lower-cased ASCII.
std::string ProviderName(ByteView name) {
  std::string text;
  for (std::size_t at = 0; at + 1 < name.Size(); at += 2) {
    const std::uint16_t unit = name.U16(at);
    if (unit == 0) break;
    text.push_back(unit < 0x80 ? static_cast<char>(unit >= 'A' && unit <= 'Z' ? unit + 32 : unit)
                               : '?');
  }
  return text;
}

std::uint32_t AesKeyBits(std::uint32_t algorithm) {
  switch (algorithm) {
    case AlgorithmAes128:
      return 128;
    case AlgorithmAes192:
      return 192;
    case AlgorithmAes256:
      return 256;
    default:
      return 0;
  }
}

EncryptionInfo ReadBinary(ByteView info) {
  const std::uint32_t copiedFlags = info.U32(4);
  const std::uint32_t headerSize = info.U32(8);
  if (headerSize < BinaryHeaderFixedSize) Damaged("ヘッダーが短すぎます");
  const ByteView header = info.Sub(12, headerSize);
  const std::uint32_t flags = header.U32(0);
  std::uint32_t algorithm = header.U32(8);
  const std::uint32_t hashAlgorithm = header.U32(12);
  std::uint32_t keyBits = header.U32(16);

  if (algorithm == 0) {
    if ((flags & FlagExternal) != 0 || (flags & FlagCryptoApi) == 0) {
      throw EncryptionRefused("外部の暗号化プロバイダー");
    }
    algorithm = (flags & FlagAes) != 0 ? AlgorithmAes128 : AlgorithmRc4;
  }
  if (algorithm != AlgorithmRc4 && AesKeyBits(algorithm) == 0) {
    throw EncryptionRefused("アルゴリズム " + Hex(algorithm));
  }
  if (hashAlgorithm == 0 ? (flags & FlagExternal) != 0 : hashAlgorithm != AlgorithmSha1) {
    throw EncryptionRefused("ハッシュ " + Hex(hashAlgorithm));
  }

  if ((copiedFlags & FlagCryptoApi) == 0)
    throw EncryptionRefused("CryptoAPI を使わないバイナリ形式");
  EncryptionInfo result;
  if ((copiedFlags & FlagAes) != 0) {
    if (algorithm == AlgorithmRc4) Damaged(" AES の指定とアルゴリズムが食い違っています");
    result.Scheme = OfficeScheme::StandardAes;
  } else {
    result.Scheme =
        algorithm == AlgorithmRc4 ? OfficeScheme::Rc4CryptoApi : OfficeScheme::AesWithoutAesFlag;
  }

  if (algorithm == AlgorithmRc4) {
    // Without a stored size, the provider decides: its "base" edition
    // (or none named) means 40 bits, the others 128.
    if (keyBits == 0) {
      const std::string provider = ProviderName(header.From(BinaryHeaderFixedSize));
      keyBits = provider.empty() || provider.find(" base ") != std::string::npos ? 40 : 128;
    }
    if (keyBits < 40 || keyBits > 512 || keyBits % 8 != 0) Damaged("鍵の長さが不正です");
  } else {
    if (keyBits == 0) keyBits = AesKeyBits(algorithm);
    if (keyBits != AesKeyBits(algorithm)) Damaged("鍵の長さが不正です");
  }

  const ByteView verifier = info.From(12 + static_cast<std::size_t>(headerSize));
  if (verifier.U32(0) != BinarySaltSize) Damaged("ソルトの長さが不正です");
  BinaryEncryption& binary = result.Binary;
  binary.AlgorithmId = algorithm;
  binary.KeyBits = keyBits;
  const std::uint8_t* at = verifier.Sub(4, BinarySaltSize + BinaryVerifierSize).Data();
  binary.Salt.assign(at, at + BinarySaltSize);
  binary.EncryptedVerifier.assign(at + BinarySaltSize, at + BinarySaltSize + BinaryVerifierSize);
  binary.VerifierHashSize = verifier.U32(36);
  if (binary.VerifierHashSize == 0 || binary.VerifierHashSize > Sha1Size) {
    Damaged("検証値の長さが不正です");
  }
  const std::size_t hashBytes = algorithm == AlgorithmRc4 ? Sha1Size : 32;
  const ByteView hash = verifier.Sub(40, hashBytes);
  binary.EncryptedVerifierHash.assign(hash.Data(), hash.Data() + hashBytes);
  return result;
}

// ---- Agile form: the few tags and attributes needed, from hostile XML ----------

struct XmlTag {
  std::string_view Name;  // without its namespace prefix
  std::vector<std::pair<std::string_view, std::string_view>> Attributes;

  std::optional<std::string_view> Attribute(std::string_view name) const {
    for (const auto& [key, value] : Attributes) {
      if (key == name) return value;
    }
    return std::nullopt;
  }
};

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The start tags of `xml` in document order; declarations, comments and
// end tags are skipped. Every step moves forward, so the scan ends.
std::vector<XmlTag> StartTags(std::string_view xml) {
  std::vector<XmlTag> tags;
  std::size_t at = 0;
  auto skipPast = [&](std::string_view end) {
    const std::size_t found = xml.find(end, at);
    if (found == std::string_view::npos) Damaged(" XML が途中で切れています");
    at = found + end.size();
  };
  while ((at = xml.find('<', at)) != std::string_view::npos) {
    const std::string_view rest = xml.substr(at);
    if (rest.starts_with("<?")) {
      skipPast("?>");
      continue;
    }
    if (rest.starts_with("<!--")) {
      skipPast("-->");
      continue;
    }
    if (rest.starts_with("<!") || rest.starts_with("</")) {
      skipPast(">");
      continue;
    }
    if (tags.size() == MaxXmlTags) Damaged(" XML の要素が多すぎます");
    XmlTag tag;
    const std::size_t nameStart = ++at;
    while (at < xml.size() && !IsXmlSpace(xml[at]) && xml[at] != '/' && xml[at] != '>') ++at;
    const std::string_view name = xml.substr(nameStart, at - nameStart);
    if (name.empty()) Damaged(" XML の要素名がありません");
    const std::size_t colon = name.rfind(':');
    tag.Name = colon == std::string_view::npos ? name : name.substr(colon + 1);
    for (;;) {
      while (at < xml.size() && IsXmlSpace(xml[at])) ++at;
      if (at >= xml.size()) Damaged(" XML が途中で切れています");
      if (xml[at] == '>') break;
      if (xml.substr(at).starts_with("/>")) {
        ++at;
        break;
      }
      const std::size_t equals = xml.find('=', at);
      if (equals == std::string_view::npos || equals + 1 >= xml.size()) {
        Damaged(" XML の属性が不正です");
      }
      std::string_view key = xml.substr(at, equals - at);
      while (!key.empty() && IsXmlSpace(key.back())) key.remove_suffix(1);
      std::size_t open = equals + 1;
      while (open < xml.size() && IsXmlSpace(xml[open])) ++open;
      if (open >= xml.size() || (xml[open] != '"' && xml[open] != '\'')) {
        Damaged(" XML の属性が不正です");
      }
      const std::size_t close = xml.find(xml[open], open + 1);
      if (close == std::string_view::npos) Damaged(" XML が途中で切れています");
      if (tag.Attributes.size() == MaxXmlAttributes) Damaged(" XML の属性が多すぎます");
      tag.Attributes.emplace_back(key, xml.substr(open + 1, close - open - 1));
      at = close + 1;
    }
    tags.push_back(std::move(tag));
  }
  return tags;
}

std::string_view Required(const XmlTag& tag, std::string_view name) {
  const auto value = tag.Attribute(name);
  if (!value || value->empty()) {
    Damaged(fmt::format(" {} に属性 {} がありません", tag.Name, name));
  }
  return *value;
}

std::uint32_t Number(const XmlTag& tag, std::string_view name, std::uint32_t least,
                     std::uint32_t most) {
  const std::string_view text = Required(tag, name);
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || value > most)
      Damaged(fmt::format(" {} の {} が不正です", tag.Name, name));
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value < least || value > most) Damaged(fmt::format(" {} の {} が不正です", tag.Name, name));
  return static_cast<std::uint32_t>(value);
}

// Base64 as XML carries it: whitespace between the characters is allowed,
// padding only at the end.
std::vector<std::uint8_t> Base64(const XmlTag& tag, std::string_view name) {
  const std::string_view text = Required(tag, name);
  auto bad = [&]() { Damaged(fmt::format(" {} の {} が不正です", tag.Name, name)); };
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  int padding = 0;
  for (const char c : text) {
    if (IsXmlSpace(c)) continue;
    int value = 0;
    if (c >= 'A' && c <= 'Z') {
      value = c - 'A';
    } else if (c >= 'a' && c <= 'z') {
      value = c - 'a' + 26;
    } else if (c >= '0' && c <= '9') {
      value = c - '0' + 52;
    } else if (c == '+' || c == '/') {
      value = c == '+' ? 62 : 63;
    } else if (c == '=') {
      value = 0;
      ++padding;
    } else {
      bad();
    }
    if (padding > 0 && c != '=') bad();
    bits = bits << 6 | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      bytes.push_back(static_cast<std::uint8_t>(bits >> 16));
      bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
      bytes.push_back(static_cast<std::uint8_t>(bits));
      bits = 0;
      count = 0;
    }
  }
  if (count != 0 || padding > 2) bad();
  bytes.resize(bytes.size() - static_cast<std::size_t>(padding));
  return bytes;
}

void ReadParameters(const XmlTag& tag, AgileParameters& parameters) {
  parameters.SaltSize = Number(tag, "saltSize", 1, 65536);
  parameters.BlockSize = Number(tag, "blockSize", 2, 4096);
  parameters.KeyBits = Number(tag, "keyBits", 8, MaxKeyBits);
  if (parameters.KeyBits % 8 != 0) Damaged(fmt::format(" {} の keyBits が不正です", tag.Name));
  parameters.HashSize = Number(tag, "hashSize", 1, 65536);
  parameters.CipherAlgorithm = Required(tag, "cipherAlgorithm");
  parameters.CipherChaining = Required(tag, "cipherChaining");
  parameters.HashAlgorithm = Required(tag, "hashAlgorithm");
  parameters.Salt = Base64(tag, "saltValue");
  if (parameters.Salt.size() != parameters.SaltSize) {
    Damaged(fmt::format(" {} のソルトの長さが不正です", tag.Name));
  }
}

EncryptionInfo ReadAgile(ByteView info) {
  if (info.U32(4) != AgileReserved) Damaged("予約値が不正です");
  const ByteView xml = info.From(8);
  const std::vector<XmlTag> tags =
      StartTags(std::string_view(reinterpret_cast<const char*>(xml.Data()), xml.Size()));

  const XmlTag* keyData = nullptr;
  const XmlTag* passwordKey = nullptr;
  int passwordEncryptors = 0;
  bool otherEncryptor = false;
  bool inPasswordEncryptor = false;
  for (const XmlTag& tag : tags) {
    if (tag.Name == "keyData") {
      if (keyData != nullptr) Damaged(" keyData が複数あります");
      keyData = &tag;
    } else if (tag.Name == "keyEncryptor") {
      inPasswordEncryptor = tag.Attribute("uri") == PasswordKeyEncryptor;
      if (inPasswordEncryptor) {
        ++passwordEncryptors;
      } else {
        otherEncryptor = true;
      }
    } else if (tag.Name == "encryptedKey" && inPasswordEncryptor && passwordKey == nullptr) {
      passwordKey = &tag;
    }
  }
  if (keyData == nullptr) Damaged(" keyData がありません");
  if (passwordEncryptors == 0 && otherEncryptor) throw EncryptionRefused("証明書による暗号化");
  if (passwordEncryptors != 1 || passwordKey == nullptr) Damaged("パスワードの鍵がありません");

  EncryptionInfo result;
  result.Scheme = OfficeScheme::Agile;
  ReadParameters(*keyData, result.KeyData);
  AgilePasswordKey& key = result.PasswordKey;
  ReadParameters(*passwordKey, key);
  key.SpinCount = Number(*passwordKey, "spinCount", 0, MaxSpinCount);
  key.EncryptedVerifierHashInput = Base64(*passwordKey, "encryptedVerifierHashInput");
  key.EncryptedVerifierHashValue = Base64(*passwordKey, "encryptedVerifierHashValue");
  key.EncryptedKeyValue = Base64(*passwordKey, "encryptedKeyValue");
  return result;
}

}  // namespace

EncryptionInfo ReadEncryptionInfo(ByteView headerPage) {
  const ByteView page = headerPage.As("暗号化情報");
  const ByteView info = page.Sub(EncryptionInfoOffset + 2, page.U16(EncryptionInfoOffset));
  const std::uint16_t major = info.U16(0);
  const std::uint16_t minor = info.U16(2);
  if (major == 4 && minor == 4) return ReadAgile(info);
  if ((major == 2 || major == 3 || major == 4) && minor == 2) return ReadBinary(info);
  if (major == 1 && minor == 1) throw EncryptionRefused("Office バイナリ RC4");
  if ((major == 3 || major == 4) && minor == 3) throw EncryptionRefused("拡張暗号化");
  throw EncryptionRefused(fmt::format("バージョン {}.{}", major, minor));
}

}  // namespace tabulon::jet
