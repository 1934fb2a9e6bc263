#include <jet/JetProperty.h>

#include <jet/LongValue.h>

namespace tabulon::jet {

std::unique_ptr<JetProperty> JetProperty::Failing(std::string name, dao::EngineError error) {
  auto property = std::make_unique<JetProperty>(std::move(name), dao::Empty{});
  property->FError = std::move(error);
  return property;
}

dao::Variant JetProperty::Value() {
  if (FError) throw *FError;
  return FValue;
}

std::unique_ptr<PropertyList> NewPropertyList() {
  return std::make_unique<PropertyList>("プロパティ", [](dao::Property& p) { return p.Name(); });
}

dao::Variant StoredPropertyCollection::StoredItem::Value() {
  try {
    return PropertyValue(FStored, FFile.Text());
  } catch (const FormatError& e) {
    throw FFile.Damaged(e.what());
  }
}

StoredPropertyCollection::StoredPropertyCollection(const std::vector<StoredProperty>* stored,
                                                   const JetFile& file)
    : FStored(stored), FFile(file) {}

int StoredPropertyCollection::StoredCount() const {
  return FStored ? static_cast<int>(FStored->size()) : 0;
}

int StoredPropertyCollection::Count() { return StoredCount() + static_cast<int>(FAppended.size()); }

void StoredPropertyCollection::Append(std::unique_ptr<dao::Property> property) {
  FAppended.push_back(std::move(property));
}

dao::Property& StoredPropertyCollection::Item(int index) {
  if (index < 0 || index >= Count()) {
    throw dao::EngineError(
        OneLine("プロパティの番号 " + std::to_string(index) + " は範囲外です。"));
  }
  if (index >= StoredCount()) return *FAppended[static_cast<std::size_t>(index - StoredCount())];
  if (FItems.empty()) {
    FItems.reserve(FStored->size());
    for (const StoredProperty& stored : *FStored) FItems.emplace_back(stored, FFile);
  }
  return FItems[static_cast<std::size_t>(index)];
}

dao::Property& StoredPropertyCollection::Item(std::string_view name) {
  if (dao::Property* found = Find(name)) return *found;
  throw dao::EngineError(OneLine("プロパティ '" + std::string(name) + "' が見つかりません。"));
}

dao::Property* StoredPropertyCollection::Find(std::string_view name) {
  if (const StoredProperty* found = FindStored(FStored, name))
    return &Item(static_cast<int>(found - FStored->data()));
  auto* appended = FindByName(FAppended, name, [](auto& p) { return p->Name(); });
  return appended != nullptr ? appended->get() : nullptr;
}

const StoredProperty* FindStored(const std::vector<StoredProperty>* stored, std::string_view name) {
  if (stored == nullptr) return nullptr;
  return FindByName(*stored, name, [](const StoredProperty& property) -> const std::string& {
    return property.Name;
  });
}

PropertyBlock ReadPropertyBlock(JetFile& file, const CatalogEntry& entry) {
  return file.Guard([&] {
    if (entry.PropertyField.empty()) return PropertyBlock{};
    const std::vector<std::uint8_t> blob =
        ReadLongValue(file.Pages(), ByteView(entry.PropertyField, "プロパティ"));
    return ParsePropertyBlock(ByteView(blob, "プロパティ"), file.Text());
  });
}

std::string StoredText(JetFile& file, const std::vector<StoredProperty>* stored,
                       std::string_view name) {
  const StoredProperty* found = FindStored(stored, name);
  if (found == nullptr) return "";
  return dao::VariantToText(StoredValue(file, *found));
}

dao::Variant StoredValue(JetFile& file, const StoredProperty& stored) {
  return file.Guard([&] { return PropertyValue(stored, file.Text()); });
}

}  // namespace tabulon::jet
