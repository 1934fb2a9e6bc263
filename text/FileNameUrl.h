#pragma once

#include <string>
#include <string_view>

namespace tabulon {

// A file name as a relative URL: every byte but unreserved ASCII
// percent-encoded, so that any name (spaces, '#', Japanese) links.
std::string FileNameUrl(std::string_view name);

}  // namespace tabulon
