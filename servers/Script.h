#pragma once
// The migration as one self-contained SQL script for hand-over, written
// where no server is at hand: for psql, one transaction with the rows as
// COPY blocks; for sqlite3, one transaction of INSERTs. The rows cannot be
// read back from a script, so nothing is verified; checks come with the
// script, and a row that breaks one makes the whole script fail, never
// load in part.

#include <memory>
#include <ostream>

#include <migrate/Dialect.h>
#include <servers/Destination.h>

namespace tabulon::servers {

std::unique_ptr<Destination> OpenScript(std::ostream& out, migrate::Dialect dialect);

}  // namespace tabulon::servers
