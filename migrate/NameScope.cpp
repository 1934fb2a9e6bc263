#include <migrate/NameScope.h>

#include <text/TextCompare.h>

namespace tabulon::migrate {

namespace {

// The longest start of `text` of at most `bytes` bytes that ends on a
// character boundary.
std::string_view CutAt(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) return text;
  std::size_t end = bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

}  // namespace

bool NameScope::Taken(std::string_view name) const { return FTaken.count(ToLowerText(name)) != 0; }

std::string NameScope::Claim(std::string_view wanted) {
  std::string name(wanted);
  // No server takes an empty quoted name; it is cut like a long one.
  const bool fits = !name.empty() && (FLimit == 0 || name.size() <= FLimit);
  if (!fits || Taken(name)) {
    // A cut name starts at "~1", a taken one at "~2" (the first is the one
    // that has it); one of the next |taken| + 1 numbers is free.
    for (std::size_t n = fits ? 2 : 1;; ++n) {
      const std::string suffix = "~" + std::to_string(n);
      const std::size_t room = FLimit > suffix.size() ? FLimit - suffix.size() : 0;
      name = std::string(FLimit == 0 ? wanted : CutAt(wanted, room)) + suffix;
      if (!Taken(name)) break;
    }
  }
  FTaken.insert(ToLowerText(name));
  return name;
}

}  // namespace tabulon::migrate
