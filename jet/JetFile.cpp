#include <jet/JetFile.h>

#include <cerrno>
#include <cstring>

#include <jet/ComplexColumns.h>
#include <jet/EncryptionInfo.h>
#include <jet/OfficeDecryption.h>
#include <jet/OfficeKeys.h>
#include <jet/TableDefinition.h>
#include <jet/UsageMap.h>
#include <text/SystemReason.h>
#include <text/TextCompare.h>
#include <text/Utf8.h>

namespace tabulon::jet {

namespace {

[[noreturn]] void Fail(dao::ErrorKind kind, const std::string& text) {
  throw dao::EngineError(OneLine(text), kind);
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

[[noreturn]] void FailPassword() { Fail(dao::ErrorKind::WrongPassword, "パスワードが無効です。"); }

// The decryption of an Office-encrypted ACE file's pages, once the
// password matches its verifier.
std::unique_ptr<PageCodec> OfficeCodec(PageSource& source, const HeaderPage& header,
                                       const std::string& path, const std::string& password,
                                       OfficeKeyCache* keys) {
  try {
    std::vector<std::uint8_t> page(header.Format->PageSize);
    source.Read(0, page);
    const EncryptionInfo info = ReadEncryptionInfo(ByteView(page, "ヘッダー"));
    // Encryption with a password always has one, so an empty one never
    // opens the file and costs no derivation.
    if (password.empty()) FailPassword();
    std::unique_ptr<PageCodec> codec =
        OpenOfficeDecryption(info, header.DatabaseKey, OfficePassword(password), keys);
    if (!codec) FailPassword();
    return codec;
  } catch (const EncryptionRefused& e) {
    Fail(dao::ErrorKind::Unsupported,
         "ファイル " + Quoted(path) + " は暗号化された ACE データベースですが、その暗号化方式（" +
             e.what() + "）には対応していません。");
  }
}

// The system tables the object model reads whole: a definition or data
// page of theirs past the end means the file was cut short, and the open
// refuses it rather than the queries or relationships failing later. Other
// damage in them is left to the read that needs them.
void CheckSystemTablesInsideFile(const JetFile& file, PageFile& pages, const TextDecoder& text) {
  for (const std::string_view name : {"MSysQueries", "MSysRelationships", "MSysComplexColumns"}) {
    const CatalogEntry* entry = file.Find(name, ObjectLocalTable);
    if (entry == nullptr) continue;
    try {
      ReadUsageMap(pages, ReadTableDefinition(pages, entry->TablePage(), text).OwnedMap);
    } catch (const PageOutsideFile&) {
      throw;
    } catch (const FormatError&) {
    }
  }
}

}  // namespace

std::string PasswordOfConnect(std::string_view connect) {
  constexpr std::string_view key = ";pwd=";
  for (std::size_t i = 0; i + key.size() <= connect.size(); ++i) {
    bool match = true;
    for (std::size_t k = 0; k < key.size() && match; ++k) {
      char c = connect[i + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      match = c == key[k];
    }
    if (match) return std::string(connect.substr(i + key.size()));
  }
  return "";
}

std::shared_ptr<JetFile> JetFile::Open(const std::string& path, const std::string& password,
                                       OfficeKeyCache* keys) {
  int error = 0;
  std::unique_ptr<FileSource> source = FileSource::Open(path, error);
  if (!source) {
    if (error == ENOENT || error == ENOTDIR || path.empty()) {
      Fail(dao::ErrorKind::FileNotFound, "ファイル " + Quoted(path) + " が見つかりません。");
    }
    Fail(dao::ErrorKind::CannotRead,
         "ファイル " + Quoted(path) + " を開けません: " + SystemReason(error) + "。");
  }
  return Open(std::move(source), path, password, keys);
}

std::shared_ptr<JetFile> JetFile::Open(std::unique_ptr<PageSource> source, const std::string& path,
                                       const std::string& password, OfficeKeyCache* keys) {
  std::shared_ptr<JetFile> file(new JetFile());
  file->FPath = path;
  std::vector<std::uint8_t> prefix(
      static_cast<std::size_t>(std::min<std::uint64_t>(source->Size(), HeaderPrefixSize)));
  try {
    source->Read(0, prefix);
  } catch (const FormatError& e) {
    Fail(dao::ErrorKind::CannotRead,
         "ファイル " + Quoted(path) + " を読み込めません: " + e.what() + "。");
  }
  const std::optional<HeaderPage> header = ParseHeaderPage(ByteView(prefix, "ヘッダー"));
  if (!header) {
    Fail(dao::ErrorKind::NotADatabase, "データベース形式 " + Quoted(path) + " を認識できません。");
  }
  // A database always has its header, global usage map and catalog pages:
  // with a header and fewer pages it is a database cut short.
  if (source->Size() < header->Format->PageSize * std::uint64_t{CatalogTdefPage + 1}) {
    throw file->Damaged("ファイルが途中で切れています（全 " +
                        std::to_string(source->Size() / header->Format->PageSize) + " ページ）");
  }
  std::unique_ptr<PageCodec> codec;
  if (header->AceEncrypted()) {
    codec = file->Guard([&] { return OfficeCodec(*source, *header, path, password, keys); });
  }
  file->FText = std::make_unique<TextDecoder>(header->Jet3, header->CodePage);
  // Jet compares the password as stored; a database without one takes any.
  if (!header->Password.empty()) {
    const ByteView stored(header->Password, "パスワード");
    const std::string expected = file->FText->Name(stored);
    if (password != expected) FailPassword();
  }
  file->FPages = std::make_unique<PageFile>(std::move(source), *header, std::move(codec));
  file->FCatalog = file->Guard([&] { return ReadCatalog(*file->FPages, *file->FText); });
  file->Guard([&] { CheckSystemTablesInsideFile(*file, *file->FPages, *file->FText); });
  return file;
}

const CatalogEntry* JetFile::Find(std::string_view name, std::int16_t type) const {
  return FindByName(
      FCatalog, name, [](const CatalogEntry& entry) -> const std::string& { return entry.Name; },
      [type](const CatalogEntry& entry) { return entry.Type == type; });
}

std::int32_t JetFile::ComplexType(std::uint32_t complexId) {
  if (!FComplexTypes) {
    FComplexTypes = Guard([&] { return ReadComplexTypes(*FPages, *FText, FCatalog); });
  }
  const auto found = FComplexTypes->find(complexId);
  return found == FComplexTypes->end() ? 0 : found->second;
}

std::string JetFile::DamagedText(const std::string& what) const {
  return OneLine("ファイル " + Quoted(FPath) + " は壊れています: " + what + "。");
}

dao::EngineError JetFile::Unreadable(const std::string& reason) const {
  return dao::EngineError(
      OneLine("ファイル " + Quoted(FPath) + " を読み込めません: " + reason + "。"),
      dao::ErrorKind::CannotRead);
}

dao::EngineError JetFile::Damaged(const std::string& what) const {
  return dao::EngineError(DamagedText(what), dao::ErrorKind::Damaged);
}

}  // namespace tabulon::jet
