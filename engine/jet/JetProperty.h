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
  JetProperty(std::string name, dao::Variant value)
      : FName(std::move(name)), FValue(std::move(value)) {}
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

// A property collection over stored properties (which must outlive it), in
// stored order. Properties are made when first fetched, so looking one up
// by name costs nothing for the others; a value that cannot be read fails
// with `damaged(what)`. `stored` may be null (no properties).
class StoredPropertyCollection : public dao::Collection<dao::Property> {
 public:
  using Damaged = std::function<std::string(const std::string&)>;
  StoredPropertyCollection(const std::vector<StoredProperty>* stored, const TextDecoder& text,
                           Damaged damaged);
  int Count() override;
  dao::Property& Item(int index) override;
  dao::Property& Item(std::string_view name) override;

 private:
  const std::vector<StoredProperty>* FStored;
  const TextDecoder& FText;
  Damaged FDamaged;
  std::vector<std::unique_ptr<dao::Property>> FMade;
};

// The stored property `name` (without regard to case), or null.
const StoredProperty* FindStored(const std::vector<StoredProperty>* stored, std::string_view name);

}  // namespace tabulon::jet
