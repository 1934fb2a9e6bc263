#pragma once
// Writes a whole file so that a failure never destroys the previous one:
// the bytes go to a new file in the same folder, which replaces the old
// file by a rename only once it is complete and flushed to disk.

#include <filesystem>
#include <string_view>

#include <sys/types.h>

namespace tabulon {

// Writes `bytes` to `path`, replacing any file there. A new file gets the
// permission bits `mode` less the process's umask; the replaced file's
// permissions are not carried over. Throws std::system_error with the
// system's reason when any step fails; the file at `path` is then as it
// was, and no temporary file is left behind.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

}  // namespace tabulon
