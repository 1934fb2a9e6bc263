#pragma once
// tabulon-cli migrate: each database's tables and rows into a PostgreSQL
// server or an SQLite file (servers/Migration.h), verified there, with a
// summary on standard error and, on request, as JSON.

#include <iosfwd>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <servers/Migration.h>

namespace tabulon {

struct MigrateRequest {
  std::vector<std::string> Lines;  // target lines
  std::string To;                  // servers::MigrationTargetOf
  std::string Schema = "public";
  bool Replace = false;
  std::string Rejects;  // folder for reject files ("": beside an SQLite file, else ".")
  std::string Report;   // a JSON summary file, "" for none
  std::string Program;
};

// Returns 0 when every table of every database arrived whole and matched
// its source, 1 when anything was rejected, differs, was refused or did
// not open, or the work failed (the target is then as it was), 2 for a
// request that cannot be met (several databases into one SQLite file).
int Migrate(TDao360& dao, const MigrateRequest& request, std::ostream& err);

}  // namespace tabulon
