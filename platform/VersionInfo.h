#pragma once
// The program's name and version. Linux executables carry no version
// resource, so the twelve standard version strings are compiled in from the
// build, and read back for the running executable.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace tabulon {

inline constexpr std::array<std::string_view, 12> VersionKeys{
    "Comments",     "CompanyName",    "FileDescription", "FileVersion",
    "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFilename",
    "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild"};

// The program's version as the build sets it ("0.6.12.20").
std::string_view ProgramVersion();

// What the program calls its own database file reader (the engine's
// "Name" property).
inline constexpr std::string_view ReaderName = "tabulon Jet/ACE reader";

// The maker's home page and contact mail address, set at build time.
std::string_view MakerHomePage();
std::string_view MakerMailAddress();

// Sets `value` to the version string `key` of `fileName` when `fileName` is
// the running executable and the key is one of VersionKeys; otherwise leaves
// it unchanged.
void ReadVersionString(std::string_view key, const std::filesystem::path& fileName,
                       std::string& value);

// The running executable's full path (from /proc/self/exe, falling back to
// `fallback`, normally argv[0]).
std::filesystem::path ExecutablePath(const std::filesystem::path& fallback = {});

// The application title: the executable's file name without its folder and
// without everything from its first "." on, every character after the
// first in lower case ("TABULON.bin" -> "Tabulon").
std::string ApplicationTitle(const std::filesystem::path& executable);

// A window's title: "<title> Ver.<version> - <component name>".
std::string VersionCaption(std::string_view applicationTitle, std::string_view fileVersion,
                           std::string_view componentName);

}  // namespace tabulon
