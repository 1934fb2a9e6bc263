#pragma once
// What every front hears of a target that did not open.

#include <string>

#include <dao/EngineError.h>

namespace tabulon {

// A target that did not open: its path as the line gives it, the engine's
// text and the kind of failure.
struct OpenFailure {
  std::string Path;
  std::string Text;
  dao::ErrorKind Kind = dao::ErrorKind::Other;
};

}  // namespace tabulon
