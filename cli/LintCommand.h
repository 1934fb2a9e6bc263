#pragma once
// tabulon-cli --lint: findings that help before a migration
// (migrate/Lint.h), per database, as text.

#include <iosfwd>
#include <string>
#include <vector>

#include <dao/Dao360.h>

namespace tabulon {

struct LintRequest {
  std::vector<std::string> Lines;  // target lines; lines that name no target are passed over
  bool Data = false;               // also read the rows (slower)
  std::string Program;             // names the messages
};

// Prints, for each database, a line with its path and the number of
// findings, then each finding indented by two blanks. Findings are not
// failures: returns 0 when every database was read, 1 when one did not
// open (its reason on `err`).
int PrintLint(TDao360& dao, const LintRequest& request, std::ostream& out, std::ostream& err);

}  // namespace tabulon
