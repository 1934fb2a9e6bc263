#pragma once
// Connect texts (";DATABASE=...", "ODBC;DSN=...;PWD=..."): the parts the
// report and the reader's messages need.

#include <string>
#include <string_view>

namespace tabulon::dao {

// The value of `key` ("DATABASE", "PWD"; letters in any case) in a connect
// text of "key=value" parts separated by ";", or "" when it has none.
std::string ConnectValue(std::string_view connect, std::string_view key);

// The text with the value of every PWD= part replaced by "****", so that a
// password stored with a link is not shown.
std::string MaskConnectPassword(std::string_view connect);

}  // namespace tabulon::dao
