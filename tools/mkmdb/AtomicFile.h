#pragma once

#include <filesystem>

#include <jetwriter/Bytes.h>

namespace tabulon::mkmdb {

// Writes `bytes` to `path` through a temporary file in the same folder that
// is renamed over `path` when complete, so that `path` is either untouched
// or whole. Throws std::runtime_error naming the path and the system's
// reason; the temporary file is removed then.
void WriteFileAtomically(const std::filesystem::path& path, const jetwriter::ByteVector& bytes);

}  // namespace tabulon::mkmdb
