#include <text/AtomicFile.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace tabulon {

namespace {

[[noreturn]] void Fail(int error, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(), path.string());
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path path, mode_t mode) : FPath(std::move(path)) {
  const std::filesystem::path folder = FPath.has_parent_path() ? FPath.parent_path() : ".";
  std::random_device seed;
  std::mt19937 random(seed());
  // A hidden sibling with a random suffix; O_EXCL refuses a name in use, so
  // a few tries are enough to find a free one.
  for (int attempt = 0; attempt < 16 && FFd < 0; ++attempt) {
    FTemporary =
        folder / ("." + FPath.filename().string() + "." + std::to_string(random() % 1000000000));
    FFd = ::open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (FFd < 0 && errno != EEXIST) Fail(errno, FPath);
  }
  if (FFd < 0) Fail(EEXIST, FPath);
}

AtomicFile::~AtomicFile() {
  if (FFd >= 0) ::close(FFd);
  if (!FTemporary.empty()) ::unlink(FTemporary.c_str());
}

void AtomicFile::Write(std::string_view bytes) {
  if (FFd < 0) Fail(EBADF, FPath);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(FFd, bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno, FPath);
    }
    if (n == 0) Fail(EIO, FPath);
    written += static_cast<std::size_t>(n);
  }
}

void AtomicFile::Commit() {
  if (FFd < 0) Fail(EBADF, FPath);
  if (::fsync(FFd) != 0) Fail(errno, FPath);
  // Closed here, so that a failure of close (delayed write errors) is seen.
  const int fd = FFd;
  FFd = -1;
  if (::close(fd) != 0) Fail(errno, FPath);
  if (::rename(FTemporary.c_str(), FPath.c_str()) != 0) Fail(errno, FPath);
  FTemporary.clear();
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode) {
  AtomicFile file(path, mode);
  file.Write(bytes);
  file.Commit();
}

}  // namespace tabulon
