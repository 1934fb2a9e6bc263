#pragma once

#include <stdexcept>
#include <string>

namespace tabulon::dao {

// What kind of failure an engine call met, kept from the reader to the
// fronts, which turn it into words and exit statuses.
enum class ErrorKind {
  Other,          // any other failure of a member (absent item, unreadable value, ...)
  FileNotFound,   // no file at the path
  CannotRead,     // the file is there but cannot be opened or read
  NotADatabase,   // not a Jet or ACE database
  WrongPassword,  // the password does not open it
  Damaged,        // a database whose structures are broken
  Unsupported,    // a database this engine cannot read (encrypted with a scheme it lacks, ...)
};

// Every failure of an engine call: what() is the engine's description, a
// single line of text in the user's language that names the file where one
// is involved; Kind() says what kind of failure it was.
class EngineError : public std::runtime_error {
 public:
  explicit EngineError(const std::string& text, ErrorKind kind = ErrorKind::Other)
      : std::runtime_error(text), FKind(kind) {}
  ErrorKind Kind() const { return FKind; }

 private:
  ErrorKind FKind;
};

}  // namespace tabulon::dao
