#include <targets/OpenTarget.h>

#include <vector>

namespace tabulon {

std::string KeptTargetLine(const Target& target) {
  return JoinTargetLine({target.Password, target.Path});
}

void OpenTarget(TDao360& dao, std::string_view keptLine, std::string& errorText) {
  std::string password;
  std::string path;
  const std::vector<std::string> fields = SplitTargetLine(keptLine);
  if (fields.size() >= 2) {
    password = fields[0];
    path = fields[1];
  }
  dao.Open(password, path, errorText);
}

}  // namespace tabulon
