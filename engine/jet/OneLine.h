#pragma once

#include <string>
#include <string_view>

namespace tabulon::jet {

// `text` with line breaks replaced by blanks and malformed UTF-8 replaced,
// so that an engine message is always one line (names inside messages come
// from the file or the caller and may hold anything).
std::string OneLine(std::string_view text);

}  // namespace tabulon::jet
