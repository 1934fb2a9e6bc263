// Lookups by name in the object model's collections, in collections small
// enough to be scanned and large enough to index their names.

#include <gtest/gtest.h>

#include <jet/JetCollection.h>
#include <jet/JetProperty.h>

namespace tabulon::jet {
namespace {

// `count` items: "Name0", "Name1", ..., then "orders" and "ORDERS".
std::unique_ptr<PropertyList> Collection(int count) {
  auto list = NewPropertyList();
  for (int i = 0; i < count; ++i)
    list->Add(std::make_unique<JetProperty>("Name" + std::to_string(i), std::int64_t{i}));
  list->Add(std::make_unique<JetProperty>("orders", std::int64_t{-1}));
  list->Add(std::make_unique<JetProperty>("ORDERS", std::int64_t{-2}));
  return list;
}

TEST(JetCollection, FindPrefersTheExactNameThenTheFirstInAnyCase) {
  for (const int count : {3, static_cast<int>(PropertyList::IndexedFrom) + 20}) {
    SCOPED_TRACE(count);
    auto list = Collection(count);
    const int size = list->Count();
    EXPECT_EQ(list->Find("ORDERS"), &list->Item(size - 1));
    EXPECT_EQ(list->Find("orders"), &list->Item(size - 2));
    EXPECT_EQ(list->Find("Orders"), &list->Item(size - 2));
    EXPECT_EQ(list->Find("NAME2"), &list->Item(2));
    EXPECT_EQ(list->Find("Name"), nullptr);
    EXPECT_EQ(list->Find(""), nullptr);
    EXPECT_EQ(&list->Item("name1"), &list->Item(1));
    EXPECT_THROW(list->Item("Name"), dao::EngineError);
    // An item added after a lookup is found too.
    list->Add(std::make_unique<JetProperty>("Late", std::int64_t{0}));
    EXPECT_EQ(list->Find("LATE"), &list->Item(size));
  }
}

TEST(JetCollection, FindFailsOnlyWhenTheCollectionCannotBeRead) {
  int loads = 0;
  PropertyList list(
      "プロパティ", [](dao::Property& p) { return p.Name(); },
      [&loads](auto& items) {
        if (++loads == 1) throw dao::EngineError("読めません");
        for (int i = 0; i < 40; ++i)
          items.push_back(std::make_unique<JetProperty>("P" + std::to_string(i), std::int64_t{i}));
      });
  EXPECT_THROW(list.Find("P1"), dao::EngineError);
  EXPECT_EQ(list.Find("p39"), &list.Item(39));
  EXPECT_EQ(list.Find("P40"), nullptr);
}

}  // namespace
}  // namespace tabulon::jet
