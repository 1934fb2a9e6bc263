#include <platform/VersionInfo.h>

#include <system_error>

#include <platform/BuildInfo.h>
#include <text/TextCompare.h>
#include <text/Utf8.h>

namespace tabulon {

namespace {

struct KeyValue {
  std::string_view Key;
  std::string_view Value;
};

constexpr std::array<KeyValue, 12> BuiltInValues{{
    {"Comments", "Access database structure to HTML"},
    {"CompanyName", "tabulon project"},
    {"FileDescription", "mdb形式のデータベースのテーブル構造をhtml出力"},
    {"FileVersion", TABULON_FILE_VERSION},
    {"InternalName", "tabulon"},
    {"LegalCopyright", "Copyright (C) 2026 tabulon project"},
    {"LegalTrademarks", ""},
    {"OriginalFilename", "tabulon"},
    {"PrivateBuild", ""},
    {"ProductName", "tabulon"},
    {"ProductVersion", TABULON_FILE_VERSION},
    {"SpecialBuild", ""},
}};

}  // namespace

std::string_view ProgramVersion() { return TABULON_FILE_VERSION; }
std::string_view MakerHomePage() { return TABULON_HOMEPAGE; }
std::string_view MakerMailAddress() { return TABULON_CONTACT; }

void ReadVersionString(std::string_view key, const std::filesystem::path& fileName,
                       std::string& value) {
  std::error_code error;
  if (!std::filesystem::equivalent(fileName, ExecutablePath(), error) || error) return;
  for (const KeyValue& entry : BuiltInValues) {
    if (entry.Key == key) {
      value = entry.Value;
      return;
    }
  }
}

std::filesystem::path ExecutablePath(const std::filesystem::path& fallback) {
  std::error_code error;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) return self;
  return std::filesystem::absolute(fallback, error);
}

std::string ApplicationTitle(const std::filesystem::path& executable) {
  std::string name = executable.filename().string();
  name = name.substr(0, name.find('.'));
  if (name.empty()) return name;
  std::size_t firstEnd = 0;
  DecodeUtf8(name, firstEnd);
  return name.substr(0, firstEnd) + ToLowerText(std::string_view(name).substr(firstEnd));
}

std::string VersionCaption(std::string_view applicationTitle, std::string_view fileVersion,
                           std::string_view componentName) {
  std::string caption(applicationTitle);
  caption += " Ver.";
  caption += fileVersion;
  caption += " - ";
  caption += componentName;
  return caption;
}

}  // namespace tabulon
