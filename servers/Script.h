#pragma once
// The migration as one self-contained SQL script for hand-over, written
// where no server is at hand: for psql, one transaction with the rows as
// COPY blocks; for sqlite3, one transaction of INSERTs. The rows cannot be
// read back from a script, so nothing is verified; checks come with the
// script, and a row that breaks one makes the whole script fail, never
// load in part.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <migrate/Dialect.h>
#include <servers/Destination.h>

namespace tabulon::servers {

// Where the script's text goes, piece by piece; what it throws ends the
// script as a failure.
using ScriptSink = std::function<void(std::string_view)>;

// The script begins with `heading` (comment lines).
std::unique_ptr<Destination> OpenScript(ScriptSink write, migrate::Dialect dialect,
                                        const std::string& heading);

}  // namespace tabulon::servers
