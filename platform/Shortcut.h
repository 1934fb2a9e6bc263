#pragma once
// Shortcuts to the program as freedesktop launchers ("<name>.desktop"),
// which desktops show as icons that start the program.

#include <filesystem>
#include <string>
#include <string_view>

namespace tabulon {

// The argument every shortcut passes to the program. The program reads no
// arguments, so it has no effect.
inline constexpr std::string_view ShortcutArgument = "/starup";

// The launcher text (UTF-8) that starts `target` with ShortcutArgument and
// the files dropped on it (%F) in target's folder, shown as `name` with the program's icon: the
// file "tabulon.svg" beside `target` when there is one, else the theme's "tabulon".
std::string DesktopEntryText(const std::filesystem::path& target, std::string_view name);

// Writes the launcher for `target` to "<folder>/<linkName>.desktop" (one
// trailing "/" of `folder` removed), replacing an existing file, and makes
// it executable, as desktops require before they start it. Throws
// std::runtime_error with the file's path and the system's text for the
// failure when it cannot be written.
void CreateShortcut(const std::filesystem::path& target, std::string_view folder,
                    std::string_view linkName);

}  // namespace tabulon
