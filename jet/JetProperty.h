#pragma once
// Properties of the object model: a name and either a value or the text of
// why the value cannot be read.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/JetCollection.h>
#include <jet/JetFile.h>
#include <jet/PropertyBlock.h>

namespace tabulon::jet {

class JetProperty : public dao::Property {
 public:
  JetProperty(std::string name, dao::Variant value)
      : FName(std::move(name)), FValue(std::move(value)) {}
  // A property whose value fails with `error` when read.
  static std::unique_ptr<JetProperty> Failing(std::string name, dao::EngineError error);

  std::string Name() override { return FName; }
  dao::Variant Value() override;

 private:
  std::string FName;
  dao::Variant FValue;
  std::optional<dao::EngineError> FError;
};

using PropertyList = ListCollection<dao::Property>;

// An empty property collection, filled with Add.
std::unique_ptr<PropertyList> NewPropertyList();

// A property collection over stored properties of `file` (both must outlive
// it), in stored order, followed by the properties given to Append (those
// DAO has built in and the file keeps elsewhere). Stored properties are
// made when first fetched, so looking one up by name costs nothing for the
// others; a value that cannot be read fails with the file's damage text.
// `stored` may be null (no stored properties). A name is looked up among
// the stored properties first.
class StoredPropertyCollection : public dao::Collection<dao::Property> {
 public:
  StoredPropertyCollection(const std::vector<StoredProperty>* stored, const JetFile& file);
  int Count() override;
  dao::Property& Item(int index) override;
  dao::Property& Item(std::string_view name) override;
  dao::Property* Find(std::string_view name) override;
  void Append(std::unique_ptr<dao::Property> property);

 private:
  // A stored property whose value is decoded when it is read.
  class StoredItem : public dao::Property {
   public:
    StoredItem(const StoredProperty& stored, const JetFile& file) : FStored(stored), FFile(file) {}
    std::string Name() override { return FStored.Name; }
    dao::Variant Value() override;

   private:
    const StoredProperty& FStored;
    const JetFile& FFile;
  };

  int StoredCount() const;
  const std::vector<StoredProperty>* FStored;
  const JetFile& FFile;
  // Made all at once, in one block, when the first is fetched; never
  // grows after that, so references to them stay valid.
  std::vector<StoredItem> FItems;
  std::vector<std::unique_ptr<dao::Property>> FAppended;
};

// The stored property `name` (without regard to case), or null.
const StoredProperty* FindStored(const std::vector<StoredProperty>* stored, std::string_view name);

// The property block of a catalog entry (empty when it stores none), read
// through the file's guard.
PropertyBlock ReadPropertyBlock(JetFile& file, const CatalogEntry& entry);

// The stored property `name`'s value as text, "" when it is not stored; a
// value that cannot be read fails with the file's damage text.
std::string StoredText(JetFile& file, const std::vector<StoredProperty>* stored,
                       std::string_view name);

// A stored property's value, read through the file's guard.
dao::Variant StoredValue(JetFile& file, const StoredProperty& stored);

}  // namespace tabulon::jet
