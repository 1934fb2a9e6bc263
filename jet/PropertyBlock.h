#pragma once
// Property blocks (MSysObjects.LvProp): the properties of an object (a
// table, the database) and of its sub-objects (a table's columns), each a
// name, a DDL flag, a type and the stored value.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <dao/Variant.h>
#include <jet/ByteView.h>
#include <jet/JetText.h>

namespace tabulon::jet {

struct StoredProperty {
  std::string Name;
  std::uint8_t Type = 0;  // column type code of the value
  bool Ddl = false;
  // The value's bytes, kept by whoever made the property: a block's are in
  // its Bytes.
  std::span<const std::uint8_t> Value;
};

// Parsed once per object and kept; its properties' values point into its
// own copy of the blob, so a block moves but is never copied.
struct PropertyBlock {
  PropertyBlock() = default;
  PropertyBlock(PropertyBlock&&) = default;
  PropertyBlock& operator=(PropertyBlock&&) = default;
  PropertyBlock(const PropertyBlock&) = delete;
  PropertyBlock& operator=(const PropertyBlock&) = delete;

  std::vector<StoredProperty> Object;
  struct Child {
    std::string Name;
    std::vector<StoredProperty> Properties;
  };
  std::vector<Child> Children;
  std::vector<std::uint8_t> Bytes;

  // The properties of the sub-object `name` (exact name first, then without
  // regard to case), or null.
  const std::vector<StoredProperty>* ChildProperties(std::string_view name) const;
};

// Parses a block, which keeps a copy of the blob for its values. An empty
// blob gives an empty block. Throws FormatError for
// a wrong signature, a chunk or record that does not fit, or a name index
// outside the name pool.
PropertyBlock ParsePropertyBlock(ByteView blob, const TextDecoder& text);

// The value as the object model hands it out: booleans, integers, floating
// point, currency, dates, text, GUIDs as "{...}" text, binary as bytes.
// Throws FormatError for a type it cannot read or a length that does not
// fit the type.
dao::Variant PropertyValue(const StoredProperty& property, const TextDecoder& text);

// The 16 bytes of a GUID as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(ByteView bytes);

}  // namespace tabulon::jet
