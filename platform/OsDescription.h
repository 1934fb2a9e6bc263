#pragma once
// Describes the operating system in words, for the report's generated-by
// line and the About window. On Linux: the distribution's pretty name and
// the kernel release. The Windows wording is kept as a pure function of the
// version data, so reports compared across systems read the same way.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabulon {

// What GetVersionEx reports.
struct WindowsVersion {
  std::uint32_t MajorVersion = 0;
  std::uint32_t MinorVersion = 0;
  std::uint32_t BuildNumber = 0;
  std::uint32_t PlatformId = 0;
  std::string CsdVersion;
  std::uint16_t SuiteMask = 0;   // extended form only
  std::uint8_t ProductType = 0;  // extended form only
};

// The system queries the Windows description needs. Any of them may throw;
// the description then falls back as the engine's documentation says.
class WindowsSystem {
 public:
  virtual ~WindowsSystem() = default;
  // nullopt when the call fails.
  virtual std::optional<WindowsVersion> GetVersionEx(bool extended) = 0;
  // The "ProductType" value under ...\Control\ProductOptions; nullopt when
  // the key cannot be opened or the value cannot be read (or is over 255
  // bytes).
  virtual std::optional<std::string> ReadProductType() = 0;
  // Whether the hot-fix key Q246009 (Service Pack 6a) can be opened.
  virtual bool HasHotfixQ246009() = 0;
};

// The Windows description: the detailed form, else the short form, else
// "Microsoft Windows".
std::string DescribeWindows(WindowsSystem& system);

// The Linux description from the text of os-release and the kernel's name
// and release: "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64)".
// Without a pretty name, "<kernel name> <release>"; without kernel data, the
// pretty name alone; without either, "Linux".
std::string DescribeLinux(std::optional<std::string_view> osRelease, std::string_view kernelName,
                          std::string_view kernelRelease);

// The description of the running system (reads /etc/os-release, falling
// back to /usr/lib/os-release, and uname).
std::string GetOSDescription();

}  // namespace tabulon
