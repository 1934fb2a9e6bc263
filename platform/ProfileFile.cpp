#include <platform/ProfileFile.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <system_error>

#include <fmt/printf.h>

// SimpleIni as Debian ships it: the char-only variant, implemented in this
// one translation unit.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <text/AtomicFile.h>
#include <text/TextFile.h>
#include <text/Utf8.h>

namespace tabulon {

class ProfileFile::Store {
 public:
  // Names ignore ASCII case; values are kept as UTF-8 bytes.
  CSimpleIniA Ini{false, false, false};
};

namespace {

std::string CutToLimit(std::string_view value) {
  std::size_t pos = 0;
  for (std::size_t count = 0; count < ProfileValueLimit && pos < value.size(); ++count) {
    DecodeUtf8(value, pos);
  }
  return std::string(value.substr(0, pos));
}

// SimpleIni's text with CR LF line ends, and one blank line (where it
// writes two) between sections.
std::string FileLayout(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  int breaks = 0;
  for (const char c : text) {
    breaks = c == '\n' ? breaks + 1 : 0;
    if (breaks > 2) continue;
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

ProfileFile::ProfileFile(std::filesystem::path path)
    : FPath(std::move(path)), FStore(std::make_unique<Store>()) {
  FStore->Ini.SetSpaces(false);
  std::error_code error;
  if (std::filesystem::status(FPath, error).type() == std::filesystem::file_type::not_found) {
    return;
  }
  const std::string text = ReadTextFile(FPath);
  if (FStore->Ini.LoadData(text) < 0) {
    throw std::runtime_error("ファイル '" + FPath.string() + "' を読み込めません");
  }
}

ProfileFile::~ProfileFile() = default;

std::optional<std::string> ProfileFile::ReadString(std::string_view section,
                                                   std::string_view key) const {
  const char* value =
      FStore->Ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  if (value == nullptr) return std::nullopt;
  return CutToLimit(value);
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  const std::optional<std::string> text = ReadString(section, key);
  return text ? ParseProfileInteger(*text, fallback) : fallback;
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (FStore->Ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                           std::string(value).c_str()) < 0) {
    throw std::bad_alloc();
  }
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void ProfileFile::Save() const {
  std::string text;
  if (FStore->Ini.Save(text) < 0) throw std::bad_alloc();
  try {
    WriteFileAtomically(FPath, EncodeTextFile(FileLayout(text)), 0666);
  } catch (const std::system_error&) {
    throw std::runtime_error(fmt::sprintf("%s に書き込めません", FPath.string()));
  }
}

int ParseProfileInteger(std::string_view text, int fallback) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    if (digits.size() > 8) return fallback;
    std::uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) return fallback;
    return static_cast<int>(value);
  }
  const bool negative = text.starts_with('-');
  const std::string_view digits = text.substr(negative || text.starts_with('+') ? 1 : 0);
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return fallback;
  std::uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (error != std::errc() || end != digits.data() + digits.size()) return fallback;
  const std::int64_t value =
      negative ? -static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, 1ULL << 32))
               : static_cast<std::int64_t>(std::min<std::uint64_t>(magnitude, 1ULL << 32));
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    return fallback;
  }
  return static_cast<int>(value);
}

}  // namespace tabulon
