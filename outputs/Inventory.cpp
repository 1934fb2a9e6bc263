#include <outputs/Inventory.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <dao/ObjectModel.h>
#include <outputs/SvgDiagram.h>
#include <text/TextCompare.h>
#include <nlohmann/json.hpp>

namespace tabulon {

namespace {

struct QueryKind {
  std::int32_t Type;
  const char* Word;
};
constexpr QueryKind QueryKinds[] = {
    {dao::dbQSelect, "select"},      {dao::dbQSetOperation, "union"},
    {dao::dbQCrosstab, "crosstab"},  {dao::dbQMakeTable, "makeTable"},
    {dao::dbQAppend, "append"},      {dao::dbQUpdate, "update"},
    {dao::dbQDelete, "delete"},      {dao::dbQSQLPassThrough, "passThrough"},
    {dao::dbQDDL, "dataDefinition"},
};

std::string KindOf(std::int32_t type) {
  for (const QueryKind& kind : QueryKinds) {
    if (kind.Type == type) return kind.Word;
  }
  return "other";
}

// Two lanes of FNV-1a: a fingerprint, not a secret.
class Fingerprint {
 public:
  void Add(std::string_view text) {
    for (const char c : text) Mix(static_cast<unsigned char>(c));
    Mix(0xff);  // ends the item, so that no two run together
  }
  std::string Hex() const {
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(FA),
                  static_cast<unsigned long long>(FB));
    return text;
  }

 private:
  void Mix(unsigned byte) {
    FA = (FA ^ byte) * 0x100000001b3u;
    FB = (FB ^ (byte + 0x9e)) * 0x100000001b3u;
  }
  std::uint64_t FA = 0xcbf29ce484222325u;
  std::uint64_t FB = 0x84222325cbf29ce4u;
};

template <class T>
void Unread(InventoryRow& row, const schema::Member<T>& member, const std::string& what) {
  if (!member.Ok()) row.Unread.push_back(what + ": " + member.Error());
}

// The `keys` of a connect text (";DATABASE=...", "ODBC;DSN=...;..."), as
// "KEY=value;KEY=value" in the order given.
std::string ConnectKeys(const std::string& connect, std::initializer_list<const char*> keys) {
  std::string out;
  for (const char* key : keys) {
    std::size_t start = 0;
    while (start <= connect.size()) {
      const std::size_t end = std::min(connect.find(';', start), connect.size());
      const std::string_view item = std::string_view(connect).substr(start, end - start);
      const std::size_t equals = item.find('=');
      if (equals != std::string_view::npos && EqualsNoCase(item.substr(0, equals), key)) {
        out += (out.empty() ? "" : ";") + std::string(key) + "=" +
               std::string(item.substr(equals + 1));
      }
      start = end + 1;
    }
  }
  return out;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// What the rows share: the same schema, the same bytes, the same ODBC
// source.
struct Shared {
  std::map<std::string, std::vector<std::string>> Schemas;   // fingerprint: paths
  std::map<std::string, std::vector<std::string>> Contents;  // content hash: paths
  std::map<std::string, std::vector<std::string>> Sources;   // ODBC source: paths
  explicit Shared(const std::vector<InventoryRow>& rows) {
    for (const InventoryRow& row : rows) {
      if (row.Opened && !row.Fingerprint.empty()) Schemas[row.Fingerprint].push_back(row.Path);
      if (!row.ContentHash.empty()) Contents[row.ContentHash].push_back(row.Path);
      for (const std::string& source : row.OdbcSources) Sources[source].push_back(row.Path);
    }
  }
  // How many other files share `key`.
  static std::int64_t Others(const std::map<std::string, std::vector<std::string>>& groups,
                             const std::string& key) {
    const auto found = groups.find(key);
    if (key.empty() || found == groups.end()) return 0;
    return static_cast<std::int64_t>(found->second.size()) - 1;
  }
};

// Hands what is made so far to the sink once it is large, so that an
// index of thousands of rows is never whole in memory.
void Spill(std::string& out, const InventorySink& write) {
  if (out.size() < (std::size_t{1} << 16)) return;
  write(out);
  out.clear();
}

// The columns every form shows, as texts, in order.
std::vector<std::pair<std::string, std::string>> Cells(const InventoryRow& row,
                                                       const Shared& shared) {
  std::vector<std::pair<std::string, std::string>> cells = {
      {"path", row.Path},
      {"size", std::to_string(row.Size)},
      {"modified", row.Modified},
      {"format", row.Format},
      {"protection", row.Protection},
      {"opened", row.Opened ? "yes" : "no"},
      {"failure", row.Failure},
      {"localTables", std::to_string(row.LocalTables)},
      {"linkedTables", std::to_string(row.LinkedTables)},
      {"odbcTables", std::to_string(row.OdbcTables)},
      {"storedRows", std::to_string(row.StoredRows)},
  };
  for (const std::string& kind : InventoryQueryKinds()) {
    const auto found = row.Queries.find(kind);
    cells.push_back(
        {kind + "Queries", std::to_string(found == row.Queries.end() ? 0 : found->second)});
  }
  for (const auto& [name, value] :
       std::vector<std::pair<std::string, std::int64_t>>{{"forms", row.Forms},
                                                         {"reports", row.Reports},
                                                         {"macros", row.Macros},
                                                         {"modules", row.Modules},
                                                         {"relationships", row.Relationships},
                                                         {"enforcedRelationships", row.Enforced}}) {
    cells.push_back({name, std::to_string(value)});
  }
  char share[32];
  std::snprintf(share, sizeof share, "%.1f",
                100.0 * static_cast<double>(row.Size) / static_cast<double>(AccessSizeLimit));
  cells.push_back({"newestChange", row.NewestChange});
  cells.push_back({"percentOf2GB", share});
  cells.push_back({"fingerprint", row.Fingerprint});
  std::int64_t missing = 0;
  for (const InventoryLink& link : row.Links) missing += link.Resolved.empty() ? 1 : 0;
  cells.push_back({"links", std::to_string(row.Links.size())});
  cells.push_back({"missingLinks", std::to_string(missing)});
  cells.push_back(
      {"sameSchemaFiles",
       std::to_string(row.Opened ? Shared::Others(shared.Schemas, row.Fingerprint) : 0)});
  cells.push_back(
      {"identicalFiles", std::to_string(Shared::Others(shared.Contents, row.ContentHash))});
  std::string unread;
  for (const std::string& item : row.Unread) unread += (unread.empty() ? "" : "; ") + item;
  cells.push_back({"unread", unread});
  cells.push_back({"fullReport", row.FullReport});
  return cells;
}

bool Numeric(const std::string& column) {
  return column != "path" && column != "modified" && column != "format" && column != "protection" &&
         column != "opened" && column != "failure" && column != "newestChange" &&
         column != "fingerprint" && column != "unread" && column != "fullReport";
}

nlohmann::ordered_json Groups(const std::map<std::string, std::vector<std::string>>& groups,
                              const char* key, std::size_t least = 2) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const auto& [value, paths] : groups) {
    if (paths.size() >= least) list.push_back({{key, value}, {"files", paths}});
  }
  return list;
}

}  // namespace

std::string InventoryContentHash(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  // Eight bytes a step in two lanes: the files may be large.
  std::uint64_t a = 0xcbf29ce484222325u, b = 0x84222325cbf29ce4u, length = 0;
  const auto mix = [&](std::uint64_t word) {
    a = (a ^ word) * 0x9e3779b97f4a7c15u;
    a ^= a >> 29;
    b = (b + word) * 0xc2b2ae3d27d4eb4fu;
    b ^= b >> 31;
  };
  std::vector<char> chunk(1 << 20);
  while (in) {
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    length += got;
    std::size_t at = 0;
    for (; at + 8 <= got; at += 8) {
      std::uint64_t word = 0;
      std::memcpy(&word, chunk.data() + at, 8);
      mix(word);
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, chunk.data() + at, got - at);
    if (at < got) mix(tail);
  }
  mix(length);
  if (in.bad()) return "";
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(a),
                static_cast<unsigned long long>(b));
  return text;
}

const std::vector<std::string>& InventoryQueryKinds() {
  static const std::vector<std::string> kinds = [] {
    std::vector<std::string> words;
    for (const QueryKind& kind : QueryKinds) words.push_back(kind.Word);
    words.push_back("other");
    return words;
  }();
  return kinds;
}

void DescribeSchema(const schema::Database& database,
                    const schema::List<schema::ContainerCount>& containers, InventoryRow& row) {
  Unread(row, database.Tables, "テーブルの一覧");
  Unread(row, database.Queries, "クエリの一覧");
  Unread(row, database.Relations, "リレーションシップの一覧");
  Unread(row, containers, "オブジェクトの一覧");
  double newest = -1e300;
  std::string newestText;
  const auto newer = [&](const schema::Member<dao::Variant>& when) {
    if (!when.Ok()) return;
    if (const auto* date = std::get_if<dao::Date>(&*when); date != nullptr && date->Days > newest) {
      newest = date->Days;
      newestText = dao::VariantToText(*when);
    }
  };
  // Local tables by name without regard to case, for a fingerprint that
  // does not depend on the engine's order.
  std::vector<const schema::Table*> local;
  if (database.Tables.Ok()) {
    for (const schema::Member<schema::Table>& item : *database.Tables) {
      if (!item.Ok() || !item->Name.Ok()) {
        row.Unread.push_back("テーブル: " + (item.Ok() ? item->Name.Error() : item.Error()));
        continue;
      }
      const schema::Table& table = *item;
      if (schema::IsSystemTable(table)) continue;
      const std::int32_t attributes = table.Attributes.ValueOr(0);
      if ((attributes & (dao::dbAttachedODBC | dao::dbAttachedTable)) != 0) {
        const schema::Member<std::optional<std::string>> connect =
            schema::PropertyText(table.Properties, "Connect");
        Unread(row, connect, "テーブル \"" + *table.Name + "\" のリンク先");
        const std::string text = connect.Ok() ? connect->value_or("") : "";
        if ((attributes & dao::dbAttachedODBC) != 0) {
          ++row.OdbcTables;
          const std::string source = ConnectKeys(text, {"DSN", "SERVER", "DATABASE"});
          if (std::find(row.OdbcSources.begin(), row.OdbcSources.end(), source) ==
              row.OdbcSources.end()) {
            row.OdbcSources.push_back(source);
          }
        } else {
          ++row.LinkedTables;
          const std::string target = ConnectKeys(text, {"DATABASE"});
          row.Links.push_back(
              {*table.Name, target.substr(std::min<std::size_t>(9, target.size())), ""});
        }
      } else {
        ++row.LocalTables;
        local.push_back(&table);
        if (table.RecordCount.Ok()) {
          row.StoredRows += *table.RecordCount;
        } else {
          Unread(row, table.RecordCount, "テーブル \"" + *table.Name + "\" の行数");
        }
      }
      newer(table.LastUpdated);
    }
  }
  std::sort(local.begin(), local.end(), [](const schema::Table* a, const schema::Table* b) {
    return ToLowerText(*a->Name) < ToLowerText(*b->Name);
  });
  Fingerprint print;
  for (const schema::Table* table : local) {
    print.Add("table");
    print.Add(ToLowerText(*table->Name));
    if (!table->Fields.Ok()) {
      Unread(row, table->Fields, "テーブル \"" + *table->Name + "\" のフィールド");
      continue;
    }
    for (const schema::Member<schema::Field>& field : *table->Fields) {
      if (!field.Ok()) continue;
      print.Add(ToLowerText(field->Name.ValueOr("?")));
      print.Add(std::to_string(field->Type.ValueOr(-1)));
      print.Add(std::to_string(field->Size.ValueOr(-1)));
    }
    if (!table->Indexes.Ok()) continue;
    for (const schema::Member<schema::Index>& index : *table->Indexes) {
      if (!index.Ok() || !index->Primary.ValueOr(false) || !index->Fields.Ok()) continue;
      print.Add("key");
      for (const schema::Member<schema::IndexField>& field : *index->Fields) {
        if (field.Ok()) print.Add(ToLowerText(field->Name.ValueOr("?")));
      }
    }
  }
  row.Fingerprint = print.Hex();
  if (database.Queries.Ok()) {
    for (const schema::Member<schema::Query>& query : *database.Queries) {
      if (!query.Ok() || !query->Type.Ok()) {
        row.Unread.push_back("クエリ: " + (query.Ok() ? query->Type.Error() : query.Error()));
        continue;
      }
      ++row.Queries[KindOf(*query->Type)];
      newer(query->LastUpdated);
    }
  }
  if (database.Relations.Ok()) {
    for (const schema::Member<schema::Relation>& relation : *database.Relations) {
      if (!relation.Ok() || !relation->Attributes.Ok()) continue;
      // The engine's own relationships are not the user's.
      if (EqualsNoCase(std::string_view(relation->Table.ValueOr("")).substr(0, 4), "MSys")) {
        continue;
      }
      ++row.Relationships;
      if ((*relation->Attributes & dao::dbRelationDontEnforce) == 0) ++row.Enforced;
    }
  }
  if (containers.Ok()) {
    for (const schema::Member<schema::ContainerCount>& container : *containers) {
      if (!container.Ok() || !container->Name.Ok() || !container->Documents.Ok()) continue;
      const std::string& name = *container->Name;
      std::int64_t* count = name == "Forms"     ? &row.Forms
                            : name == "Reports" ? &row.Reports
                            : name == "Scripts" ? &row.Macros
                            : name == "Modules" ? &row.Modules
                                                : nullptr;
      if (count != nullptr) *count = *container->Documents;
    }
  }
  row.NewestChange = newestText;
}

void WriteInventoryCsv(const std::vector<InventoryRow>& rows, const InventorySink& write) {
  std::string out;
  const InventoryRow none;
  const Shared shared(rows);
  bool first = true;
  for (const auto& [name, value] : Cells(none, shared)) {
    out += (first ? "" : ",") + name;
    first = false;
  }
  out += "\r\n";
  for (const InventoryRow& row : rows) {
    first = true;
    for (const auto& [name, value] : Cells(row, shared)) {
      out += (first ? "" : ",") + CsvField(value);
      first = false;
    }
    out += "\r\n";
    Spill(out, write);
  }
  write(out);
}

void WriteInventoryJson(const std::vector<InventoryRow>& rows, const InventoryRun& run,
                        const InventorySink& write) {
  const Shared shared(rows);
  // Names from the files may hold anything: invalid UTF-8 becomes U+FFFD
  // rather than ending the document.
  const auto text = [](const nlohmann::ordered_json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  };
  // Each file is made and written on its own, so that memory does not grow
  // with a document of thousands of objects.
  std::string out = "{\"formatVersion\": 1, \"roots\": " + text(run.Roots) +
                    ", \"started\": " + text(run.Started) +
                    ", \"complete\": " + text(run.Complete) +
                    ", \"truncated\": " + text(run.Truncated) +
                    ",\n \"unreadableFolders\": " + text(run.Unreadable) +
                    ", \"linkGraph\": " + text(run.LinkGraph) + ",\n \"files\": [";
  nlohmann::ordered_json links = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const InventoryRow& row = rows[i];
    for (const InventoryLink& link : row.Links) {
      links.push_back({{"from", row.Path},
                       {"table", link.Table},
                       {"target", link.Target},
                       {"resolved", link.Resolved}});
    }
    nlohmann::ordered_json file;
    for (const auto& [name, value] : Cells(row, shared)) {
      if (name == "opened") {
        file[name] = row.Opened;
      } else if (name == "percentOf2GB") {
        file[name] = std::stod(value);
      } else if (name == "unread") {
        file[name] = row.Unread;
      } else if (Numeric(name)) {
        file[name] = std::stoll(value);
      } else {
        file[name] = value;
      }
    }
    out += (i > 0 ? ",\n  " : "\n  ") + text(file);
    Spill(out, write);
  }
  out += "],\n \"links\": " + text(links) +
         ",\n \"sameSchema\": " + text(Groups(shared.Schemas, "fingerprint")) +
         ",\n \"identical\": " + text(Groups(shared.Contents, "contentHash")) +
         ",\n \"odbcSources\": " + text(Groups(shared.Sources, "source", 1)) + "}\n";
  write(out);
}

void WriteInventoryHtml(const std::vector<InventoryRow>& rows, const InventoryRun& run,
                        const InventorySink& write) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"UTF-8\">\n"
      "<title>Access データベースの一覧</title>\n<style>\n"
      "body { font-family: sans-serif; font-size: 13px; }\n"
      "table { border-collapse: collapse; }\n"
      "th, td { border: 1px solid #999; padding: 2px 4px; vertical-align: top; white-space: "
      "nowrap; }\n"
      "th { background: #eee; cursor: pointer; }\n"
      "td.n { text-align: right; }\n"
      "tr.ng td { background: #fdd; }\n"
      ".incomplete { color: #b00; font-weight: bold; }\n"
      "@media print { th { cursor: auto; } body { font-size: 9px; } }\n"
      "</style>\n</head>\n<body>\n<h1>Access データベースの一覧</h1>\n<p>";
  for (const std::string& root : run.Roots) out += outputs::XmlEscape(root) + "<br>\n";
  out += outputs::XmlEscape(std::to_string(rows.size())) + " 件（" +
         outputs::XmlEscape(run.Started) + " UTC に開始）</p>\n";
  if (!run.Complete) {
    out += "<p class=\"incomplete\">中断しました: この一覧は途中までです。</p>\n";
  }
  if (run.Truncated) {
    out +=
        "<p class=\"incomplete\">探す数か深さの上限に達しました: "
        "この一覧にないファイルがあります。</p>\n";
  }
  if (!run.Unreadable.empty()) {
    out += "<p>読めなかったフォルダー:</p>\n<ul>\n";
    for (const std::string& folder : run.Unreadable)
      out += "<li>" + outputs::XmlEscape(folder) + "</li>\n";
    out += "</ul>\n";
  }
  out += "<table id=\"files\">\n<thead><tr>";
  const InventoryRow none;
  const Shared shared(rows);
  for (const auto& [name, value] : Cells(none, shared)) {
    out += "<th data-numeric=\"" + std::string(Numeric(name) ? "1" : "0") + "\">" +
           outputs::XmlEscape(name) + "</th>";
  }
  out += "</tr></thead>\n<tbody>\n";
  for (const InventoryRow& row : rows) {
    out += row.Opened ? "<tr>" : "<tr class=\"ng\">";
    for (const auto& [name, value] : Cells(row, shared)) {
      out += Numeric(name) ? "<td class=\"n\">" : "<td>";
      if (name == "fullReport" && !value.empty()) {
        out +=
            "<a href=\"" + outputs::XmlEscape(value) + "\">" + outputs::XmlEscape(value) + "</a>";
      } else {
        out += outputs::XmlEscape(value);
      }
      out += "</td>";
    }
    out += "</tr>\n";
    Spill(out, write);
  }
  out += "</tbody>\n</table>\n";
  const auto section = [&](const char* title,
                           const std::map<std::string, std::vector<std::string>>& groups,
                           std::size_t least) {
    std::string items;
    for (const auto& [value, paths] : groups) {
      if (paths.size() < least) continue;
      items +=
          "<li>" + outputs::XmlEscape(value) + " (" + std::to_string(paths.size()) + " 件)<ul>";
      for (const std::string& path : paths) items += "<li>" + outputs::XmlEscape(path) + "</li>";
      items += "</ul></li>\n";
    }
    if (!items.empty()) out += "<h2>" + std::string(title) + "</h2>\n<ul>\n" + items + "</ul>\n";
  };
  section("同じスキーマのファイル", shared.Schemas, 2);
  section("内容が同じファイル", shared.Contents, 2);
  std::string links;
  for (const InventoryRow& row : rows) {
    for (const InventoryLink& link : row.Links) {
      links += "<tr" + std::string(link.Resolved.empty() ? " class=\"ng\"" : "") + "><td>" +
               outputs::XmlEscape(row.Path) + "</td><td>" + outputs::XmlEscape(link.Table) +
               "</td><td>" + outputs::XmlEscape(link.Target) + "</td><td>" +
               (link.Resolved.empty() ? "見つかりません" : outputs::XmlEscape(link.Resolved)) +
               "</td></tr>\n";
    }
  }
  if (!links.empty()) {
    out +=
        "<h2>リンク</h2>\n<table>\n<thead><tr><th>ファイル</th><th>テーブル</th>"
        "<th>リンク先</th><th>見つかった場所</th></tr></thead>\n<tbody>\n" +
        links + "</tbody>\n</table>\n";
  }
  if (!run.LinkGraph.empty()) {
    out += "<h2>リンクの図</h2>\n<p><img src=\"" + outputs::XmlEscape(run.LinkGraph) +
           "\" alt=\"ファイルのリンクの図\"></p>\n";
  }
  section("ODBC の接続先", shared.Sources, 1);
  out +=
      "<script>\n"
      "// A click on a heading sorts by that column; a second click reverses.\n"
      "document.querySelectorAll('#files th').forEach(function (th, column) {\n"
      "  th.addEventListener('click', function () {\n"
      "    var body = document.querySelector('#files tbody');\n"
      "    var numeric = th.dataset.numeric === '1';\n"
      "    var down = th.dataset.order !== 'up';\n"
      "    th.dataset.order = down ? 'up' : 'down';\n"
      "    var rows = Array.prototype.slice.call(body.rows);\n"
      "    rows.sort(function (a, b) {\n"
      "      var x = a.cells[column].textContent, y = b.cells[column].textContent;\n"
      "      var c = numeric ? parseFloat(x) - parseFloat(y) : x.localeCompare(y);\n"
      "      return down ? c : -c;\n"
      "    });\n"
      "    rows.forEach(function (row) { body.appendChild(row); });\n"
      "  });\n"
      "});\n</script>\n</body>\n</html>\n";
  write(out);
}

}  // namespace tabulon
