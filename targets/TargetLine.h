#pragma once
// A target line names one database to read: status, password and path, each
// in double quotes with inner quotes doubled, joined by FieldDelimiter:
//   "??"|"PASSWORD_HERE"|"/home/user/Sample.mdb"
// The connection check, the report run and the command-line tool all read
// lines with TargetOfLine, so a line means the same thing everywhere.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

inline constexpr char FieldDelimiter = '|';
inline constexpr std::string_view UncheckedStatus = "??";
inline constexpr std::string_view PasswordPlaceholder = "PASSWORD_HERE";

// `s` in double quotes with every inner double quote doubled; "" for "".
std::string QuoteField(std::string_view s);

// Splits a line into fields. Blanks and control characters (codes 1 to 32)
// before a field and around a delimiter are skipped. A field that starts
// with a double quote runs to the next lone double quote ("" stands for one
// quote) or, unclosed, to the end of the line; any other field ends at the
// next delimiter or blank. A delimiter that is the last character of the
// line adds one empty field. A blank line gives no fields.
std::vector<std::string> SplitTargetLine(std::string_view line);

// Each field through QuoteField, joined by FieldDelimiter.
std::string JoinTargetLine(const std::vector<std::string>& fields);

// What a target line names.
struct Target {
  std::string Status;
  std::string Password;
  std::string Path;
  // Fields after the third: nobody reads them, but a rewritten line keeps
  // them.
  std::vector<std::string> Rest;
};

// The target a line names: a line with at least three fields, or a line
// that holds only a path (in double quotes or not) — of an existing file,
// or one that reads as a path (absolute, "./", "../", "~/", a Windows
// drive or share, or one word ending in .mdb, .accdb, ...) even where
// nothing is there — which is taken as that file dropped: unchecked, with
// the placeholder for its password. nullopt for any other line, which is
// a note and is passed over.
std::optional<Target> TargetOfLine(std::string_view line);

// The line of `target`, every field quoted, Rest included.
std::string TargetLineOf(const Target& target);

// The line a dropped file gets: unchecked status, placeholder password.
std::string NewTargetLine(std::string_view path);

}  // namespace tabulon
