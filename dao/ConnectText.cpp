#include <dao/ConnectText.h>

#include <text/TextCompare.h>

namespace tabulon::dao {

namespace {

// Calls `part(start, end)` for each ";"-separated part of `connect`.
template <class F>
void ForEachPart(std::string_view connect, F&& part) {
  std::size_t start = 0;
  while (start <= connect.size()) {
    std::size_t end = connect.find(';', start);
    if (end == std::string_view::npos) end = connect.size();
    part(start, end);
    start = end + 1;
  }
}

bool KeyIs(std::string_view part, std::string_view key) {
  const std::size_t equals = part.find('=');
  if (equals == std::string_view::npos) return false;
  std::string_view name = part.substr(0, equals);
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return EqualsNoCase(name, key);
}

}  // namespace

std::string ConnectValue(std::string_view connect, std::string_view key) {
  std::string value;
  bool found = false;
  ForEachPart(connect, [&](std::size_t start, std::size_t end) {
    const std::string_view part = connect.substr(start, end - start);
    if (found || !KeyIs(part, key)) return;
    value = std::string(part.substr(part.find('=') + 1));
    found = true;
  });
  return value;
}

std::string MaskConnectPassword(std::string_view connect) {
  std::string masked;
  ForEachPart(connect, [&](std::size_t start, std::size_t end) {
    const std::string_view part = connect.substr(start, end - start);
    if (start > 0) masked += ';';
    if (KeyIs(part, "PWD")) {
      masked += std::string(part.substr(0, part.find('=') + 1)) + "****";
    } else {
      masked += part;
    }
  });
  return masked;
}

}  // namespace tabulon::dao
