#pragma once

#include <stdexcept>
#include <string>

namespace tabulon::jetwriter {

// A description the writer cannot turn into a valid file. what() is one line
// that names the object at fault (table, column, row, relationship) and the
// problem.
class SchemaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tabulon::jetwriter
