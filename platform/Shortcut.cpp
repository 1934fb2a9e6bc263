#include <platform/Shortcut.h>

#include <stdexcept>
#include <system_error>

#include <text/AtomicFile.h>
#include <text/SystemReason.h>

namespace tabulon {

namespace {

// The escapes of a string value: backslash and the control characters a
// line cannot hold.
std::string EscapeValue(std::string_view value) {
  std::string out;
  for (const char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One argument of Exec, always quoted: inside the quotes '"', '`', '$' and
// '\' take a backslash, and '%' is doubled so it is no field code.
std::string QuoteExecArgument(std::string_view argument) {
  std::string out = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
    if (c == '%') out += '%';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace

std::string DesktopEntryText(const std::filesystem::path& target, std::string_view name) {
  // %F: files dropped on the icon are handed to the program, after the
  // argument it ignores.
  const std::string exec =
      QuoteExecArgument(target.string()) + " " + std::string(ShortcutArgument) + " %F";
  std::string text = "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Version=1.0\n";
  text += "Name=" + EscapeValue(name) + "\n";
  text += "Exec=" + EscapeValue(exec) + "\n";
  text += "Path=" + EscapeValue(target.parent_path().string()) + "\n";
  // The icon beside the program, found whether or not it was installed;
  // else the name an installed icon theme knows.
  const std::filesystem::path icon = target.parent_path() / "tabulon.svg";
  std::error_code error;
  const bool beside = std::filesystem::is_regular_file(icon, error);
  text += "Icon=" + (beside ? EscapeValue(icon.string()) : std::string("tabulon")) + "\n";
  text += "Terminal=false\n";
  return text;
}

void CreateShortcut(const std::filesystem::path& target, std::string_view folder,
                    std::string_view linkName) {
  std::string base(folder);
  if (base.ends_with('/')) base.pop_back();
  const std::filesystem::path link = base + "/" + std::string(linkName) + ".desktop";
  try {
    WriteFileAtomically(link, DesktopEntryText(target, linkName), 0777);
  } catch (const std::system_error& e) {
    throw std::runtime_error(link.string() + ": " + SystemReason(e.code()));
  }
}

}  // namespace tabulon
