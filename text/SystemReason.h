#pragma once

#include <string>
#include <system_error>

namespace tabulon {

// Why a system call failed, in words for the user: Japanese for the
// reasons people meet with files (no permission, no such file or folder, is
// a folder, disk full, read-only file system, name too long, too many open
// files), the system's own text for the rest.
std::string SystemReason(int error);
std::string SystemReason(const std::error_code& error);

}  // namespace tabulon
