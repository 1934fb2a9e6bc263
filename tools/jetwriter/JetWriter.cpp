#include <tools/jetwriter/JetWriter.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include <fmt/format.h>

#include <jet/JetFormat.h>
#include <jet/QueryRows.h>
#include <tools/jetwriter/Catalog.h>
#include <tools/jetwriter/HeaderPage.h>
#include <tools/jetwriter/IndexPages.h>
#include <tools/jetwriter/LongValues.h>
#include <tools/jetwriter/PageFile.h>
#include <tools/jetwriter/PropertyBlock.h>
#include <tools/jetwriter/SchemaError.h>
#include <tools/jetwriter/TableDefinition.h>
#include <tools/jetwriter/TableLayout.h>
#include <tools/jetwriter/UsageMaps.h>
#include <tools/jetwriter/Validate.h>
#include <tools/jetwriter/Values.h>

namespace tabulon::jetwriter {

namespace {

// The largest row the engine writes on a data page.
constexpr std::size_t MaxRowSize = 4060;

struct TableWork {
  TableLayout Layout;
  std::vector<std::uint32_t> TdefPages;
  std::vector<Row> Values;  // coerced
  std::uint32_t LastAutoNumber = 0;
  std::vector<RowPointer> Rows;
  std::vector<std::uint32_t> DataPages;
  std::vector<std::uint32_t> DataPagesWithRoom;
  std::vector<std::pair<std::vector<std::uint32_t>, std::vector<std::uint32_t>>> LongValuePages;
  std::vector<std::uint32_t> IndexRoots;
  std::vector<std::uint32_t> DistinctKeys;
};

// The pages an engine table's rows went to.
struct PackedRows {
  std::vector<std::uint32_t> Pages;
  std::vector<std::uint32_t> PagesWithRoom;
  std::uint32_t Count = 0;
};

std::string RowWhat(const Table& table, std::size_t row) {
  return fmt::format("table \"{}\", row {}", table.Name, row + 1);
}

// A GUID for an AutoNumber GUID value, derived from its position only.
dao::Bytes GeneratedGuid(std::size_t table, std::size_t row) {
  std::uint64_t state = (std::uint64_t{table} << 32 | row) + 0x9E3779B97F4A7C15ull;
  dao::Bytes bytes;
  for (int half = 0; half < 2; ++half) {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(z >> (8 * i)));
  }
  bytes[7] =
      static_cast<std::uint8_t>((bytes[7] & 0x0F) | 0x40);  // version 4, stored little-endian
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  return bytes;
}

bool IsNull(const dao::Variant& value) { return std::holds_alternative<dao::Null>(value); }

void CoerceRows(const Table& table, std::size_t tableIndex, TableWork& work) {
  // Columns a row leaves out at its end read as Empty; one shared value, so
  // that each value is looked at in place instead of copied.
  static const dao::Variant missing;
  std::int64_t counter = 0;
  for (std::size_t r = 0; r < table.Rows.size(); ++r) {
    Row values;
    for (std::size_t c = 0; c < table.Columns.size(); ++c) {
      const Column& column = table.Columns[c];
      const dao::Variant& given = c < table.Rows[r].size() ? table.Rows[r][c] : missing;
      dao::Variant value;
      try {
        value = CoerceValue(column, given);
      } catch (const SchemaError& error) {
        throw SchemaError(
            fmt::format("{}, column \"{}\": {}", RowWhat(table, r), column.Name, error.what()));
      }
      if (column.AutoNumber && IsNull(value)) {
        if (column.Type == dao::dbLong) {
          if (counter == 0x7FFFFFFF)
            throw SchemaError(
                fmt::format("{}: the AutoNumber range is used up", RowWhat(table, r)));
          value = ++counter;
        } else {
          value = GeneratedGuid(tableIndex, r);
        }
      } else if (column.AutoNumber && column.Type == dao::dbLong) {
        counter = std::max(counter, std::get<std::int64_t>(value));
      }
      if (column.Required.value_or(false) && IsNull(value)) {
        throw SchemaError(
            fmt::format("{}, column \"{}\": the column is required but the value is null",
                        RowWhat(table, r), column.Name));
      }
      if (!column.AllowZeroLength.value_or(true)) {
        if (const auto* text = std::get_if<std::string>(&value); text != nullptr && text->empty()) {
          throw SchemaError(
              fmt::format("{}, column \"{}\": zero-length text is not allowed in this column",
                          RowWhat(table, r), column.Name));
        }
      }
      values.push_back(std::move(value));
    }
    work.Values.push_back(std::move(values));
  }
  work.LastAutoNumber = static_cast<std::uint32_t>(counter);
}

void WriteRows(PageFile& file, const Table& table, TableWork& work) {
  const std::size_t columns = table.Columns.size();
  std::vector<std::vector<Cell>> cells(work.Values.size(), std::vector<Cell>(columns));
  // Long values first, column by column, so each column's pages stay together.
  for (std::size_t c = 0; c < columns; ++c) {
    const ColumnDef& def = work.Layout.Columns[c];
    if (!def.IsLongValue()) continue;
    LongValueStore store(file);
    for (std::size_t r = 0; r < work.Values.size(); ++r) {
      const dao::Variant& value = work.Values[r][c];
      if (IsNull(value)) continue;
      cells[r][c] = Cell{true, store.Store(StoredBytes(table.Columns[c].Type, value))};
    }
    work.LongValuePages.emplace_back(store.Pages(), store.PagesWithRoom());
  }
  RowPacker rows(file, work.TdefPages.front());
  for (std::size_t r = 0; r < work.Values.size(); ++r) {
    for (std::size_t c = 0; c < columns; ++c) {
      const ColumnDef& def = work.Layout.Columns[c];
      const dao::Variant& value = work.Values[r][c];
      if (def.IsLongValue()) continue;
      if (def.IsBoolean()) {
        cells[r][c].Present = std::get<bool>(value);
      } else if (!IsNull(value)) {
        cells[r][c] = Cell{true, StoredBytes(table.Columns[c].Type, value)};
      }
    }
    const ByteVector row = EncodeRow(work.Layout, cells[r]);
    if (row.size() > MaxRowSize) {
      throw SchemaError(fmt::format("{}: the row takes {} bytes; a row holds at most {}",
                                    RowWhat(table, r), row.size(), MaxRowSize));
    }
    work.Rows.push_back(rows.Add(row));
  }
  work.DataPages = rows.Pages();
  work.DataPagesWithRoom = rows.PagesWithRoom();
}

void WriteIndexes(PageFile& file, const Table& table, const TableIndexPlan& plan, TableWork& work) {
  for (std::size_t i = 0; i < plan.Real.size(); ++i) {
    const RealIndexPlan& real = plan.Real[i];
    // The name the user knows this index by, for messages.
    std::string name;
    for (const LogicalIndexPlan& logical : plan.Logical) {
      if (logical.Real == static_cast<int>(i) && name.empty()) name = logical.Name;
    }
    const bool unique = (real.Flags & jet::IndexUnique) != 0;
    const bool required = (real.Flags & jet::IndexRequired) != 0;
    const bool ignoreNulls = (real.Flags & jet::IndexIgnoreNulls) != 0;
    std::vector<IndexEntry> entries;
    std::set<ByteVector, BytesOrder> keys;
    std::size_t size = 0;
    for (std::size_t r = 0; r < work.Values.size(); ++r) {
      ByteVector key;
      bool anyNull = false;
      bool allNull = true;
      for (const RealIndexColumn& column : real.Columns) {
        const Column& described = table.Columns[static_cast<std::size_t>(column.Column)];
        const dao::Variant& value = work.Values[r][static_cast<std::size_t>(column.Column)];
        const bool null = IsNull(value);
        anyNull = anyNull || null;
        allNull = allNull && null;
        const auto part = EncodeKeyColumn(described.Type, value, column.Descending);
        if (!part) {
          throw SchemaError(fmt::format(
              "{}, column \"{}\": index \"{}\" cannot hold {}; the writer writes index keys only "
              "for numbers, dates, "
              "Yes/No, GUID, binary and text of letters, digits, space and simple punctuation",
              RowWhat(table, r), described.Name, name, DescribeValue(value)));
        }
        key.insert(key.end(), part->begin(), part->end());
      }
      if (required && anyNull) {
        throw SchemaError(
            fmt::format("{}: index \"{}\" does not allow null values", RowWhat(table, r), name));
      }
      if (ignoreNulls && allNull) continue;
      if (!keys.insert(key).second && unique && !anyNull) {
        throw SchemaError(fmt::format("{}: a second row with the same key in unique index \"{}\"",
                                      RowWhat(table, r), name));
      }
      IndexEntry entry{key, work.Rows[r]};
      size += EntrySize(entry);
      entries.push_back(std::move(entry));
    }
    if (size > LeafCapacity) {
      throw SchemaError(fmt::format(
          "table \"{}\": the keys of index \"{}\" take {} bytes; the writer puts an index on "
          "one page of {} bytes, so the table needs fewer rows",
          table.Name, name, size, LeafCapacity));
    }
    const std::uint32_t page = file.Allocate();
    work.DistinctKeys.push_back(static_cast<std::uint32_t>(keys.size()));
    WriteLeafPage(file.Page(page), work.TdefPages.front(), std::move(entries));
    work.IndexRoots.push_back(page);
  }
}

TdefLinks SizedLinks(const TableLayout& layout, const TableIndexPlan& plan) {
  TdefLinks links;
  links.IndexMaps.assign(plan.Real.size(), 0);
  links.IndexRoots.assign(plan.Real.size(), 0);
  links.DistinctKeys.assign(plan.Real.size(), 0);
  links.OtherTablePages.assign(plan.Logical.size(), 0);
  for (const ColumnDef& column : layout.Columns) {
    if (column.IsLongValue()) links.LongValueMaps.emplace_back(0, 0);
  }
  return links;
}

std::vector<std::uint32_t> AllocateRun(PageFile& file, std::uint32_t count) {
  std::vector<std::uint32_t> pages;
  for (std::uint32_t i = 0; i < count; ++i) pages.push_back(file.Allocate());
  return pages;
}

// The catalog flags the engine gives linked tables.
constexpr std::uint32_t OdbcLinkFlags = 0x20100000;
constexpr std::uint32_t JetLinkFlags = 0x00200000;

// The catalog id of query `q`: after the relationships' and the linked
// tables' ids.
std::int32_t QueryId(const Database& db, std::size_t q) {
  return static_cast<std::int32_t>(0x80000000u + db.Relationships.size() + db.LinkedTables.size() +
                                   q);
}

// The catalog rows: containers, the database object, the engine tables,
// the user tables, the relationships, the linked tables and the queries;
// property blocks and the linked tables' texts go to `properties`.
PackedRows WriteCatalog(PageFile& file, const Database& db, const std::vector<TableWork>& work,
                        LongValueStore& properties) {
  std::vector<CatalogEntry> entries;
  std::vector<ByteVector> blocks;
  auto engineObject = [&](std::int32_t id, std::int32_t parent, const char* name,
                          std::int16_t type) {
    CatalogEntry entry;
    entry.Id = id;
    entry.ParentId = parent;
    entry.Name = name;
    entry.Type = type;
    entry.Created = entry.Updated = db.Created;
    entry.Flags = jet::ObjectFlagSystem;
    entry.EngineOwned = true;
    entries.push_back(entry);
    blocks.emplace_back();
  };
  engineObject(jet::TablesContainerId, jet::RootContainerId, "Tables", jet::ObjectContainer);
  engineObject(jet::DatabasesContainerId, jet::RootContainerId, "Databases", jet::ObjectContainer);
  engineObject(jet::RelationshipsContainerId, jet::RootContainerId, "Relationships",
               jet::ObjectContainer);
  engineObject(jet::MSysDbId, jet::DatabasesContainerId, "MSysDb", jet::ObjectDatabase);
  PropertyBlockBuilder database;
  database.SetObject(DatabaseProperties(db));
  blocks.back() = database.Build();
  engineObject(MSysObjectsPage, jet::TablesContainerId, "MSysObjects", jet::ObjectLocalTable);
  engineObject(MSysACEsPage, jet::TablesContainerId, "MSysACEs", jet::ObjectLocalTable);
  engineObject(MSysQueriesPage, jet::TablesContainerId, "MSysQueries", jet::ObjectLocalTable);
  engineObject(MSysRelationshipsPage, jet::TablesContainerId, "MSysRelationships",
               jet::ObjectLocalTable);

  // Long-value cells of the catalog's texts share the property blocks' pages.
  const auto text = [&](const std::string& value) {
    return value.empty() ? ByteVector{} : properties.Store(Utf16(value));
  };
  for (std::size_t t = 0; t < db.Tables.size(); ++t) {
    const Table& table = db.Tables[t];
    CatalogEntry entry;
    entry.Id = static_cast<std::int32_t>(work[t].TdefPages.front());
    entry.ParentId = jet::TablesContainerId;
    entry.Name = table.Name;
    entry.Type = jet::ObjectLocalTable;
    entry.Created = table.DateCreated.value_or(db.Created);
    entry.Updated = table.LastUpdated.value_or(entry.Created);
    entry.Flags = (table.Hidden ? jet::ObjectFlagHidden : 0u) |
                  (table.System ? jet::ObjectFlagSystemAlt : 0u);
    if (table.OdbcConnect) {
      entry.Type = jet::ObjectLinkedOdbcTable;
      entry.Flags |= OdbcLinkFlags;
      // The engine keeps an ODBC link's connect text without its "ODBC;".
      entry.Connect = text(table.OdbcConnect->substr(5));
      entry.ForeignName = table.ForeignName;
    }
    entries.push_back(entry);
    blocks.push_back(TablePropertyBlock(table));
  }
  // Objects without a TDEF get ids of their own above the page numbers.
  std::uint32_t nextId = 0x80000000u;
  for (const Relationship& relation : db.Relationships) {
    CatalogEntry entry;
    entry.Id = static_cast<std::int32_t>(nextId++);
    entry.ParentId = jet::RelationshipsContainerId;
    entry.Name = relation.Name;
    entry.Type = jet::ObjectRelationship;
    entry.Created = entry.Updated = db.Created;
    entries.push_back(entry);
    blocks.emplace_back();
  }
  for (const LinkedTable& link : db.LinkedTables) {
    CatalogEntry entry;
    entry.Id = static_cast<std::int32_t>(nextId++);
    entry.ParentId = jet::TablesContainerId;
    entry.Name = link.Name;
    entry.Type = jet::ObjectLinkedTable;
    entry.Flags = JetLinkFlags;
    entry.Created = entry.Updated = db.Created;
    entry.Database = text(link.Database);
    entry.Connect = text(link.Connect);
    entry.ForeignName = link.ForeignName;
    entries.push_back(entry);
    blocks.emplace_back();
  }
  for (std::size_t q = 0; q < db.Queries.size(); ++q) {
    const Query& query = db.Queries[q];
    CatalogEntry entry;
    entry.Id = QueryId(db, q);
    entry.ParentId = jet::TablesContainerId;
    entry.Name = query.Name;
    entry.Type = jet::ObjectQuery;
    entry.Flags = static_cast<std::uint32_t>(query.Type);
    entry.Created = query.DateCreated.value_or(db.Created);
    entry.Updated = query.LastUpdated.value_or(entry.Created);
    entries.push_back(entry);
    blocks.emplace_back();
  }

  // Property blocks first, so that their pages stay together.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (!blocks[i].empty()) entries[i].LvProp = properties.Store(blocks[i]);
  }
  const TableLayout layout = MSysObjectsLayout();
  RowPacker rows(file, MSysObjectsPage);
  for (const CatalogEntry& entry : entries) rows.Add(EncodeCatalogRow(layout, entry));
  return {rows.Pages(), rows.PagesWithRoom(), static_cast<std::uint32_t>(entries.size())};
}

// One MSysRelationships row per column pair of every relationship.
PackedRows WriteRelationshipRows(PageFile& file, const Database& db, const TablesByName& tables) {
  const TableLayout layout = MSysRelationshipsLayout();
  RowPacker rows(file, MSysRelationshipsPage);
  std::uint32_t count = 0;
  for (const Relationship& relation : db.Relationships) {
    const std::string& foreignTable =
        db.Tables[static_cast<std::size_t>(tables.at(relation.ForeignTable))].Name;
    const std::string& table = db.Tables[static_cast<std::size_t>(tables.at(relation.Table))].Name;
    for (std::size_t i = 0; i < relation.Columns.size(); ++i) {
      const RelationshipEntry entry{relation.Name,
                                    relation.Attributes,
                                    static_cast<std::int32_t>(relation.Columns.size()),
                                    static_cast<std::int32_t>(i),
                                    foreignTable,
                                    relation.Columns[i].ForeignName,
                                    table,
                                    relation.Columns[i].Name};
      rows.Add(EncodeRelationshipRow(layout, entry));
      ++count;
    }
  }
  return {rows.Pages(), rows.PagesWithRoom(), count};
}

// The code of the type row for a query type.
std::int16_t TypeRowCode(std::int32_t type) {
  switch (type) {
    case dao::dbQMakeTable:
      return 2;
    case dao::dbQAppend:
      return 3;
    case dao::dbQUpdate:
      return 4;
    case dao::dbQDelete:
      return 5;
    case dao::dbQCrosstab:
      return 6;
    case dao::dbQDDL:
      return 7;
    case dao::dbQSQLPassThrough:
      return 8;
    case dao::dbQSetOperation:
      return 9;
    default:
      return 1;
  }
}

// The MSysQueries rows of one query, in the order Access writes them.
std::vector<QueryEntry> QueryRows(const Query& query, std::int32_t id, LongValueStore& texts) {
  std::vector<QueryEntry> rows;
  std::map<std::uint8_t, std::uint32_t> counters;
  auto add = [&](std::uint8_t attribute, std::optional<std::int16_t> flag, std::string name1 = "",
                 std::string name2 = "", const std::string& expression = "") {
    QueryEntry row;
    row.ObjectId = id;
    row.Attribute = attribute;
    row.Order = ++counters[attribute];
    row.Name1 = std::move(name1);
    row.Name2 = std::move(name2);
    if (!expression.empty()) row.Expression = texts.Store(Utf16(expression));
    row.Flag = flag;
    rows.push_back(std::move(row));
    return &rows.back();
  };
  const bool verbatim = query.Type == dao::dbQDDL || query.Type == dao::dbQSQLPassThrough;
  add(jet::QueryStart, 0);
  add(jet::QueryType, TypeRowCode(query.Type),
      query.Type == dao::dbQSQLPassThrough ? query.Connect : query.Target, "", query.Sql);
  for (const QueryParameter& parameter : query.Parameters) {
    add(jet::QueryParameter, static_cast<std::int16_t>(parameter.Type), parameter.Name)->Extra =
        parameter.Size;
  }
  if (!verbatim) {
    std::int16_t flags = 0;
    if (query.AllFields) flags |= 0x01;
    if (query.Distinct || (query.Type == dao::dbQSetOperation && !query.UnionAll)) flags |= 0x02;
    if (query.OwnerAccess) flags |= 0x04;
    if (query.DistinctRow) flags |= 0x08;
    if (!query.Top.empty()) flags |= query.Percent ? 0x30 : 0x10;
    add(jet::QueryFlags, flags, query.Top);
  }
  for (std::size_t i = 0; i < query.UnionParts.size(); ++i) {
    add(jet::QueryTable, std::nullopt, "", i == 0 ? "X7YZ_____1" : "X7YZ_____2",
        query.UnionParts[i]);
  }
  for (const QueryTable& table : query.Tables)
    add(jet::QueryTable, std::nullopt, table.Name, table.Alias);
  const QueryColumn* pivot = nullptr;
  for (const QueryColumn& column : query.Columns) {
    std::int16_t flag = column.Value ? static_cast<std::int16_t>(0x8000) : 0;
    if (column.Role == CrosstabRole::RowHeading) flag = 2;
    if (column.Role == CrosstabRole::ColumnHeading) {
      flag = 1;
      pivot = &column;
    }
    add(jet::QueryColumn, flag, column.Alias, column.Target, column.Expression);
  }
  for (const QueryJoin& join : query.Joins)
    add(jet::QueryJoin, static_cast<std::int16_t>(join.Type), join.Left, join.Right, join.On);
  if (!query.Where.empty()) add(jet::QueryWhere, std::nullopt, "", "", query.Where);
  const std::int16_t groupFlag = query.Type == dao::dbQCrosstab ? 2 : 0;
  for (const std::string& group : query.GroupBy) add(jet::QueryGroupBy, groupFlag, "", "", group);
  // A crosstab groups by its column heading too, a group Access marks 1.
  if (pivot) add(jet::QueryGroupBy, 1, "", "", pivot->Expression);
  if (!query.Having.empty()) add(jet::QueryHaving, std::nullopt, "", "", query.Having);
  for (const QueryOrder& order : query.OrderBy)
    add(jet::QueryOrderBy, std::nullopt, order.Descending ? "D" : "", "", order.Expression);
  add(jet::QueryEnd, std::nullopt);
  return rows;
}

// The MSysQueries rows of every query; expressions go to `texts`.
PackedRows WriteQueryRows(PageFile& file, const Database& db, LongValueStore& texts) {
  const TableLayout layout = MSysQueriesLayout();
  RowPacker rows(file, MSysQueriesPage);
  std::uint32_t count = 0;
  for (std::size_t q = 0; q < db.Queries.size(); ++q) {
    for (const QueryEntry& row : QueryRows(db.Queries[q], QueryId(db, q), texts)) {
      rows.Add(EncodeQueryRow(layout, row));
      ++count;
    }
  }
  return {rows.Pages(), rows.PagesWithRoom(), count};
}

}  // namespace

WrittenDatabase WriteDatabase(const Database& db) {
  ValidateSchema(db);
  const TablesByName tables = MapTablesByName(db);
  WrittenDatabase result;
  result.Indexes = PlanIndexes(db, tables);
  const std::vector<TableIndexPlan>& plans = result.Indexes;

  PageFile file;
  AllocateRun(file, 2 + 4);  // header, global map, engine TDEFs

  std::vector<TableWork> work(db.Tables.size());
  for (std::size_t t = 0; t < db.Tables.size(); ++t) {
    for (const Column& column : db.Tables[t].Columns)
      work[t].Layout.Columns.push_back(UserColumnDef(column));
    AssignLayout(work[t].Layout);
    const std::size_t length =
        BuildTdef(work[t].Layout, plans[t], SizedLinks(work[t].Layout, plans[t])).size();
    work[t].TdefPages = AllocateRun(file, TdefPageCount(length));
  }
  for (std::size_t t = 0; t < db.Tables.size(); ++t) {
    CoerceRows(db.Tables[t], t, work[t]);
    WriteRows(file, db.Tables[t], work[t]);
    WriteIndexes(file, db.Tables[t], plans[t], work[t]);
  }

  LongValueStore properties(file);
  const PackedRows catalog = WriteCatalog(file, db, work, properties);
  const PackedRows relationships = WriteRelationshipRows(file, db, tables);
  LongValueStore queryTexts(file);
  const PackedRows queries = WriteQueryRows(file, db, queryTexts);

  // Usage maps, then the TDEFs that point at them.
  RowPacker maps(file, 0);
  auto map = [&](const std::vector<std::uint32_t>& pages) {
    return maps.Add(UsageMapRow(file, pages)).Packed();
  };
  struct EngineTable {
    std::uint32_t Page;
    TableLayout Layout;
    PackedRows Rows;
  };
  const EngineTable engineTables[] = {
      {MSysObjectsPage, MSysObjectsLayout(), catalog},
      {MSysACEsPage, MSysACEsLayout(), {}},
      {MSysQueriesPage, MSysQueriesLayout(), queries},
      {MSysRelationshipsPage, MSysRelationshipsLayout(), relationships}};
  const TableIndexPlan noIndexes;
  for (const EngineTable& table : engineTables) {
    TdefLinks links = SizedLinks(table.Layout, noIndexes);
    links.System = true;
    links.RowCount = table.Rows.Count;
    links.OwnedMap = map(table.Rows.Pages);
    links.FreeMap = map(table.Rows.PagesWithRoom);
    std::size_t longValue = 0;
    for (const ColumnDef& column : table.Layout.Columns) {
      if (!column.IsLongValue()) continue;
      const LongValueStore* store = nullptr;
      if (table.Page == MSysObjectsPage && column.Name == "LvProp") store = &properties;
      if (table.Page == MSysQueriesPage && column.Name == "Expression") store = &queryTexts;
      const std::uint32_t owned = map(store ? store->Pages() : std::vector<std::uint32_t>{});
      const std::uint32_t free = map(store ? store->PagesWithRoom() : std::vector<std::uint32_t>{});
      links.LongValueMaps[longValue++] = {owned, free};
    }
    PlaceTdef(file, {table.Page}, BuildTdef(table.Layout, noIndexes, links));
  }
  for (std::size_t t = 0; t < db.Tables.size(); ++t) {
    TableWork& w = work[t];
    TdefLinks links = SizedLinks(w.Layout, plans[t]);
    links.RowCount = static_cast<std::uint32_t>(w.Rows.size());
    links.AutoNumber = w.LastAutoNumber;
    links.OwnedMap = map(w.DataPages);
    links.FreeMap = map(w.DataPagesWithRoom);
    for (std::size_t i = 0; i < plans[t].Real.size(); ++i) {
      links.IndexMaps[i] = map({w.IndexRoots[i]});
      links.IndexRoots[i] = w.IndexRoots[i];
      links.DistinctKeys[i] = w.DistinctKeys[i];
    }
    for (std::size_t i = 0; i < w.LongValuePages.size(); ++i) {
      links.LongValueMaps[i].first = map(w.LongValuePages[i].first);
      links.LongValueMaps[i].second = map(w.LongValuePages[i].second);
    }
    for (std::size_t i = 0; i < plans[t].Logical.size(); ++i) {
      const int other = plans[t].Logical[i].OtherTable;
      if (other >= 0)
        links.OtherTablePages[i] = work[static_cast<std::size_t>(other)].TdefPages.front();
    }
    PlaceTdef(file, w.TdefPages, BuildTdef(w.Layout, plans[t], links));
    result.Tables.push_back({w.TdefPages.front(), static_cast<std::uint32_t>(w.TdefPages.size()),
                             static_cast<std::uint32_t>(w.Rows.size()), w.LastAutoNumber});
  }

  WriteGlobalMap(file);
  if (file.PageCount() > MaxPages) {
    throw SchemaError(fmt::format("the database needs {} pages; the writer writes at most {}",
                                  file.PageCount(), MaxPages));
  }
  WriteHeaderPage(file.Page(0), db.Created, db.Password);
  result.Bytes = file.Take();
  return result;
}

}  // namespace tabulon::jetwriter
