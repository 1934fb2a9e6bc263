#include <text/FileNameUrl.h>

namespace tabulon {

std::string FileNameUrl(std::string_view name) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string url;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                            c == '~';
    if (unreserved) {
      url += c;
    } else {
      url += '%';
      url += Hex[byte >> 4];
      url += Hex[byte & 0xF];
    }
  }
  return url;
}

}  // namespace tabulon
