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

// Owns a file descriptor.
class UniqueFd {
 public:
  explicit UniqueFd(int fd) : FFd(fd) {}
  ~UniqueFd() {
    if (FFd >= 0) ::close(FFd);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int Get() const { return FFd; }
  // Closes now, so that a failure of close (delayed write errors) is seen.
  int Close() {
    const int fd = FFd;
    FFd = -1;
    return ::close(fd);
  }

 private:
  int FFd;
};

[[noreturn]] void Fail(int error, const std::filesystem::path& path) {
  throw std::system_error(error, std::generic_category(), path.string());
}

// Removes the temporary file unless it was renamed into place.
class TemporaryName {
 public:
  explicit TemporaryName(std::filesystem::path path) : FPath(std::move(path)) {}
  ~TemporaryName() {
    if (!FPath.empty()) ::unlink(FPath.c_str());
  }
  TemporaryName(const TemporaryName&) = delete;
  TemporaryName& operator=(const TemporaryName&) = delete;
  const std::filesystem::path& Path() const { return FPath; }
  void Release() { FPath.clear(); }

 private:
  std::filesystem::path FPath;
};

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::random_device seed;
  std::mt19937 random(seed());

  // A hidden sibling with a random suffix; O_EXCL refuses a name in use, so
  // a few tries are enough to find a free one.
  int fd = -1;
  std::filesystem::path temporary;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary =
        folder / ("." + path.filename().string() + "." + std::to_string(random() % 1000000000));
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) Fail(errno, path);
  }
  if (fd < 0) Fail(EEXIST, path);
  UniqueFd file(fd);
  TemporaryName name(temporary);

  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(file.Get(), bytes.data() + written, bytes.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno, path);
    }
    if (n == 0) Fail(EIO, path);
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(file.Get()) != 0) Fail(errno, path);
  if (file.Close() != 0) Fail(errno, path);
  if (::rename(name.Path().c_str(), path.c_str()) != 0) Fail(errno, path);
  name.Release();
}

}  // namespace tabulon
