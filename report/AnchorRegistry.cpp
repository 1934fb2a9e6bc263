#include <report/AnchorRegistry.h>

#include <fmt/format.h>

namespace tabulon {

std::string AnchorRegistry::GetAnchorId(std::string_view name) {
  auto found = FAnchorNames.find(name);
  if (found == FAnchorNames.end())
    found = FAnchorNames.emplace(std::string(name), FAnchorNames.size()).first;
  return fmt::format("ID{:04X}", found->second);
}

}  // namespace tabulon
