#pragma once
// Properties of the object model: a name and either a value or the text of
// why the value cannot be read.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <engine/ObjectModel.h>
#include <engine/jet/JetCollection.h>
#include <engine/jet/PropertyBlock.h>

namespace tabulon::jet {

class JetProperty : public dao::Property {
 public:
  JetProperty(std::string name, dao::Variant value) : FName(std::move(name)), FValue(std::move(value)) {}
  // A property whose value fails with `error` when read.
  static std::unique_ptr<JetProperty> Failing(std::string name, std::string error);

  std::string Name() override { return FName; }
  dao::Variant Value() override;

 private:
  std::string FName;
  dao::Variant FValue;
  std::optional<std::string> FError;
};

using PropertyList = ListCollection<dao::Property>;

// An empty property collection, filled with Add.
std::unique_ptr<PropertyList> NewPropertyList();

// A property collection over stored properties, in stored order; a value
// that cannot be read becomes a property that fails with `damaged(what)`.
// `stored` may be null (no properties).
std::unique_ptr<PropertyList> StoredPropertyList(
    const std::vector<StoredProperty>* stored, const TextDecoder& text,
    const std::function<std::string(const std::string&)>& damaged);

// The stored property `name` (without regard to case), or null.
const StoredProperty* FindStored(const std::vector<StoredProperty>* stored, std::string_view name);

}  // namespace tabulon::jet
