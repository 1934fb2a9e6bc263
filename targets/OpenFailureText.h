#pragma once
// How the tools name a database that did not open: one line on standard
// error, "<program>: <path>: <kind>: <engine's text>", the kind in words a
// script can match.

#include <string>
#include <string_view>

#include <dao/EngineError.h>
#include <targets/OpenTarget.h>

namespace tabulon {

// "file not found", "cannot read", "not a database", "wrong password",
// "damaged", "unsupported"; "cannot open" for any other failure.
std::string_view KindWords(dao::ErrorKind kind);

// The whole line for `failure`, without its line break.
std::string OpenFailureLine(std::string_view program, const OpenFailure& failure);

}  // namespace tabulon
