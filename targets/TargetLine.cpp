#include <targets/TargetLine.h>

#include <cctype>

#include <text/TextCompare.h>

#include <filesystem>
#include <iterator>
#include <system_error>

namespace tabulon {

namespace {

constexpr char Quote = '"';

bool IsBlank(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

// Reads a quoted field starting at the opening quote at `pos`; leaves `pos`
// after the closing quote, or at the end when there is none.
std::string ReadQuoted(std::string_view line, std::size_t& pos) {
  std::string field;
  ++pos;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c != Quote) {
      field += c;
    } else if (pos < line.size() && line[pos] == Quote) {
      field += Quote;
      ++pos;
    } else {
      return field;
    }
  }
  return field;
}

}  // namespace

std::string QuoteField(std::string_view s) {
  std::string quoted;
  quoted.reserve(s.size() + 2);
  quoted += Quote;
  for (const char c : s) {
    if (c == Quote) quoted += Quote;
    quoted += c;
  }
  quoted += Quote;
  return quoted;
}

std::vector<std::string> SplitTargetLine(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  const auto skipBlanks = [&] {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
  };
  skipBlanks();
  while (pos < line.size()) {
    if (line[pos] == Quote) {
      fields.push_back(ReadQuoted(line, pos));
    } else {
      const std::size_t start = pos;
      while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != FieldDelimiter) ++pos;
      fields.emplace_back(line.substr(start, pos - start));
    }
    skipBlanks();
    if (pos < line.size() && line[pos] == FieldDelimiter) {
      if (pos + 1 == line.size()) fields.emplace_back();
      ++pos;
      skipBlanks();
    }
  }
  return fields;
}

std::string JoinTargetLine(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += FieldDelimiter;
    line += QuoteField(fields[i]);
  }
  return line;
}

namespace {

// A line that reads as a path even where it names nothing: absolute, from
// here, from home, a Windows drive or share, or one word ending in an
// Access file's extension. Such a line is a target (that fails to open),
// not a note, so that a missing file is never passed over in silence.
bool LooksLikePath(std::string_view text) {
  if (text.starts_with("/") || text.starts_with("./") || text.starts_with("../") ||
      text.starts_with("~/") || text.starts_with("\\\\")) {
    return true;
  }
  if (text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
      (text[2] == '\\' || text[2] == '/')) {
    return true;
  }
  if (text.find_first_of(" \t") != std::string_view::npos) return false;
  for (const std::string_view end : {".mdb", ".accdb", ".mde", ".accde", ".mda", ".accda"}) {
    if (text.size() > end.size() && EndsWithNoCase(text, end)) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<Target> TargetOfLine(std::string_view line) {
  std::vector<std::string> fields = SplitTargetLine(line);
  // A path typed or pasted alone means that file, as a drop would, even
  // where its blanks would split it into fields.
  std::string_view bare = line;
  while (!bare.empty() && IsBlank(bare.front())) bare.remove_prefix(1);
  while (!bare.empty() && IsBlank(bare.back())) bare.remove_suffix(1);
  if (!bare.empty()) {
    const bool quoted = bare.front() == Quote;
    if (!quoted || (fields.size() == 1 && bare.size() >= 2 && bare.back() == Quote)) {
      const std::string path = quoted ? fields[0] : std::string(bare);
      std::error_code error;
      if (std::filesystem::is_regular_file(path, error) ||
          (fields.size() < 3 && LooksLikePath(path))) {
        return Target{std::string(UncheckedStatus), std::string(PasswordPlaceholder), path, {}};
      }
    }
  }
  if (fields.size() < 3) return std::nullopt;
  Target target{std::move(fields[0]), std::move(fields[1]), std::move(fields[2]), {}};
  target.Rest.assign(std::make_move_iterator(fields.begin() + 3),
                     std::make_move_iterator(fields.end()));
  return target;
}

std::string TargetLineOf(const Target& target) {
  std::vector<std::string> fields{target.Status, target.Password, target.Path};
  fields.insert(fields.end(), target.Rest.begin(), target.Rest.end());
  return JoinTargetLine(fields);
}

std::string NewTargetLine(std::string_view path) {
  return JoinTargetLine(
      {std::string(UncheckedStatus), std::string(PasswordPlaceholder), std::string(path)});
}

}  // namespace tabulon
