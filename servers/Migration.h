#pragma once
// A database's tables and rows moved into PostgreSQL or SQLite and checked
// there: the schema's tables, every row (a value or row the target cannot
// take goes to a reject file with the reason), then indexes, checks and
// foreign keys, AutoNumbers continued, and each table read back from the
// server and compared with the source by row count and an
// order-independent checksum of every value.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <dao/ObjectModel.h>
#include <migrate/Dialect.h>
#include <migrate/SqlSchemaWriter.h>
#include <servers/Script.h>

namespace tabulon::servers {

struct MigrationTarget {
  migrate::Dialect Server = migrate::Dialect::PostgreSql;
  std::string Connection;  // PostgreSQL: the libpq text; SQLite: the file
};

// "sqlite:PATH" or a path ending in .sqlite, .sqlite3 or .db is an SQLite
// file; anything else is handed to libpq.
MigrationTarget MigrationTargetOf(std::string_view text);

struct MigrationOptions {
  std::string Schema = "public";  // PostgreSQL
  bool Replace = false;
  // Where <table>.rejects.csv files go.
  std::filesystem::path RejectFolder = ".";
  // Asked between rows; true ends the work and leaves the target as it was.
  std::function<bool()> StopRequested;
  // Told now and then while a table's rows load.
  std::function<void(const std::string& table, std::int64_t rows)> Progress;
};

struct TableOutcome {
  std::string Table;  // the Access name
  std::int64_t Read = 0;
  std::int64_t Loaded = 0;
  std::int64_t Rejected = 0;
  std::int64_t ReadBack = 0;
  std::string SourceChecksum;  // of the rows sent, in canonical values
  std::string TargetChecksum;  // of the rows the server holds
  std::string RejectFile;      // "" when nothing was rejected
  // The rows could not be read to the end (the engine's text).
  std::string ReadFailure;
  bool Matches() const {
    return ReadFailure.empty() && Rejected == 0 && Loaded == ReadBack &&
           SourceChecksum == TargetChecksum;
  }
};

// A saved query as a view: made and run on the migrated rows, or refused
// by the server (and then not left behind).
struct ViewOutcome {
  std::string Query;       // the Access name
  std::int64_t Rows = -1;  // what it selects; -1 unknown (a script) or refused
  std::string Refused;     // the server's message; "" when made and run
};

struct MigrationOutcome {
  std::vector<TableOutcome> Tables;
  std::vector<ViewOutcome> Views;
  // The saved queries not made views, and why (also among the notes).
  std::vector<migrate::NotCarriedQuery> NotCarriedQueries;
  // What the schema could not carry over (as the sql command says it).
  std::vector<migrate::MigrationNote> Notes;
  // What the server refused after the rows (an index, a foreign key) or
  // what the rows break (a check made NOT VALID), one line each.
  std::vector<std::string> Problems;
  // Why nothing was committed; "" when the target holds the work.
  std::string Failure;
  bool Committed = false;
  // The rows were read back and compared (not for a script).
  bool Verified = false;
  // Committed, nothing rejected, refused or unreadable, no view the server
  // refused, and (where read back) every table matches.
  bool Clean() const;
};

MigrationOutcome MigrateDatabase(dao::Database& database, std::string_view fileName,
                                 const MigrationTarget& target, const MigrationOptions& options);

// The same as one SQL script given to `write` piece by piece
// (servers/Script.h), headed by what the schema could not carry; nothing
// is read back.
MigrationOutcome WriteMigrationScript(dao::Database& database, std::string_view fileName,
                                      migrate::Dialect server, const ScriptSink& write,
                                      const MigrationOptions& options);

}  // namespace tabulon::servers
