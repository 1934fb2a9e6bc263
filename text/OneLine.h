#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// `text` as one line of valid UTF-8: every control character (line breaks,
// tabs, ...) becomes a blank and malformed sequences are replaced. Failure
// texts quote names from files and users, which may hold anything, and must
// neither split a list line nor garble a message.
std::string OneLine(std::string_view text);

}  // namespace tabulon
