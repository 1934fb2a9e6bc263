#pragma once

#include <stdexcept>
#include <string>

namespace tabulon::dao {

// Every failure of an engine call: what() is the engine's description, a
// single line of text in the user's language that names the file where one
// is involved.
class EngineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tabulon::dao
