#include <engine/jet/JetProperty.h>

namespace tabulon::jet {

std::unique_ptr<JetProperty> JetProperty::Failing(std::string name, std::string error) {
  auto property = std::make_unique<JetProperty>(std::move(name), dao::Empty{});
  property->FError = std::move(error);
  return property;
}

dao::Variant JetProperty::Value() {
  if (FError) throw dao::EngineError(*FError);
  return FValue;
}

std::unique_ptr<PropertyList> NewPropertyList() {
  return std::make_unique<PropertyList>("プロパティ", [](dao::Property& p) { return p.Name(); });
}

namespace {

// A stored property whose value is decoded when it is read.
class StoredPropertyItem : public dao::Property {
 public:
  StoredPropertyItem(const StoredProperty& stored, const TextDecoder& text,
                     const StoredPropertyCollection::Damaged& damaged)
      : FStored(stored), FText(text), FDamaged(damaged) {}
  std::string Name() override { return FStored.Name; }
  dao::Variant Value() override {
    try {
      return PropertyValue(FStored, FText);
    } catch (const FormatError& e) {
      throw dao::EngineError(FDamaged(e.what()));
    }
  }

 private:
  const StoredProperty& FStored;
  const TextDecoder& FText;
  const StoredPropertyCollection::Damaged& FDamaged;
};

}  // namespace

StoredPropertyCollection::StoredPropertyCollection(const std::vector<StoredProperty>* stored,
                                                   const TextDecoder& text, Damaged damaged)
    : FStored(stored), FText(text), FDamaged(std::move(damaged)) {}

int StoredPropertyCollection::Count() { return FStored ? static_cast<int>(FStored->size()) : 0; }

dao::Property& StoredPropertyCollection::Item(int index) {
  if (index < 0 || index >= Count()) {
    throw dao::EngineError(
        OneLine("プロパティの番号 " + std::to_string(index) + " は範囲外です。"));
  }
  const auto at = static_cast<std::size_t>(index);
  if (FMade.size() < FStored->size()) FMade.resize(FStored->size());
  if (!FMade[at]) FMade[at] = std::make_unique<StoredPropertyItem>((*FStored)[at], FText, FDamaged);
  return *FMade[at];
}

dao::Property& StoredPropertyCollection::Item(std::string_view name) {
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < Count(); ++i) {
      const std::string& stored = (*FStored)[static_cast<std::size_t>(i)].Name;
      if (pass == 0 ? stored == name : EqualsNoCase(stored, name)) return Item(i);
    }
  }
  throw dao::EngineError(OneLine("プロパティ '" + std::string(name) + "' が見つかりません。"));
}

const StoredProperty* FindStored(const std::vector<StoredProperty>* stored, std::string_view name) {
  if (stored == nullptr) return nullptr;
  for (const StoredProperty& property : *stored) {
    if (EqualsNoCase(property.Name, name)) return &property;
  }
  return nullptr;
}

}  // namespace tabulon::jet
