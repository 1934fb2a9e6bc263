#include <platform/OsDescription.h>

#include <exception>
#include <sstream>

#include <sys/utsname.h>

#include <fmt/printf.h>

#include <text/TextFile.h>

#include <text/TextCompare.h>

namespace tabulon {

namespace {

char SecondCharacter(std::string_view s) { return s.size() >= 2 ? s[1] : '\0'; }

std::string Edition(const WindowsVersion& v) {
  const std::uint16_t suite = v.SuiteMask;
  if (v.ProductType == 1) {
    if (v.MajorVersion == 4) return "Workstation 4.0 ";
    if (suite & 0x0200) return "Home Edition ";
    return "Professional ";
  }
  if (v.ProductType == 3) {
    if (v.MajorVersion == 5 && v.MinorVersion == 2) {
      if (suite & 0x0080) return "Datacenter Edition ";
      if (suite & 0x0002) return "Enterprise Edition ";
      if (suite == 0x0400) return "Web Edition ";
      return "Standard Edition ";
    }
    if (v.MajorVersion == 5 && v.MinorVersion == 0) {
      if (suite & 0x0080) return "Datacenter Server ";
      if (suite & 0x0002) return "Advanced Server ";
      return "Server ";
    }
    if (suite & 0x0002) return "Server 4.0, Enterprise Edition ";
    return "Server 4.0 ";
  }
  return "";
}

std::string DetailedDescription(WindowsSystem& system) {
  std::string result = "Unknown";
  bool extended = true;
  std::optional<WindowsVersion> version = system.GetVersionEx(true);
  if (!version) {
    extended = false;
    version = system.GetVersionEx(false);
    if (!version) return result;
  }
  const WindowsVersion& v = *version;
  const std::uint32_t build = v.BuildNumber & 0xFFFF;
  switch (v.PlatformId) {
    case 0:
      return "Microsoft Win32s";
    case 1:
      if (v.MajorVersion == 4 && v.MinorVersion == 0) {
        result = "Microsoft Windows 95 ";
        const char c = SecondCharacter(v.CsdVersion);
        if (c == 'C' || c == 'B') result += "OSR2 ";
      } else if (v.MajorVersion == 4 && v.MinorVersion == 10) {
        result = "Microsoft Windows 98 ";
        if (SecondCharacter(v.CsdVersion) == 'A') result += "SE ";
      } else if (v.MajorVersion == 4 && v.MinorVersion == 90) {
        result = "Microsoft Windows Millennium Edition";
      }
      return result;
    case 2:
      break;
    default:
      return result;
  }

  if (v.MajorVersion == 5 && v.MinorVersion == 2) {
    result = "Microsoft Windows .NET Server 2003 family, ";
  } else if (v.MajorVersion == 5 && v.MinorVersion == 1) {
    result = "Microsoft Windows XP ";
  } else if (v.MajorVersion == 5 && v.MinorVersion == 0) {
    result = "Microsoft Windows 2000 ";
  } else if (v.MajorVersion <= 4) {
    result = "Microsoft Windows NT ";
  } else {
    result = "Windows NT product family? ";
  }

  if (extended) {
    result += Edition(v);
  } else {
    const std::optional<std::string> productType = system.ReadProductType();
    if (!productType) return result;
    if (EqualsNoCase(*productType, "WINNT")) {
      result += "Workstation ";
    } else if (EqualsNoCase(*productType, "LANMANNT")) {
      result += "Server ";
    } else if (EqualsNoCase(*productType, "SERVERNT")) {
      result += "Advanced Server ";
    }
    result += fmt::sprintf("%d.%d", v.MajorVersion, v.MinorVersion);
  }

  if (v.MajorVersion == 4 && EqualsNoCase(v.CsdVersion, "Service Pack 6") &&
      system.HasHotfixQ246009()) {
    result += fmt::sprintf("Service Pack 6a (Build %d)", build);
  } else {
    result += fmt::sprintf("%s (Build %d)", v.CsdVersion, build);
  }
  return result;
}

std::string ShortDescription(WindowsSystem& system) {
  const std::optional<WindowsVersion> version = system.GetVersionEx(false);
  if (!version) throw std::runtime_error("GetVersionEx failed");
  const WindowsVersion& v = *version;
  const char* platform = v.PlatformId == 0   ? "Windows 3.1"
                         : v.PlatformId == 1 ? "Windows 95"
                         : v.PlatformId == 2 ? "Windows NT"
                                             : "";
  return fmt::sprintf("%s Version %d.%d (Build %d : %s)", platform, v.MajorVersion, v.MinorVersion,
                      static_cast<std::int32_t>(v.BuildNumber), v.CsdVersion);
}

// The value of PRETTY_NAME, unquoted, or "" when absent.
std::string PrettyName(std::string_view osRelease) {
  std::istringstream lines{std::string(osRelease)};
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.starts_with("PRETTY_NAME=")) continue;
    std::string value = line.substr(12);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return "";
}

}  // namespace

std::string DescribeWindows(WindowsSystem& system) {
  try {
    return DetailedDescription(system);
  } catch (const std::exception&) {
  }
  try {
    return ShortDescription(system);
  } catch (const std::exception&) {
  }
  return "Microsoft Windows";
}

std::string DescribeLinux(std::optional<std::string_view> osRelease, std::string_view kernelName,
                          std::string_view kernelRelease) {
  const std::string pretty = osRelease ? PrettyName(*osRelease) : "";
  std::string kernel;
  if (!kernelName.empty()) {
    kernel = std::string(kernelName);
    if (!kernelRelease.empty()) kernel += " " + std::string(kernelRelease);
  }
  if (!pretty.empty() && !kernel.empty()) return pretty + " (" + kernel + ")";
  if (!pretty.empty()) return pretty;
  if (!kernel.empty()) return kernel;
  return "Linux";
}

std::string GetOSDescription() {
  std::optional<std::string> osRelease;
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    osRelease = TryReadFileBytes(path);
    if (osRelease) break;
  }
  utsname system{};
  if (uname(&system) != 0) return DescribeLinux(osRelease, "", "");
  return DescribeLinux(osRelease, system.sysname, system.release);
}

}  // namespace tabulon
