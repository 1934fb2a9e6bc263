#pragma once
// The SQL servers a schema is written for, and how each one wants names
// and texts written: every name in double quotes (so that any character,
// letter case and reserved word survive), texts in single quotes, comments
// on one line.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon::migrate {

enum class Dialect { PostgreSql, Sqlite };

// "postgresql" or "sqlite" as the command line names them; nullopt for any
// other word.
std::optional<Dialect> DialectNamed(std::string_view name);
// The server's name as people write it ("PostgreSQL", "SQLite").
std::string_view DialectTitle(Dialect dialect);

// The longest name, in UTF-8 bytes, the server keeps whole: 63 for
// PostgreSQL (it cuts longer ones), 0 for no limit.
std::size_t NameByteLimit(Dialect dialect);

// `name` as a quoted identifier: inner double quotes doubled; NUL (which
// no server takes) and malformed UTF-8 become U+FFFD.
std::string QuoteName(std::string_view name);

// `text` as a string literal: inner single quotes doubled, NUL and
// malformed UTF-8 as in QuoteName. Backslashes stay as they are (both
// servers read them literally in standard strings).
std::string QuoteText(std::string_view text);

// `text` made safe for the rest of a "--" comment line: one line, valid
// UTF-8.
std::string CommentText(std::string_view text);

}  // namespace tabulon::migrate
