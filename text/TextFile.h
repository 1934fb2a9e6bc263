#pragma once
// The program's own text files (the list file, the settings file, words.conf)
// are Shift-JIS (code page 932), as they always were. So that no text is
// lost, a file whose text CP932 cannot hold is written as UTF-8 with a
// byte-order mark instead, and a byte-order mark on reading selects UTF-8.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

inline constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// File bytes to UTF-8: with a leading byte-order mark the rest is UTF-8
// (malformed sequences become U+FFFD), otherwise CP932 (invalid bytes become
// U+FFFD). Never fails.
std::string DecodeTextFile(std::string_view bytes);

// UTF-8 to file bytes: CP932 when every character fits, otherwise the
// byte-order mark followed by the UTF-8 text.
std::string EncodeTextFile(std::string_view utf8);

// The lines of a list text as a text box counts them: split at CR LF, CR or
// LF; an empty last line (after a final break) is not a line. An empty text
// has no lines.
std::vector<std::string> SplitListLines(std::string_view text);

// Reads a whole file. Throws std::runtime_error with a message naming the
// file and the system's reason.
std::string ReadFileBytes(const std::filesystem::path& path);

// Reads a whole file; nullopt when it cannot be read.
std::optional<std::string> TryReadFileBytes(const std::filesystem::path& path);

// Reads and decodes a text file (DecodeTextFile). Throws like ReadFileBytes.
std::string ReadTextFile(const std::filesystem::path& path);

}  // namespace tabulon
