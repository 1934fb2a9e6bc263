#pragma once
// Describes the operating system in words, for the report's generated-by
// line and the About window: the distribution's pretty name and the kernel
// release.

#include <optional>
#include <string>
#include <string_view>

namespace tabulon {

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
