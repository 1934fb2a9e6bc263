#pragma once
// Comparison of names without regard to letter case, for every script: each
// character is compared by its Unicode lower-case mapping, independent of
// the user's locale (a collation could call distinct names equal); Greek
// final sigma counts as σ, as Σ, σ and ς are one letter.

#include <string>
#include <string_view>

namespace tabulon {

// The text with every character lower-cased, as UTF-8.
std::string ToLowerText(std::string_view utf8);

// <0, 0 or >0 as `a` sorts before, equal to or after `b`, ignoring case.
int CompareNoCase(std::string_view a, std::string_view b);

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  // Most names that differ differ in their first letter, which is ASCII.
  if (!a.empty() && !b.empty()) {
    const auto x = static_cast<unsigned char>(a[0]);
    const auto y = static_cast<unsigned char>(b[0]);
    if (x < 0x80 && y < 0x80 && (x | 0x20) != (y | 0x20)) return false;
  }
  return CompareNoCase(a, b) == 0;
}

// True when `text` ends in `end`, letter case aside (file name endings).
inline bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

// The first of `items` that `accept` takes and whose name (`nameOf(item)`)
// is `name` exactly, else the first such that equals it without regard to
// case; null when none does. Every by-name lookup goes through here, so a
// name means the same item everywhere.
template <class Items, class NameOf, class Accept>
auto FindByName(Items& items, std::string_view name, NameOf nameOf, Accept accept)
    -> decltype(&*items.begin()) {
  for (auto& item : items) {
    if (accept(item) && nameOf(item) == name) return &item;
  }
  for (auto& item : items) {
    if (accept(item) && EqualsNoCase(nameOf(item), name)) return &item;
  }
  return nullptr;
}

template <class Items, class NameOf>
auto FindByName(Items& items, std::string_view name, NameOf nameOf) -> decltype(&*items.begin()) {
  return FindByName(items, name, nameOf, [](const auto&) { return true; });
}

// Ordering for sorted containers of names that ignore case.
struct NoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareNoCase(a, b) < 0; }
};

// A hash of the text's lower-cased characters: names that EqualsNoCase
// calls equal hash alike. With NoCaseEqual it keys hashed containers of
// names, so a lookup folds the name it is given once instead of comparing
// it with every stored name.
std::size_t HashNoCase(std::string_view utf8);

struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view utf8) const { return HashNoCase(utf8); }
};

struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return a == b || EqualsNoCase(a, b);
  }
};

}  // namespace tabulon
