#pragma once
// The report run's own pass over its targets: it keeps each target that
// opened as a two-field line of password and path, and opens it again from
// that line.

#include <string>
#include <string_view>

#include <dao/Dao360.h>
#include <targets/TargetLine.h>

namespace tabulon {

// A target that did not open: its path as the line gives it, the engine's
// text and the kind of failure.
struct OpenFailure {
  std::string Path;
  std::string Text;
  dao::ErrorKind Kind = dao::ErrorKind::Other;
};

// The two-field line kept for `target`.
std::string KeptTargetLine(const Target& target);

// Splits a two-field line of password and path and opens it through `dao`
// (TDao360::Open's contract); with fewer than two fields, opens "" with "".
void OpenTarget(TDao360& dao, std::string_view keptLine, std::string& errorText);

}  // namespace tabulon
