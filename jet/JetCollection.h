#pragma once
// The collections of the object model: a list of owned objects, filled on
// first use by a loader (which may throw, and is then tried again on the
// next call), looked up by position or by name without regard to case.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
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
    Load();
    if (auto* found = FindByName(FItems, name, [this](auto& item) { return FNamer(*item); })) {
      return **found;
    }
    throw dao::EngineError(OneLine(FWhat + " '" + std::string(name) + "' が見つかりません。"));
  }

  // Adds an item to a collection without a loader.
  void Add(std::unique_ptr<T> item) { FItems.push_back(std::move(item)); }

 private:
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
};

}  // namespace tabulon::jet
