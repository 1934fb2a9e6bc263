#pragma once
// tabulon-cli --format sql: each database's schema as a SQL file for one
// server (migrate/SqlSchemaWriter.h), UTF-8.

#include <iosfwd>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <migrate/Dialect.h>

namespace tabulon {

struct SqlRequest {
  std::vector<std::string> Lines;  // target lines; lines that name no target are passed over
  migrate::Dialect Dialect = migrate::Dialect::PostgreSql;
  // A folder for "<database file stem>.sql" files, made when missing ("":
  // the current folder); a name ending in ".sql" that is not a folder, the
  // file itself; or "-" for standard output (the last two: one database only).
  std::string Output;
  std::string Program;  // names the messages
  // With the rows: one self-contained script per database
  // (servers::WriteMigrationScript); rows that cannot be carried go to
  // TABLE.rejects.csv beside it.
  bool Data = false;
};

// Writes one file per database, each through a temporary file renamed over
// the old one, and prints its path on `out`; with "-" the SQL goes to
// `out`. What could not be carried over is listed on `err`, one line per
// item after the database's path; so are databases that do not open.
// Returns the exit status: 0 every database written, 1 one was not (it did
// not open, or its file could not be written), 2 the request cannot be
// met (standard output for several databases, two databases for one file
// name).
int WriteSqlFiles(TDao360& dao, const SqlRequest& request, std::ostream& out, std::ostream& err);

}  // namespace tabulon
