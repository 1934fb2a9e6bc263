#pragma once
// An SQLite file through libsqlite3: written under a temporary name beside
// the target, in one transaction of prepared statements, and renamed onto
// the target only by Commit, so that no half-written file ever carries the
// target's name.

#include <filesystem>
#include <memory>

#include <servers/Destination.h>

namespace tabulon::servers {

// Throws ServerError when `path` exists and `replace` is false, or when the
// temporary file cannot be made.
std::unique_ptr<Destination> OpenSqlite(const std::filesystem::path& path, bool replace);

}  // namespace tabulon::servers
