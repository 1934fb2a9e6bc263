#pragma once
// Writes a file so that a failure never destroys the previous one: the
// bytes go to a new file in the same folder, which replaces the old file by
// a rename only once it is complete and flushed to disk.

#include <filesystem>
#include <string_view>

#include <sys/types.h>

namespace tabulon {

// A file written piece by piece and put in place at Commit. Every member
// throws std::system_error with the system's reason when a step fails; the
// file at the path is then as it was. Destroyed without Commit (or after a
// failure), the temporary file is removed.
class AtomicFile {
 public:
  // Creates the temporary file beside `path`. A new file gets the
  // permission bits `mode` less the process's umask; a replaced file's
  // permissions are not carried over.
  AtomicFile(std::filesystem::path path, mode_t mode);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(std::string_view bytes);
  // Flushes to disk and renames the file over `path`; once only.
  void Commit();

 private:
  std::filesystem::path FPath;
  std::filesystem::path FTemporary;
  int FFd = -1;
};

// Writes `bytes` to `path` in one go through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

}  // namespace tabulon
