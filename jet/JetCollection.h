#pragma once
// The collections of the object model: a list of owned objects, filled on
// first use by a loader (which may throw, and is then tried again on the
// next call), looked up by position or by name without regard to case. A
// collection of IndexedFrom items or more indexes its names on the first
// lookup by name, so that a lookup costs the same in a database of
// thousands of tables as in one of ten.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <dao/ObjectModel.h>
#include <text/OneLine.h>
#include <text/TextCompare.h>

namespace tabulon::jet {

template <class T>
class ListCollection : public dao::Collection<T> {
 public:
  using Loader = std::function<void(std::vector<std::unique_ptr<T>>&)>;
  using Namer = std::function<std::string(T&)>;

  // `what` names the kind of item in error texts ("テーブル", "フィールド").
  ListCollection(std::string what, Namer namer, Loader loader = {})
      : FWhat(std::move(what)), FNamer(std::move(namer)), FLoader(std::move(loader)) {}

  int Count() override {
    Load();
    return static_cast<int>(FItems.size());
  }
  T& Item(int index) override {
    Load();
    if (index < 0 || static_cast<std::size_t>(index) >= FItems.size()) {
      throw dao::EngineError(
          OneLine(FWhat + "の番号 " + std::to_string(index) + " は範囲外です。"));
    }
    return *FItems[static_cast<std::size_t>(index)];
  }
  T& Item(std::string_view name) override {
    if (T* found = Find(name)) return *found;
    throw dao::EngineError(OneLine(FWhat + " '" + std::string(name) + "' が見つかりません。"));
  }
  // Null for a name the collection does not hold; throws only when the
  // loader fails.
  T* Find(std::string_view name) override {
    Load();
    if (FItems.size() >= IndexedFrom) {
      if (FByName.empty()) IndexNames();
      const auto found = FByName.find(name);
      if (found == FByName.end()) return nullptr;
      // A name whose case twin is also held needs the scan, which prefers
      // the exact spelling.
      if (!found->second.second) return FItems[found->second.first].get();
    }
    auto* found = FindByName(FItems, name, [this](auto& item) { return FNamer(*item); });
    return found != nullptr ? found->get() : nullptr;
  }

  // Adds an item to a collection without a loader.
  void Add(std::unique_ptr<T> item) {
    FItems.push_back(std::move(item));
    FByName.clear();
  }

  static constexpr std::size_t IndexedFrom = 16;

 private:
  void IndexNames() {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
      const auto [at, added] = FByName.try_emplace(FNamer(*FItems[i]), i, false);
      if (!added) at->second.second = true;
    }
  }
  void Load() {
    if (!FLoader) return;
    std::vector<std::unique_ptr<T>> items;
    FLoader(items);
    FItems = std::move(items);
    FLoader = nullptr;
  }
  std::string FWhat;
  Namer FNamer;
  Loader FLoader;
  std::vector<std::unique_ptr<T>> FItems;
  // Each name, without regard to case -> the first item of that name, and
  // whether another item's name differs from it only in case.
  std::unordered_map<std::string, std::pair<std::size_t, bool>, NoCaseHash, NoCaseEqual> FByName;
};

}  // namespace tabulon::jet
