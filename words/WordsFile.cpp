#include <words/WordsFile.h>

#include <exception>
#include <system_error>

#include <text/TextFile.h>

namespace tabulon {

namespace {

std::string_view Trim(std::string_view s) {
  const auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && isTrimmed(s.front())) s.remove_prefix(1);
  while (!s.empty() && isTrimmed(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

void WordsFile::Parse(std::string_view text) {
  Section* current = nullptr;
  for (const std::string& raw : SplitListLines(text)) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &FSections[std::string(Trim(line.substr(1, line.size() - 2)))];
      continue;
    }
    if (current == nullptr) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    current->try_emplace(std::string(Trim(line.substr(0, equals))),
                         std::string(Trim(line.substr(equals + 1))));
  }
}

std::optional<std::string> WordsFile::Load(const std::filesystem::path& path) {
  FSections.clear();
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return std::nullopt;
  try {
    Parse(ReadTextFile(path));
  } catch (const std::exception& e) {
    FSections.clear();
    return std::string(e.what());
  }
  return std::nullopt;
}

std::optional<std::string> WordsFile::Find(std::string_view section, std::string_view key) const {
  const auto s = FSections.find(section);
  if (s == FSections.end()) return std::nullopt;
  const auto k = s->second.find(key);
  if (k == s->second.end()) return std::nullopt;
  return k->second;
}

}  // namespace tabulon
