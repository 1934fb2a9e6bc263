#pragma once
// Helpers shared by the tests: a temporary folder that removes itself, and
// whole-file reads and writes of raw bytes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace tabulon::test {

class TempDir {
 public:
  TempDir() {
    std::random_device seed;
    FPath = std::filesystem::temp_directory_path() /
            ("tabulon-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(FPath);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path operator/(std::string_view name) const { return FPath / name; }

 private:
  std::filesystem::path FPath;
};

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The shared folder of real database files, or "" when it is absent.
inline std::filesystem::path TestDataDir() {
  const std::filesystem::path dir = TABULON_TESTDATA;
  std::error_code error;
  return std::filesystem::is_directory(dir, error) ? dir : std::filesystem::path();
}

}  // namespace tabulon::test
