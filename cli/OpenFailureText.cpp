#include <cli/OpenFailureText.h>

namespace tabulon {

std::string_view KindWords(dao::ErrorKind kind) {
  switch (kind) {
    case dao::ErrorKind::FileNotFound:
      return "file not found";
    case dao::ErrorKind::CannotRead:
      return "cannot read";
    case dao::ErrorKind::NotADatabase:
      return "not a database";
    case dao::ErrorKind::WrongPassword:
      return "wrong password";
    case dao::ErrorKind::Damaged:
      return "damaged";
    case dao::ErrorKind::Unsupported:
      return "unsupported";
    case dao::ErrorKind::Other:
      break;
  }
  return "cannot open";
}

std::string OpenFailureLine(std::string_view program, std::string_view path, dao::ErrorKind kind,
                            std::string_view text) {
  std::string line(program);
  line += ": ";
  line += path;
  line += ": ";
  line += KindWords(kind);
  line += ": ";
  line += text;
  return line;
}

}  // namespace tabulon
