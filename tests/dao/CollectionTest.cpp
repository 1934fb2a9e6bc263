// What every collection of the object model answers without code of its
// own: Find, through Item.

#include <vector>

#include <gtest/gtest.h>

#include <dao/ObjectModel.h>
#include <text/TextCompare.h>

namespace tabulon::dao {
namespace {

class Names : public Collection<std::string> {
 public:
  int Count() override { return static_cast<int>(FItems.size()); }
  std::string& Item(int index) override { return FItems.at(static_cast<std::size_t>(index)); }
  std::string& Item(std::string_view name) override {
    if (FFails) throw EngineError("cannot read");
    for (std::string& item : FItems) {
      if (EqualsNoCase(item, name)) return item;
    }
    throw EngineError("no " + std::string(name));
  }
  bool FFails = false;

 private:
  std::vector<std::string> FItems{"Alpha", "Beta"};
};

TEST(Collection, FindIsItemWithEveryFailureAsNull) {
  Names names;
  EXPECT_EQ(names.Find("BETA"), &names.Item(1));
  EXPECT_EQ(names.Find("Gamma"), nullptr);
  names.FFails = true;
  EXPECT_EQ(names.Find("Alpha"), nullptr);
}

}  // namespace
}  // namespace tabulon::dao
