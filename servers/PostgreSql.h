#pragma once
// A PostgreSQL server through libpq: one transaction, rows by COPY, the
// tables in a schema of the user's choice.

#include <memory>
#include <string>
#include <string_view>

#include <servers/Destination.h>

namespace tabulon::servers {

// Connects with `connection` (a libpq URI or key=value text; the password
// as libpq finds it: the text, PGPASSWORD, ~/.pgpass), begins the
// transaction and works in `schema` (made when missing). Throws
// ServerError with libpq's message.
std::unique_ptr<Destination> OpenPostgreSql(const std::string& connection,
                                            const std::string& schema);

// `connection` with any password in it replaced by "****", for messages.
std::string MaskedConnection(std::string_view connection);

}  // namespace tabulon::servers
