// What the writer puts into a file is what the engine presents: random
// schemas written, opened through the engine object model, and compared
// member by member.

#include <gtest/gtest.h>

#include <map>

#include <fmt/format.h>

#include <dao/Dao360.h>
#include <jet/JetEngine.h>
#include <text/TextCompare.h>
#include <text/Utf8.h>
#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/Synthetic.h>

#include <tests/support/TestSupport.h>

namespace tabulon::jetwriter {
namespace {

std::string Text(const dao::Variant& value) { return dao::VariantToText(value); }

// The Size the engine gives a column: the declared size of text and
// binary, 0 for memo and OLE, the storage size of the fixed types.
std::int64_t ExpectedSize(const Column& column) {
  static const std::map<std::int32_t, std::int64_t> sizes{
      {dao::dbMemo, 0},   {dao::dbLongBinary, 0}, {dao::dbBoolean, 1},
      {dao::dbByte, 1},   {dao::dbInteger, 2},    {dao::dbLong, 4},
      {dao::dbSingle, 4}, {dao::dbGUID, 16},      {dao::dbDecimal, 16},
  };
  if (column.Type == dao::dbText || column.Type == dao::dbBinary) return column.Size;
  const auto size = sizes.find(column.Type);
  return size != sizes.end() ? size->second : 8;
}

std::int32_t ExpectedAttributes(const Column& column) {
  const bool variable = column.Type == dao::dbText || column.Type == dao::dbBinary ||
                        column.Type == dao::dbMemo || column.Type == dao::dbLongBinary;
  std::int32_t attributes = variable ? dao::dbVariableField : dao::dbFixedField;
  if (column.AutoNumber && column.Type == dao::dbLong) attributes |= dao::dbAutoIncrField;
  if (!column.AutoNumber) attributes |= dao::dbUpdatableField;
  if (column.Hyperlink) attributes |= dao::dbHyperlinkField;
  return attributes;
}

std::optional<std::string> Description(dao::Collection<dao::Property>& properties) {
  try {
    return Text(properties.Item("Description").Value());
  } catch (const dao::EngineError&) {
    return std::nullopt;
  }
}

void CompareField(const Column& column, int position, dao::Field& field) {
  SCOPED_TRACE(column.Name);
  EXPECT_EQ(field.Name(), column.Name);
  EXPECT_EQ(field.Type(), column.Type);
  EXPECT_EQ(Text(field.Size()), std::to_string(ExpectedSize(column)));
  EXPECT_EQ(field.Attributes(), ExpectedAttributes(column));
  EXPECT_EQ(Text(field.OrdinalPosition()), std::to_string(position));
  EXPECT_EQ(field.Required(), column.Required.value_or(false));
  EXPECT_EQ(field.AllowZeroLength(), column.AllowZeroLength.value_or(false));
  EXPECT_EQ(Text(field.DefaultValue()), column.DefaultValue.value_or(""));
  EXPECT_EQ(field.ValidationRule(), column.ValidationRule.value_or(""));
  EXPECT_EQ(field.ValidationText(), column.ValidationText.value_or(""));
  EXPECT_EQ(field.DataUpdatable(), !column.AutoNumber);
  EXPECT_EQ(Description(field.Properties()), column.Description);
}

std::vector<std::string> IndexFieldNames(dao::Index& index) {
  std::vector<std::string> names;
  for (int k = 0; k < index.Fields().Count(); ++k) names.push_back(index.Fields().Item(k).Name());
  return names;
}

void CompareTable(const Database& db, const Table& table, const TableIndexPlan& plan,
                  dao::TableDef& def) {
  SCOPED_TRACE(table.Name);
  EXPECT_EQ(def.Name(), table.Name);
  std::int32_t attributes = table.Hidden ? dao::dbHiddenObject : 0;
  if (table.System) attributes |= dao::dbSystemObject;
  EXPECT_EQ(def.Attributes(), attributes);
  EXPECT_EQ(Text(def.RecordCount()), std::to_string(table.Rows.size()));
  EXPECT_EQ(Text(def.DateCreated()), Text(table.DateCreated.value_or(db.Created)));
  EXPECT_EQ(Text(def.LastUpdated()),
            Text(table.LastUpdated.value_or(table.DateCreated.value_or(db.Created))));
  EXPECT_EQ(Text(def.Updatable()), table.System ? "False" : "True");
  EXPECT_EQ(def.ValidationRule(), table.ValidationRule.value_or(""));
  EXPECT_EQ(def.ValidationText(), table.ValidationText.value_or(""));
  EXPECT_EQ(Description(def.Properties()), table.Description);

  ASSERT_EQ(def.Fields().Count(), static_cast<int>(table.Columns.size()));
  for (std::size_t c = 0; c < table.Columns.size(); ++c) {
    CompareField(table.Columns[c], static_cast<int>(c), def.Fields().Item(static_cast<int>(c)));
  }

  // The referenced table's side of an enforced relationship is the engine's
  // own bookkeeping and is not listed; the referencing side carries the
  // relationship's name.
  int listed = 0;
  for (const LogicalIndexPlan& logical : plan.Logical) {
    if (logical.Type == 2 && logical.Side == 1) continue;
    ++listed;
    SCOPED_TRACE(logical.Name);
    dao::Index& index = def.Indexes().Item(logical.Name);
    const RealIndexPlan& real = plan.Real[static_cast<std::size_t>(logical.Real)];
    EXPECT_EQ(index.Primary(), logical.Type == 1);
    EXPECT_EQ(index.Foreign(), logical.Type == 2);
    EXPECT_EQ(index.Unique(), (real.Flags & 0x01) != 0);
    std::vector<std::string> expected;
    for (const RealIndexColumn& column : real.Columns) {
      expected.push_back(table.Columns[static_cast<std::size_t>(column.Column)].Name);
    }
    EXPECT_EQ(IndexFieldNames(index), expected);
  }
  EXPECT_EQ(def.Indexes().Count(), listed);
}

// A GUID's text from its 16 stored bytes (the first three groups little-
// endian).
std::string GuidText(const dao::Bytes& b) {
  return fmt::format(
      "{{{:02X}{:02X}{:02X}{:02X}-{:02X}{:02X}-{:02X}{:02X}-{:02X}{:02X}-"
      "{:02X}{:02X}{:02X}{:02X}{:02X}{:02X}}}",
      b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
      b[15]);
}

// The rows the writer wrote, in order, value by value; AutoNumber values
// are the engine's and only checked to be there.
void CompareRows(const Table& table, dao::TableDef& def) {
  SCOPED_TRACE(table.Name);
  std::unique_ptr<dao::Recordset> rows = def.OpenRecordset();
  for (const Row& expected : table.Rows) {
    ASSERT_FALSE(rows->Eof());
    for (std::size_t c = 0; c < table.Columns.size(); ++c) {
      const Column& column = table.Columns[c];
      SCOPED_TRACE(column.Name);
      const dao::Variant value = rows->Collect(static_cast<int>(c));
      if (column.AutoNumber) {
        EXPECT_FALSE(std::holds_alternative<dao::Null>(value));
      } else if (const auto* bytes = std::get_if<dao::Bytes>(&expected[c]);
                 bytes != nullptr && column.Type == dao::dbGUID) {
        EXPECT_EQ(value, dao::Variant(GuidText(*bytes)));
      } else if (column.Type == dao::dbBoolean) {
        EXPECT_EQ(value, dao::Variant(expected[c] == dao::Variant(true)));
      } else if (const auto* text = std::get_if<std::string>(&expected[c])) {
        // Random texts are cut at a byte count; the writer stores what a cut
        // character decodes to.
        EXPECT_EQ(value, dao::Variant(SanitizeUtf8(*text)));
      } else {
        EXPECT_EQ(value, expected[c]);
      }
    }
    rows->MoveNext();
  }
  EXPECT_TRUE(rows->Eof());
  EXPECT_THROW(rows->MoveNext(), dao::EngineError);
}

void CompareRelations(const Database& db, dao::Database& opened) {
  std::vector<const Relationship*> sorted;
  for (const Relationship& r : db.Relationships) sorted.push_back(&r);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Relationship* a, const Relationship* b) {
    return CompareNoCase(a->Name, b->Name) < 0;
  });
  ASSERT_EQ(opened.Relations().Count(), static_cast<int>(sorted.size()));
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const Relationship& expected = *sorted[i];
    SCOPED_TRACE(expected.Name);
    dao::Relation& relation = opened.Relations().Item(static_cast<int>(i));
    EXPECT_EQ(relation.Name(), expected.Name);
    EXPECT_EQ(relation.Table(), expected.Table);
    EXPECT_EQ(relation.ForeignTable(), expected.ForeignTable);
    EXPECT_EQ(relation.Attributes(), expected.Attributes);
    ASSERT_EQ(relation.Fields().Count(), static_cast<int>(expected.Columns.size()));
    for (std::size_t k = 0; k < expected.Columns.size(); ++k) {
      dao::Field& field = relation.Fields().Item(static_cast<int>(k));
      EXPECT_EQ(field.Name(), expected.Columns[k].Name);
      EXPECT_EQ(field.ForeignName(), expected.Columns[k].ForeignName);
    }
  }
}

TEST(RoundTrip, RandomSchemasReadBackMemberByMember) {
  test::TempDir dir;
  TDao360 dao(jet::CreateJetEngine());
  for (std::uint64_t seed = 1; seed <= 150; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Database db = RandomSchema(seed);
    const WrittenDatabase written = WriteDatabase(db);
    const std::filesystem::path path = dir / ("seed" + std::to_string(seed) + ".mdb");
    test::WriteBytes(path, std::string(written.Bytes.begin(), written.Bytes.end()));

    std::string error;
    if (!db.Password.empty()) {
      dao.Open(db.Password + "x", path.string(), error);
      EXPECT_FALSE(dao.Connected());
      EXPECT_EQ(error, "パスワードが無効です。");
    }
    dao.Open(db.Password, path.string(), error);
    ASSERT_TRUE(dao.Connected()) << error;
    dao::Database& opened = *dao.Database();

    // Every table the writer made, among the engine's own, sorted by name.
    dao::Collection<dao::TableDef>& tables = opened.TableDefs();
    for (int i = 1; i < tables.Count(); ++i) {
      EXPECT_LE(CompareNoCase(tables.Item(i - 1).Name(), tables.Item(i).Name()), 0);
    }
    for (std::size_t t = 0; t < db.Tables.size(); ++t) {
      CompareTable(db, db.Tables[t], written.Indexes[t], tables.Item(db.Tables[t].Name));
      CompareRows(db.Tables[t], tables.Item(db.Tables[t].Name));
    }
    CompareRelations(db, opened);
    for (const Property& property : db.Properties) {
      bool found = false;
      for (int i = 0; i < opened.Properties().Count(); ++i) {
        found = found || opened.Properties().Item(i).Name() == property.Name;
      }
      EXPECT_TRUE(found) << property.Name;
    }
    dao.Close();
  }
}

TEST(RoundTrip, DecimalDigitsAndCascadeToNullReadBack) {
  Database db;
  db.Tables.resize(2);
  Table& one = db.Tables[0];
  one.Name = "P";
  one.Columns.resize(2);
  one.Columns[0].Name = "ID";
  one.Columns[0].Type = dao::dbLong;
  one.Columns[1].Name = "Amount";
  one.Columns[1].Type = dao::dbDecimal;
  one.Columns[1].Precision = 9;
  one.Columns[1].Scale = 3;
  one.Indexes.push_back({"PrimaryKey", {{"ID", false}}, true, true, false, true});
  one.Rows = {{std::int64_t{1}, std::string("-0.005")},
              {std::int64_t{2}, std::string("123456.789")}};
  Table& many = db.Tables[1];
  many.Name = "C";
  many.Columns.resize(1);
  many.Columns[0].Name = "Ref";
  many.Columns[0].Type = dao::dbLong;
  db.Relationships.push_back(
      {"PC", "P", "C", {{"ID", "Ref"}}, dao::dbRelationUpdateCascade | dao::dbRelationCascadeNull});
  test::TempDir dir;
  const WrittenDatabase written = WriteDatabase(db);
  test::WriteBytes(dir / "d.mdb", std::string(written.Bytes.begin(), written.Bytes.end()));
  TDao360 dao(jet::CreateJetEngine());
  std::string error;
  dao.Open("", (dir / "d.mdb").string(), error);
  ASSERT_TRUE(dao.Connected()) << error;
  dao::Field& field = dao.Database()->TableDefs().Item("P").Fields().Item("Amount");
  EXPECT_EQ(field.Properties().Item("Precision").Value(), dao::Variant(std::int64_t{9}));
  EXPECT_EQ(field.Properties().Item("Scale").Value(), dao::Variant(std::int64_t{3}));
  EXPECT_THROW(
      dao.Database()->TableDefs().Item("P").Fields().Item("ID").Properties().Item("Precision"),
      dao::EngineError);
  CompareRows(db.Tables[0], dao.Database()->TableDefs().Item("P"));
  EXPECT_EQ(dao.Database()->Relations().Item("PC").Attributes(),
            dao::dbRelationUpdateCascade | dao::dbRelationCascadeNull);
}

}  // namespace
}  // namespace tabulon::jetwriter
