#include <jet/LinkedSource.h>

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include <dao/ConnectText.h>
#include <text/OneLine.h>
#include <text/TextCompare.h>

namespace tabulon::jet {

namespace {

namespace fs = std::filesystem;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// The source file's path as the link stores it.
std::string StoredPath(const CatalogEntry& entry) {
  if (!entry.Database.empty()) return entry.Database;
  return dao::ConnectValue(entry.Connect, "DATABASE");
}

// The last part of a path written with "\" or "/".
std::string FileNameOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// The key that tells two paths of the same file apart from others.
std::string FileKey(const fs::path& path) {
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(path, error);
  return error ? path.lexically_normal().string() : canonical.string();
}

// The first candidate for the stored path that is a regular file, or "".
std::string FindLinkedFile(const std::string& linkingFile, const std::string& stored) {
  if (stored.empty()) return "";
  const fs::path folder = fs::path(linkingFile).parent_path();
  std::vector<fs::path> candidates;
  const fs::path asStored(stored);
  candidates.push_back(asStored.is_absolute() ? asStored : folder / asStored);
  const std::string name = FileNameOf(stored);
  if (!name.empty() && name != "." && name != "..") candidates.push_back(folder / name);
  for (const fs::path& candidate : candidates) {
    std::error_code error;
    if (fs::is_regular_file(candidate, error)) return candidate.string();
  }
  return "";
}

[[noreturn]] void Fail(const CatalogEntry& entry, const std::string& why,
                       dao::ErrorKind kind = dao::ErrorKind::Other) {
  throw dao::EngineError(
      OneLine("リンク テーブル '" + entry.Name + "' の列は読めません（リンク先 '" +
              dao::MaskConnectPassword(LinkConnect(entry)) + "' " + why + "）。"),
      kind);
}

const CatalogEntry* FindTable(const JetFile& file, const std::string& name) {
  for (const std::int16_t type : {ObjectLocalTable, ObjectLinkedTable, ObjectLinkedOdbcTable}) {
    if (const CatalogEntry* found = file.Find(name, type)) return found;
  }
  return nullptr;
}

bool HasLocalDefinition(const CatalogEntry& entry) {
  return entry.Id > 0 && entry.TablePage() != 0;
}

}  // namespace

std::string LinkConnect(const CatalogEntry& entry) {
  if (entry.Type == ObjectLinkedOdbcTable) {
    if (entry.Connect.empty() || StartsWithNoCase(entry.Connect, "ODBC;")) return entry.Connect;
    return "ODBC;" + entry.Connect;
  }
  if (entry.Type != ObjectLinkedTable) return "";
  if (entry.Database.empty() || !dao::ConnectValue(entry.Connect, "DATABASE").empty())
    return entry.Connect;
  return entry.Connect + ";DATABASE=" + entry.Database;
}

LinkedSource ResolveLinkedSource(const std::shared_ptr<JetFile>& file, const CatalogEntry& entry) {
  LinkedSource source{file, &entry};
  // Most tables are local: they need no look at the file system.
  if (entry.Type == ObjectLocalTable) return source;
  std::set<std::string> visited{FileKey(file->Path())};
  for (int opened = 0;; ++opened) {
    const CatalogEntry& at = *source.Entry;
    if (at.Type == ObjectLocalTable) return source;
    if (at.Type == ObjectLinkedOdbcTable) {
      if (HasLocalDefinition(at)) return source;
      Fail(entry, "の列の定義がファイルにありません");
    }
    if (at.Type != ObjectLinkedTable) Fail(entry, "はテーブルではありません");
    if (opened + 1 >= MaxLinkedFiles) {
      Fail(entry,
           "へのリンクが " + std::to_string(MaxLinkedFiles) + " ファイルを超えて続いています");
    }
    const std::string path = FindLinkedFile(source.File->Path(), StoredPath(at));
    if (path.empty()) Fail(entry, "が見つかりません", dao::ErrorKind::FileNotFound);
    if (!visited.insert(FileKey(path)).second) Fail(entry, "へのリンクが循環しています");
    std::shared_ptr<JetFile> next;
    try {
      next = JetFile::Open(path, dao::ConnectValue(at.Connect, "PWD"));
    } catch (const dao::EngineError& e) {
      Fail(entry, "は開けません: " + std::string(e.what()), e.Kind());
    }
    const std::string foreign = at.ForeignName.empty() ? at.Name : at.ForeignName;
    const CatalogEntry* target = FindTable(*next, foreign);
    if (target == nullptr) Fail(entry, "にテーブル '" + foreign + "' がありません");
    source = LinkedSource{std::move(next), target};
  }
}

}  // namespace tabulon::jet
