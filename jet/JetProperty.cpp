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

namespace {

// A stored property whose value is decoded when it is read.
class StoredPropertyItem : public dao::Property {
 public:
  StoredPropertyItem(const StoredProperty& stored, const JetFile& file)
      : FStored(stored), FFile(file) {}
  std::string Name() override { return FStored.Name; }
  dao::Variant Value() override {
    try {
      return PropertyValue(FStored, FFile.Text());
    } catch (const FormatError& e) {
      throw FFile.Damaged(e.what());
    }
  }

 private:
  const StoredProperty& FStored;
  const JetFile& FFile;
};

}  // namespace

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
  const auto at = static_cast<std::size_t>(index);
  if (FMade.size() < FStored->size()) FMade.resize(FStored->size());
  if (!FMade[at]) FMade[at] = std::make_unique<StoredPropertyItem>((*FStored)[at], FFile);
  return *FMade[at];
}

dao::Property& StoredPropertyCollection::Item(std::string_view name) {
  if (FStored != nullptr) {
    if (const auto* found = FindByName(
            *FStored, name, [](const StoredProperty& p) -> const std::string& { return p.Name; })) {
      return Item(static_cast<int>(found - FStored->data()));
    }
  }
  if (auto* found = FindByName(FAppended, name, [](auto& p) { return p->Name(); })) {
    return **found;
  }
  throw dao::EngineError(OneLine("プロパティ '" + std::string(name) + "' が見つかりません。"));
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
