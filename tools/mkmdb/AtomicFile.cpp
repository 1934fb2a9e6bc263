#include <mkmdb/AtomicFile.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

namespace tabulon::mkmdb {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : FFd(fd) {}
  ~FileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return FFd; }
  // Closes now, reporting the result.
  bool Close() {
    const int fd = FFd;
    FFd = -1;
    return ::close(fd) == 0;
  }

 private:
  int FFd;
};

// Removes the temporary file unless it was renamed.
class TemporaryName {
 public:
  explicit TemporaryName(std::string path) : FPath(std::move(path)) {}
  ~TemporaryName() {
    if (!FPath.empty()) ::unlink(FPath.c_str());
  }
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;
  const std::string& Path() const { return FPath; }
  void Release() { FPath.clear(); }

 private:
  std::string FPath;
};

[[noreturn]] void Fail(const std::filesystem::path& path, const char* what) {
  throw std::runtime_error(fmt::format("cannot write {}: {} ({})", path.string(), what, std::strerror(errno)));
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, const jetwriter::ByteVector& bytes) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  std::string pattern = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) Fail(path, "cannot create a temporary file beside it");
  FileDescriptor file(fd);
  TemporaryName temporary(pattern);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(file.Get(), bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail(path, "writing failed");
    written += static_cast<std::size_t>(n);
  }
  // mkstemp makes the file private; give it the mode any new file gets.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(file.Get(), 0666 & ~mask) != 0) Fail(path, "cannot set permissions");
  if (::fsync(file.Get()) != 0) Fail(path, "cannot flush");
  if (!file.Close()) Fail(path, "closing failed");
  if (::rename(temporary.Path().c_str(), path.c_str()) != 0) Fail(path, "cannot rename the temporary file");
  temporary.Release();
}

}  // namespace tabulon::mkmdb
