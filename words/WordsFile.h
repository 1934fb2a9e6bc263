#pragma once
// The wording file words.conf: sections of key=value lines that give the
// report's words for field types and attributes. The user may edit it; the
// program only reads it, once, at start.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <text/TextCompare.h>

namespace tabulon {

inline constexpr std::string_view WordsFileName = "words.conf";

class WordsFile {
 public:
  // Parses the decoded text of a wording file. Each line is trimmed of
  // blanks and control characters (a full-width space stays); empty lines
  // and lines starting with ";" are ignored; "[name]" opens a section;
  // "key = value" in a section defines a key (both trimmed); lines before
  // the first section and lines without "=" define nothing. Section and key
  // names ignore case; where a key is given twice, the first one counts.
  void Parse(std::string_view text);

  // Reads and parses the file at `path` (Shift-JIS, or UTF-8 with a
  // byte-order mark). A missing file leaves the wording empty and is no
  // error. A file that exists but cannot be read also leaves it empty, and
  // its message is returned so the caller can report it.
  std::optional<std::string> Load(const std::filesystem::path& path);

  // The value of `key` in `section`, or nullopt when either is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;

 private:
  using Section = std::map<std::string, std::string, NoCaseLess>;
  std::map<std::string, Section, NoCaseLess> FSections;
};

}  // namespace tabulon
