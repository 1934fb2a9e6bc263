#pragma once
// Property blocks (the LvProp value of a catalog row): the properties of an
// object (table, database) and of its sub-objects (columns).

#include <string>
#include <vector>

#include <tools/jetwriter/Bytes.h>
#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

struct StoredProperty {
  std::string Name;
  std::uint8_t JetType = 0;
  bool Ddl = false;
  ByteVector Value;
};

class PropertyBlockBuilder {
 public:
  // The object's own properties; written even when empty.
  void SetObject(std::vector<StoredProperty> properties) { FObject = std::move(properties); }
  // A named sub-object's properties; sub-objects without any are left out.
  void AddSubObject(const std::string& name, std::vector<StoredProperty> properties);
  // "MR2\0", the name pool, the object chunk, then one chunk per sub-object.
  ByteVector Build() const;

 private:
  std::vector<StoredProperty> FObject;
  std::vector<std::pair<std::string, std::vector<StoredProperty>>> FSubObjects;
};

// The stored form of a description property; throws SchemaError when its
// value does not fit its type.
StoredProperty StoreProperty(const Property& property);

// The standard and further properties of a table, a column and the
// database, in the order they are written.
std::vector<StoredProperty> TableProperties(const Table& table);
std::vector<StoredProperty> ColumnProperties(const Column& column);
std::vector<StoredProperty> DatabaseProperties(const Database& db);

// The property block of a table, or an empty vector when neither the table
// nor any column has a property.
ByteVector TablePropertyBlock(const Table& table);

}  // namespace tabulon::jetwriter
