#pragma once
// The catalog (MSysObjects, whose definition is always on page 2): one
// entry per object with its id, container, name, type, flags, dates, link
// details and the in-row part of its property block.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <dao/Variant.h>
#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

struct CatalogEntry {
  std::int32_t Id = 0;
  std::int32_t ParentId = 0;
  std::string Name;
  std::int16_t Type = 0;  // ObjectType
  std::uint32_t Flags = 0;
  std::optional<double> DateCreate;
  std::optional<double> DateUpdate;
  std::string Database;     // linked tables: the source database
  std::string ForeignName;  // linked tables: the name there
  std::string Connect;      // linked tables: the connect text
  // The LvProp column's bytes in the row (a long-value header); empty when
  // the object has no properties.
  std::vector<std::uint8_t> PropertyField;

  // The table's first TDEF page (local tables).
  std::uint32_t TablePage() const { return static_cast<std::uint32_t>(Id) & 0x00FFFFFFu; }
  bool IsTable() const {
    return Type == ObjectLocalTable || Type == ObjectLinkedTable || Type == ObjectLinkedOdbcTable;
  }
  bool IsLinked() const { return Type == ObjectLinkedTable || Type == ObjectLinkedOdbcTable; }
};

// A catalog date as the object model gives it: Null where the row has none.
dao::Variant CatalogDate(const std::optional<double>& date);

// Reads every live row of MSysObjects. Throws FormatError when page 2 is not
// its definition, a needed column is missing, a row is damaged, or a row's
// table definition or property block lies past the end of the file.
std::vector<CatalogEntry> ReadCatalog(PageFile& pages, const TextDecoder& text);

}  // namespace tabulon::jet
