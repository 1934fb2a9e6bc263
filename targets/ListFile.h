#pragma once
// The list file keeps the target list from one start of the program to the
// next: the list's text exactly as shown, lines separated by CR LF, with no
// header and no break added at the end, in Shift-JIS (or UTF-8 with a
// byte-order mark when the text does not fit). It holds passwords, so it is
// readable by its owner only.
//
// Inside the program a list text separates its lines by "\n".

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon {

// The file's bytes for a list text: every "\n" becomes CR LF.
std::string ListFileBytes(std::string_view text);

// A list text from the file's bytes: CR LF, CR and LF all become "\n".
std::string ListTextFromBytes(std::string_view bytes);

// The list text of the file at `path`; nullopt when there is no file.
// Throws std::runtime_error naming the file when it cannot be read.
std::optional<std::string> ReadListFile(const std::filesystem::path& path);

// Creates or replaces the file at `path` (permissions 0600) through a
// temporary file and a rename. Throws std::runtime_error naming the file
// and the system's reason; the previous file then stays as it was.
void WriteListFile(const std::filesystem::path& path, std::string_view text);

}  // namespace tabulon
