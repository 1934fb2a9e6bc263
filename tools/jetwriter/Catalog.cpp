#include <tools/jetwriter/Catalog.h>

#include <jet/JetFormat.h>

namespace tabulon::jetwriter {

namespace {

// Every column of the engine tables carries the replication flag 0x10.
constexpr std::uint8_t EngineColumn = 0x10;
constexpr std::uint8_t SidColumn = 0x20;
constexpr std::uint16_t NameBytes = 510;

ColumnDef Def(const char* name, std::uint8_t type, std::uint16_t length,
              std::uint8_t extraFlags = 0) {
  ColumnDef def;
  def.Name = name;
  def.JetType = type;
  def.Length = length;
  def.Flags = jet::ColumnUpdatable | EngineColumn;
  if (FixedLength(type) != 0) def.Flags |= jet::ColumnFixed;
  if (extraFlags != 0) def.Flags |= extraFlags;
  if (type == jet::ColText || type == jet::ColMemo) {
    def.Misc[0] = GeneralSortOrder & 0xFF;
    def.Misc[1] = GeneralSortOrder >> 8;
  }
  return def;
}

TableLayout Make(std::vector<ColumnDef> columns) {
  TableLayout layout;
  layout.Columns = std::move(columns);
  AssignLayout(layout);
  return layout;
}

Cell Long(std::int32_t v) {
  ByteSink out;
  out.U32(static_cast<std::uint32_t>(v));
  return Cell{true, out.Take()};
}

Cell Text(const std::string& v) { return Cell{true, Utf16(v)}; }

}  // namespace

TableLayout MSysObjectsLayout() {
  return Make({Def("Id", jet::ColLong, 4), Def("ParentId", jet::ColLong, 4),
               Def("Name", jet::ColText, NameBytes), Def("Type", jet::ColInteger, 2),
               Def("DateCreate", jet::ColDateTime, 8), Def("DateUpdate", jet::ColDateTime, 8),
               Def("Owner", jet::ColBinary, NameBytes, SidColumn), Def("Flags", jet::ColLong, 4),
               Def("Database", jet::ColMemo, 0), Def("Connect", jet::ColMemo, 0),
               Def("ForeignName", jet::ColText, NameBytes),
               Def("RmtInfoShort", jet::ColBinary, NameBytes), Def("RmtInfoLong", jet::ColOle, 0),
               Def("Lv", jet::ColOle, 0), Def("LvProp", jet::ColOle, 0),
               Def("LvModule", jet::ColOle, 0), Def("LvExtra", jet::ColOle, 0)});
}

TableLayout MSysACEsLayout() {
  return Make({Def("ObjectId", jet::ColLong, 4), Def("SID", jet::ColBinary, NameBytes, SidColumn),
               Def("ACM", jet::ColLong, 4), Def("FInheritable", jet::ColBoolean, 1)});
}

TableLayout MSysQueriesLayout() {
  return Make({Def("ObjectId", jet::ColLong, 4), Def("Attribute", jet::ColByte, 1),
               Def("Order", jet::ColBinary, NameBytes), Def("Name1", jet::ColText, NameBytes),
               Def("Name2", jet::ColText, NameBytes), Def("Expression", jet::ColMemo, 0),
               Def("Flag", jet::ColInteger, 2), Def("LvExtra", jet::ColLong, 4)});
}

TableLayout MSysRelationshipsLayout() {
  return Make({Def("szRelationship", jet::ColText, NameBytes), Def("grbit", jet::ColLong, 4),
               Def("ccolumn", jet::ColLong, 4), Def("icolumn", jet::ColLong, 4),
               Def("szObject", jet::ColText, NameBytes), Def("szColumn", jet::ColText, NameBytes),
               Def("szReferencedObject", jet::ColText, NameBytes),
               Def("szReferencedColumn", jet::ColText, NameBytes)});
}

ByteVector EncodeCatalogRow(const TableLayout& layout, const CatalogEntry& entry) {
  std::vector<Cell> cells(layout.Columns.size());
  ByteSink type;
  type.U16(static_cast<std::uint16_t>(entry.Type));
  ByteSink created, updated;
  created.F64(entry.Created.Days);
  updated.F64(entry.Updated.Days);
  cells[0] = Long(entry.Id);
  cells[1] = Long(entry.ParentId);
  cells[2] = Text(entry.Name);
  cells[3] = Cell{true, type.Take()};
  cells[4] = Cell{true, created.Take()};
  cells[5] = Cell{true, updated.Take()};
  // Owner SIDs as the engine writes them: its own objects, and the Admin user's.
  cells[6] = Cell{true, entry.EngineOwned ? ByteVector{0xA7, 0x31} : ByteVector{0xA6, 0x33}};
  cells[7] = Long(static_cast<std::int32_t>(entry.Flags));
  if (!entry.Database.empty()) cells[8] = Cell{true, entry.Database};
  if (!entry.Connect.empty()) cells[9] = Cell{true, entry.Connect};
  if (!entry.ForeignName.empty()) cells[10] = Text(entry.ForeignName);
  if (!entry.LvProp.empty()) cells[14] = Cell{true, entry.LvProp};
  return EncodeRow(layout, cells);
}

ByteVector EncodeQueryRow(const TableLayout& layout, const QueryEntry& entry) {
  std::vector<Cell> cells(layout.Columns.size());
  cells[0] = Long(entry.ObjectId);
  cells[1] = Cell{true, ByteVector{entry.Attribute}};
  // The order counter is stored big-endian, so that its bytes sort as numbers.
  cells[2] = Cell{true, ByteVector{static_cast<std::uint8_t>(entry.Order >> 24),
                                   static_cast<std::uint8_t>(entry.Order >> 16),
                                   static_cast<std::uint8_t>(entry.Order >> 8),
                                   static_cast<std::uint8_t>(entry.Order)}};
  if (!entry.Name1.empty()) cells[3] = Text(entry.Name1);
  if (!entry.Name2.empty()) cells[4] = Text(entry.Name2);
  if (!entry.Expression.empty()) cells[5] = Cell{true, entry.Expression};
  if (entry.Flag) {
    ByteSink flag;
    flag.U16(static_cast<std::uint16_t>(*entry.Flag));
    cells[6] = Cell{true, flag.Take()};
  }
  if (entry.Extra != 0) cells[7] = Long(entry.Extra);
  return EncodeRow(layout, cells);
}

ByteVector EncodeRelationshipRow(const TableLayout& layout, const RelationshipEntry& entry) {
  std::vector<Cell> cells{Text(entry.Name),         Long(entry.Attributes),
                          Long(entry.ColumnCount),  Long(entry.ColumnIndex),
                          Text(entry.ForeignTable), Text(entry.ForeignColumn),
                          Text(entry.Table),        Text(entry.Column)};
  return EncodeRow(layout, cells);
}

}  // namespace tabulon::jetwriter
