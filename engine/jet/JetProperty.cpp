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

std::unique_ptr<PropertyList> StoredPropertyList(
    const std::vector<StoredProperty>* stored, const TextDecoder& text,
    const std::function<std::string(const std::string&)>& damaged) {
  auto list = NewPropertyList();
  if (stored == nullptr) return list;
  for (const StoredProperty& property : *stored) {
    try {
      list->Add(std::make_unique<JetProperty>(property.Name, PropertyValue(property, text)));
    } catch (const FormatError& e) {
      list->Add(JetProperty::Failing(property.Name, damaged(e.what())));
    }
  }
  return list;
}

const StoredProperty* FindStored(const std::vector<StoredProperty>* stored, std::string_view name) {
  if (stored == nullptr) return nullptr;
  for (const StoredProperty& property : *stored) {
    if (EqualsNoCase(property.Name, name)) return &property;
  }
  return nullptr;
}

}  // namespace tabulon::jet
