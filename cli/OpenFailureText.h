#pragma once
// How tabulon-cli names a database that did not open: one line on standard
// error, "<program>: <path>: <kind>: <engine's text>", the kind in words a
// script can match.

#include <string>
#include <string_view>

#include <dao/EngineError.h>

namespace tabulon {

// "file not found", "cannot read", "not a database", "wrong password",
// "damaged", "unsupported"; "cannot open" for any other failure.
std::string_view KindWords(dao::ErrorKind kind);

// The whole line, without its line break.
std::string OpenFailureLine(std::string_view program, std::string_view path, dao::ErrorKind kind,
                            std::string_view text);

}  // namespace tabulon
