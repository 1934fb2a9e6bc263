#include <targets/OpenFailureText.h>

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

std::string OpenFailureLine(std::string_view program, const OpenFailure& failure) {
  std::string line(program);
  line += ": ";
  line += failure.Path;
  line += ": ";
  line += KindWords(failure.Kind);
  line += ": ";
  line += failure.Text;
  return line;
}

}  // namespace tabulon
