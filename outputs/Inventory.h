#pragma once
// An inventory of Access databases: one row per file found (what it is,
// whether it opened, what it holds), and its three forms: a UTF-8 HTML
// page with a table that sorts without any network resource, CSV for
// spreadsheets and JSON for scripts, all with the same columns.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <schema/Schema.h>

namespace tabulon {

// A table linked to another Access database.
struct InventoryLink {
  std::string Table;
  std::string Target;    // the path the front end stores
  std::string Resolved;  // where it was found (the stored path, else beside the file), "" if not
};

struct InventoryRow {
  std::string Path;
  std::int64_t Size = 0;
  std::string Modified;    // UTC, "YYYY-MM-DD HH:MM:SS"
  std::string Format;      // "Jet 3", "Jet 4", "ACE 12" ... "ACE 17", "" when not known
  std::string Protection;  // "", "database password", "Office encryption"
  bool Opened = false;
  std::string Failure;  // when not opened: the kind in words, then the engine's text
  std::int64_t LocalTables = 0;
  std::int64_t LinkedTables = 0;
  std::int64_t OdbcTables = 0;
  std::int64_t StoredRows = 0;                  // the tables' own counts
  std::map<std::string, std::int64_t> Queries;  // by kind: "select", "union", ...
  std::int64_t Forms = 0, Reports = 0, Macros = 0, Modules = 0;
  std::int64_t Relationships = 0, Enforced = 0;
  std::string NewestChange;  // of its tables and queries, as the engine writes a date
  std::string Fingerprint;   // of its tables, fields, types and keys (32 hex digits)
  std::vector<InventoryLink> Links;
  // The ODBC sources its tables link to: "DSN=...;SERVER=...;DATABASE=..."
  // (only those keys: a password is never among them).
  std::vector<std::string> OdbcSources;
  // Of the file's bytes, for files that share their size with another;
  // "" otherwise.
  std::string ContentHash;
  // Its full report beside the index ("reports/<n>.html"), "" when none
  // was asked for or it could not be written (then Unread says why).
  std::string FullReport;
  // Members that could not be read, each named once; counts leave them out.
  std::vector<std::string> Unread;
};

struct InventoryRun {
  std::vector<std::string> Roots;
  std::string Started;                  // UTC
  bool Complete = true;                 // false when stopped before every file was read
  std::vector<std::string> Unreadable;  // folders that could not be listed, with why
  bool Truncated = false;               // the walk stopped at its bounds
  std::string LinkGraph;                // the links' SVG beside the index, "" when none
};

// Access's limit on a database file.
inline constexpr std::int64_t AccessSizeLimit = std::int64_t{2} << 30;

// The counts, change date and fingerprint of an opened database.
void DescribeSchema(const schema::Database& database,
                    const schema::List<schema::ContainerCount>& containers, InventoryRow& row);

// The content hash of the file at `path` (32 hex digits); "" when it
// cannot be read.
std::string InventoryContentHash(const std::string& path);

// The query kinds in the order the columns show them.
const std::vector<std::string>& InventoryQueryKinds();

// The three forms, handed to `write` piece by piece as they are made.
using InventorySink = std::function<void(std::string_view)>;
void WriteInventoryCsv(const std::vector<InventoryRow>& rows, const InventorySink& write);
void WriteInventoryJson(const std::vector<InventoryRow>& rows, const InventoryRun& run,
                        const InventorySink& write);
void WriteInventoryHtml(const std::vector<InventoryRow>& rows, const InventoryRun& run,
                        const InventorySink& write);

}  // namespace tabulon
