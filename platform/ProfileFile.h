#pragma once
// The settings file: an INI file of "[section]" lines, each followed by
// "key=value" lines, as Windows' private-profile functions keep it. Section
// and key names ignore letter case. The file is Shift-JIS (or UTF-8 with a
// byte-order mark when its text does not fit), lines end in CR LF.
//
// A profile is read whole when it is created and written whole by Save, so
// a write either replaces the file completely or leaves it as it was.
// Updating a value keeps its line where it is; a new key goes to the end of
// its section, a new section to the end of the file.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon {

// The longest value a read returns, in characters; longer values are cut.
inline constexpr std::size_t ProfileValueLimit = 2047;

class ProfileFile {
 public:
  // Reads `path`. A missing file is an empty profile. Throws
  // std::runtime_error (naming the file and the reason) when the file
  // exists but cannot be read.
  explicit ProfileFile(std::filesystem::path path);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  const std::filesystem::path& Path() const { return FPath; }

  // The value of `key` in `section`, without surrounding blanks and cut to
  // ProfileValueLimit characters; nullopt when either is missing.
  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // The value as an integer by ParseProfileInteger; `fallback` when missing
  // or not a number.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // An integer read with the fallback 1 or 0; any non-zero number is true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  // "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Writes the profile to its file through a temporary file and a rename.
  // Throws std::runtime_error "<path> に書き込めません" when the system
  // refuses; the file on disk is then unchanged.
  void Save() const;

 private:
  class Store;
  std::filesystem::path FPath;
  std::unique_ptr<Store> FStore;
};

// A profile integer: decimal with an optional sign, or hexadecimal after
// "0x" or "0X" when the text is longer than two characters (up to eight
// digits, taken as a 32-bit pattern). Anything else, or a decimal outside
// the 32-bit range, gives `fallback`.
int ParseProfileInteger(std::string_view text, int fallback);

}  // namespace tabulon
