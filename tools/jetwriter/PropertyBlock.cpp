#include <tools/jetwriter/PropertyBlock.h>

#include <map>

#include <fmt/format.h>

#include <jet/JetFormat.h>
#include <text/TextCompare.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/TableLayout.h>
#include <tools/jetwriter/Values.h>

namespace tabulon::jetwriter {

namespace {

// A value record counts its length in 16 bits, header included.
constexpr std::size_t MaxPropertyValue = 0xFFFF - 8;

ByteVector Checked(const std::string& name, ByteVector value) {
  if (value.size() > MaxPropertyValue) {
    throw SchemaError(
        fmt::format("property \"{}\": the value takes {} bytes; a property holds at most {}", name,
                    value.size(), MaxPropertyValue));
  }
  return value;
}

StoredProperty Text(const std::string& name, const std::string& value, bool ddl,
                    std::uint8_t type = jet::ColText) {
  return StoredProperty{name, type, ddl, Checked(name, Utf16(value))};
}

StoredProperty Flag(const std::string& name, bool value) {
  return StoredProperty{name, jet::ColBoolean, true,
                        ByteVector{static_cast<std::uint8_t>(value ? 1 : 0)}};
}

void AppendExtra(std::vector<StoredProperty>& out, const std::vector<Property>& extra,
                 const std::string& owner) {
  for (const Property& property : extra) {
    try {
      out.push_back(StoreProperty(property));
    } catch (const SchemaError& error) {
      throw SchemaError(fmt::format("{}, property \"{}\": {}", owner, property.Name, error.what()));
    }
  }
}

void AppendChunk(ByteSink& out, std::uint16_t type, const ByteVector& payload) {
  out.U32(static_cast<std::uint32_t>(payload.size() + 6));
  out.U16(type);
  out.Append(payload);
}

}  // namespace

StoredProperty StoreProperty(const Property& property) {
  const std::uint8_t jetType = JetTypeOf(property.Type);
  if (jetType == 0 || property.Type == dao::dbDecimal) {
    throw SchemaError(fmt::format("type {} is not a property type", property.Type));
  }
  return StoredProperty{property.Name, jetType, property.Ddl,
                        Checked(property.Name, PropertyBytes(property.Type, property.Value))};
}

void PropertyBlockBuilder::AddSubObject(const std::string& name,
                                        std::vector<StoredProperty> properties) {
  if (!properties.empty()) FSubObjects.emplace_back(name, std::move(properties));
}

ByteVector PropertyBlockBuilder::Build() const {
  // Names are pooled once and referred to by position.
  std::vector<std::string> pool;
  std::map<std::string, std::uint16_t, NoCaseLess> positions;
  auto collect = [&](const std::vector<StoredProperty>& properties) {
    for (const StoredProperty& property : properties) {
      if (positions.emplace(property.Name, static_cast<std::uint16_t>(pool.size())).second) {
        pool.push_back(property.Name);
      }
    }
  };
  collect(FObject);
  for (const auto& sub : FSubObjects) collect(sub.second);

  ByteSink out;
  out.Append(ByteVector{'M', 'R', '2', 0});
  ByteSink names;
  for (const std::string& name : pool) names.Name(name);
  AppendChunk(out, jet::PropertyChunkNames, names.Bytes());

  auto values = [&](const std::string& objectName, const std::vector<StoredProperty>& properties) {
    ByteSink payload;
    const ByteVector nameBytes = Utf16(objectName);
    payload.U32(static_cast<std::uint32_t>(6 + nameBytes.size()));
    payload.U16(static_cast<std::uint32_t>(nameBytes.size()));
    payload.Append(nameBytes);
    for (const StoredProperty& property : properties) {
      payload.U16(static_cast<std::uint32_t>(8 + property.Value.size()));
      payload.U8(property.Ddl ? 1 : 0);
      payload.U8(property.JetType);
      payload.U16(positions.at(property.Name));
      payload.U16(static_cast<std::uint32_t>(property.Value.size()));
      payload.Append(property.Value);
    }
    return payload.Take();
  };
  AppendChunk(out, jet::PropertyChunkObject, values("", FObject));
  for (const auto& sub : FSubObjects)
    AppendChunk(out, jet::PropertyChunkSubObject, values(sub.first, sub.second));
  return out.Take();
}

std::vector<StoredProperty> TableProperties(const Table& table) {
  const std::string owner = fmt::format("table \"{}\"", table.Name);
  std::vector<StoredProperty> out;
  try {
    if (table.Description)
      out.push_back(Text("Description", *table.Description, false, jet::ColMemo));
    if (table.ValidationRule) out.push_back(Text("ValidationRule", *table.ValidationRule, true));
    if (table.ValidationText) out.push_back(Text("ValidationText", *table.ValidationText, true));
  } catch (const SchemaError& error) {
    // Text names only the property; AppendExtra adds the owner itself.
    throw SchemaError(fmt::format("{}, {}", owner, error.what()));
  }
  AppendExtra(out, table.Properties, owner);
  return out;
}

std::vector<StoredProperty> ColumnProperties(const Column& column) {
  std::vector<StoredProperty> out;
  if (column.Description)
    out.push_back(Text("Description", *column.Description, false, jet::ColMemo));
  if (column.Caption) out.push_back(Text("Caption", *column.Caption, false, jet::ColMemo));
  if (column.Format) out.push_back(Text("Format", *column.Format, true));
  if (column.DefaultValue) {
    // The engine stores GenGUID() of a GUID AutoNumber as Text, other defaults as Memo.
    const bool generated = column.Type == dao::dbGUID && column.AutoNumber;
    out.push_back(
        Text("DefaultValue", *column.DefaultValue, true, generated ? jet::ColText : jet::ColMemo));
  }
  if (column.ValidationRule) out.push_back(Text("ValidationRule", *column.ValidationRule, true));
  if (column.ValidationText) out.push_back(Text("ValidationText", *column.ValidationText, true));
  if (column.Required) out.push_back(Flag("Required", *column.Required));
  if (column.AllowZeroLength) out.push_back(Flag("AllowZeroLength", *column.AllowZeroLength));
  AppendExtra(out, column.Properties, fmt::format("column \"{}\"", column.Name));
  return out;
}

std::vector<StoredProperty> DatabaseProperties(const Database& db) {
  std::vector<StoredProperty> out;
  bool hasVersion = false;
  for (const Property& property : db.Properties)
    hasVersion = hasVersion || EqualsNoCase(property.Name, "AccessVersion");
  // Access 2000's mark; without it some readers call the file a generic Jet 4 one.
  if (!hasVersion) out.push_back(Text("AccessVersion", "08.50", false));
  AppendExtra(out, db.Properties, "database");
  return out;
}

ByteVector TablePropertyBlock(const Table& table) {
  PropertyBlockBuilder builder;
  std::vector<StoredProperty> own = TableProperties(table);
  bool any = !own.empty();
  builder.SetObject(std::move(own));
  for (const Column& column : table.Columns) {
    std::vector<StoredProperty> properties;
    try {
      properties = ColumnProperties(column);
    } catch (const SchemaError& error) {
      throw SchemaError(fmt::format("table \"{}\", {}", table.Name, error.what()));
    }
    any = any || !properties.empty();
    builder.AddSubObject(column.Name, std::move(properties));
  }
  return any ? builder.Build() : ByteVector{};
}

}  // namespace tabulon::jetwriter
