#include <tools/jetwriter/Synthetic.h>

#include <array>
#include <charconv>
#include <random>
#include <set>

#include <fmt/format.h>

#include <tools/jetwriter/SchemaError.h>

namespace tabulon::jetwriter {

namespace {

struct FieldKind {
  const char* Stem;
  std::int32_t Type;
  int Size;
  bool Hyperlink;
};

// The fields of a synthetic table repeat this pattern after the key "ID".
constexpr std::array<FieldKind, 16> SyntheticKinds{{{"名称", dao::dbText, 50, false},
                                                    {"参照ID", dao::dbLong, 0, false},
                                                    {"金額", dao::dbCurrency, 0, false},
                                                    {"登録日", dao::dbDate, 0, false},
                                                    {"有効", dao::dbBoolean, 0, false},
                                                    {"数量", dao::dbInteger, 0, false},
                                                    {"備考", dao::dbMemo, 0, false},
                                                    {"比率", dao::dbDouble, 0, false},
                                                    {"区分", dao::dbByte, 0, false},
                                                    {"コード", dao::dbText, 10, false},
                                                    {"単価", dao::dbDecimal, 0, false},
                                                    {"識別子", dao::dbGUID, 0, false},
                                                    {"係数", dao::dbSingle, 0, false},
                                                    {"ホームページ", dao::dbMemo, 0, true},
                                                    {"画像", dao::dbLongBinary, 0, false},
                                                    {"予備", dao::dbBinary, 16, false}}};

constexpr std::array<const char*, 16> SyntheticTopics{
    "顧客", "商品", "受注", "受注明細", "社員", "部署", "仕入先",     "在庫表",
    "請求", "支払", "出荷", "倉庫",     "見積", "契約", "ソース管理", "表示設定"};

bool IsIndexable(std::int32_t type) { return type != dao::dbMemo && type != dao::dbLongBinary; }

Column SyntheticColumn(const std::string& table, const FieldKind& kind, int serial) {
  Column column;
  column.Name = fmt::format("{}{}", kind.Stem, serial);
  column.Type = kind.Type;
  column.Size = kind.Size;
  column.Hyperlink = kind.Hyperlink;
  if (kind.Type == dao::dbDecimal) {
    column.Precision = 10;
    column.Scale = 2;
  }
  column.Description = fmt::format("{}の{}", table, column.Name);
  switch (kind.Type) {
    case dao::dbText:
      column.Required = serial == 1;
      column.AllowZeroLength = false;
      column.Caption = fmt::format("{}（表示名）", column.Name);
      break;
    case dao::dbCurrency:
    case dao::dbInteger:
    case dao::dbDouble:
    case dao::dbDecimal:
      column.ValidationRule = ">=0";
      column.ValidationText = "0 以上の値を入力してください。";
      column.DefaultValue = "0";
      break;
    case dao::dbDate:
      column.DefaultValue = "=Date()";
      column.Format = "yyyy/mm/dd";
      break;
    case dao::dbBoolean:
      column.DefaultValue = "No";
      column.Format = "Yes/No";
      break;
    default:
      break;
  }
  return column;
}

// A small deterministic generator; the standard distributions differ
// between library versions, so only the engine's raw output is used.
class Random {
 public:
  explicit Random(std::uint64_t seed) : FEngine(seed) {}
  std::uint64_t Next() { return FEngine(); }
  int Below(int n) {
    return n <= 0 ? 0 : static_cast<int>(FEngine() % static_cast<std::uint64_t>(n));
  }
  bool Chance(int percent) { return Below(100) < percent; }
  template <class T, std::size_t N>
  const T& Pick(const std::array<T, N>& items) {
    return items[static_cast<std::size_t>(Below(static_cast<int>(N)))];
  }

 private:
  std::mt19937_64 FEngine;
};

constexpr std::array<const char*, 12> RandomTableStems{
    "Customers", "Orders", "顧客",   "表計算",      "ソート順", "Items",
    "在庫表",    "Staff",  "取引先", "Order Lines", "予定表",   "ソフト"};
constexpr std::array<const char*, 12> RandomColumnStems{"Name",   "Value",  "名前", "金額",
                                                        "表示順", "ソース", "Memo", "Code",
                                                        "日付",   "Amount", "区分", "A<B&C"};
constexpr std::array<const char*, 8> RandomTexts{"alpha", "Beta 2",    "日本語の値",  "表示",
                                                 "ソ連",  "a<b & c>d", "back\\slash", "  spaced"};
constexpr std::array<std::int32_t, 15> RandomTypes{
    dao::dbBoolean,    dao::dbByte,   dao::dbInteger, dao::dbLong,    dao::dbCurrency,
    dao::dbSingle,     dao::dbDouble, dao::dbDate,    dao::dbBinary,  dao::dbText,
    dao::dbLongBinary, dao::dbMemo,   dao::dbGUID,    dao::dbDecimal, dao::dbMemo};

std::string SimpleKeyText(int row) { return fmt::format("K{:03d} KEY", row); }

// A value for a column of a random table; `unique` values differ per row,
// `keyed` values are ones the writer can put in an index.
dao::Variant RandomValue(Random& random, const Column& column, int row, bool unique, bool keyed) {
  if (!unique && !column.Required.value_or(false) && column.Type != dao::dbBoolean &&
      random.Chance(15)) {
    return dao::Null{};
  }
  switch (column.Type) {
    case dao::dbBoolean:
      return random.Chance(50);
    case dao::dbByte:
      return std::int64_t{unique ? row : random.Below(256)};
    case dao::dbInteger:
      return std::int64_t{unique ? row * 3 - 100 : random.Below(65536) - 32768};
    case dao::dbLong:
      return std::int64_t{unique ? row * 1000 + 7
                                 : static_cast<std::int64_t>(random.Next() % 4000000000ull) -
                                       2000000000};
    case dao::dbCurrency:
      return dao::Currency{
          unique ? row * 12345 : static_cast<std::int64_t>(random.Next() % 100000000) - 50000000};
    case dao::dbSingle:
      return static_cast<float>(unique ? row + 0.5 : random.Below(20000) / 8.0 - 1000.0);
    case dao::dbDouble:
      return unique ? row * 1.25 - 3 : random.Below(2000000) / 64.0 - 10000.0;
    case dao::dbDate:
      return dao::Date{unique ? 40000.0 + row
                              : random.Below(80000) - 10000 + random.Below(86400) / 86400.0};
    case dao::dbGUID: {
      dao::Bytes bytes(16);
      for (auto& b : bytes) b = static_cast<std::uint8_t>(random.Next());
      if (unique) bytes[0] = static_cast<std::uint8_t>(row);
      return bytes;
    }
    case dao::dbBinary: {
      dao::Bytes bytes(static_cast<std::size_t>(1 + random.Below(std::min(column.Size, 40))));
      for (auto& b : bytes) b = static_cast<std::uint8_t>(random.Next());
      if (unique) bytes[0] = static_cast<std::uint8_t>(row);
      return bytes;
    }
    case dao::dbLongBinary: {
      dao::Bytes bytes(static_cast<std::size_t>(random.Chance(30) ? 3000 + random.Below(9000)
                                                                  : random.Below(60)));
      for (auto& b : bytes) b = static_cast<std::uint8_t>(random.Next());
      return bytes;
    }
    case dao::dbText: {
      if (unique && column.Size < 8) return std::string(1, "0123456789ABCDEFGHIJ"[row % 20]);
      std::string text = unique  ? SimpleKeyText(row)
                         : keyed ? fmt::format("Value {}", random.Below(50))
                                 : std::string(random.Pick(RandomTexts));
      while (static_cast<int>(text.size()) > column.Size) text.pop_back();
      if (text.empty() || text.back() == ' ') text = "X";
      return text;
    }
    case dao::dbMemo: {
      if (column.Hyperlink) return std::string("ホーム#https://example.com/#");
      std::string text = random.Pick(RandomTexts);
      if (random.Chance(30)) {
        const int repeat = 100 + random.Below(1500);
        for (int i = 0; i < repeat; ++i) text += "表ソ-";
      }
      return text;
    }
    case dao::dbDecimal: {
      const int digits = std::min(column.Precision - column.Scale, 6);
      int limit = 1;
      for (int i = 0; i < digits; ++i) limit *= 10;
      const std::int64_t whole = random.Below(limit) * (random.Chance(50) ? -1 : 1);
      return column.Scale > 0
                 ? fmt::format("{}.{}", whole,
                               std::string(static_cast<std::size_t>(column.Scale), '5'))
                 : std::to_string(whole);
    }
    default:
      return dao::Null{};
  }
}

void RandomProperties(Random& random, Column& column) {
  if (random.Chance(40))
    column.Description = fmt::format("{}の説明 <{}>", column.Name, random.Below(100));
  if (random.Chance(20)) column.Caption = "見出し";
  if (random.Chance(15)) column.Format = "General";
  if (random.Chance(25)) column.ValidationRule = "Is Not Null Or <>\"\\\"";
  if (random.Chance(20)) column.ValidationText = "入力してください";
  if (random.Chance(25) && !column.AutoNumber) column.DefaultValue = "0";
  if (random.Chance(20)) column.Required = random.Chance(50);
  if ((column.Type == dao::dbText || column.Type == dao::dbMemo) && random.Chance(40))
    column.AllowZeroLength = true;
  if (random.Chance(10))
    column.Properties.push_back({"ColumnWidth", dao::dbInteger, std::int64_t{1440}, false});
  if (column.Type == dao::dbGUID && column.AutoNumber) column.DefaultValue = "GenGUID()";
}

}  // namespace

std::optional<SyntheticSize> ParseSyntheticSize(std::string_view spec, std::string& problem) {
  SyntheticSize size;
  std::set<std::string> seen;
  std::size_t pos = 0;
  while (pos <= spec.size()) {
    const std::size_t comma = std::min(spec.find(',', pos), spec.size());
    const std::string_view item = spec.substr(pos, comma - pos);
    const std::size_t equals = item.find('=');
    const std::string key(item.substr(0, equals));
    int value = 0;
    const std::string_view digits =
        equals == std::string_view::npos ? std::string_view() : item.substr(equals + 1);
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || parsed.ec != std::errc() || parsed.ptr != digits.data() + digits.size() ||
        value < 0) {
      problem = fmt::format("\"{}\" is not KEY=NUMBER", item);
      return std::nullopt;
    }
    int* target = key == "tables"      ? &size.Tables
                  : key == "fields"    ? &size.Fields
                  : key == "indexes"   ? &size.Indexes
                  : key == "relations" ? &size.Relations
                  : key == "rows"      ? &size.Rows
                  : key == "edges"     ? &size.Edges
                                       : nullptr;
    if (target == nullptr) {
      problem = fmt::format("unknown key \"{}\"", key);
      return std::nullopt;
    }
    if (!seen.insert(key).second) {
      problem = fmt::format("\"{}\" is given twice", key);
      return std::nullopt;
    }
    *target = value;
    pos = comma + 1;
  }
  if (seen.size() != 4 + seen.count("rows") + seen.count("edges")) {
    problem = "all of tables, fields, indexes and relations are needed";
    return std::nullopt;
  }
  if (size.Tables < 1 || size.Tables > 50000) problem = "tables must be 1 to 50000";
  if (size.Fields < 1 || size.Fields > static_cast<int>(MaxColumns))
    problem = "fields must be 1 to 255";
  if (size.Indexes > static_cast<int>(MaxIndexesPerTable)) problem = "indexes must be 0 to 32";
  if (!problem.empty()) return std::nullopt;
  return size;
}

Table SyntheticRows(int count, bool edges);

Database SyntheticSchema(const SyntheticSize& size) {
  Database db;
  if (size.Rows > 0) db.Tables.push_back(SyntheticRows(size.Rows, size.Edges != 0));
  db.Properties.push_back({"AppTitle", dao::dbText, std::string("合成ベンチマーク"), false});
  std::vector<std::vector<std::string>> references(static_cast<std::size_t>(size.Tables));
  for (int t = 0; t < size.Tables; ++t) {
    Table table;
    table.Name = fmt::format(
        "{}{:04d}", SyntheticTopics[static_cast<std::size_t>(t) % SyntheticTopics.size()], t + 1);
    table.Description = fmt::format("{}の一覧（合成データ）", table.Name);
    if (t % 5 == 4) {
      table.ValidationRule = "[ID]>0";
      table.ValidationText = "ID は正の数です。";
    }
    table.Hidden = t % 50 == 49;
    table.DateCreated = dao::Date{db.Created.Days + t / 100.0};
    Column id;
    id.Name = "ID";
    id.Type = dao::dbLong;
    id.AutoNumber = true;
    id.Description = "主キー";
    table.Columns.push_back(id);
    std::vector<std::string> indexable;
    for (int k = 1; k < size.Fields; ++k) {
      const FieldKind& kind =
          SyntheticKinds[static_cast<std::size_t>(k - 1) % SyntheticKinds.size()];
      table.Columns.push_back(
          SyntheticColumn(table.Name, kind, (k - 1) / static_cast<int>(SyntheticKinds.size()) + 1));
      const std::string& name = table.Columns.back().Name;
      if (kind.Stem == std::string_view("参照ID")) {
        references[static_cast<std::size_t>(t)].push_back(name);
      } else if (IsIndexable(kind.Type)) {
        indexable.push_back(name);
      }
    }
    if (size.Indexes >= 1)
      table.Indexes.push_back({"PrimaryKey", {{"ID", false}}, true, true, false, true});
    for (int i = 1; i < size.Indexes; ++i) {
      if (static_cast<std::size_t>(i - 1) >= indexable.size()) {
        throw SchemaError(fmt::format(
            "indexes={} needs more fields: {} fields give {} indexable ones besides the key",
            size.Indexes, size.Fields, indexable.size()));
      }
      const std::string& name = indexable[static_cast<std::size_t>(i - 1)];
      table.Indexes.push_back(
          {"IX_" + name, {{name, i % 4 == 2}}, false, i % 3 == 0, false, false});
    }
    db.Tables.push_back(std::move(table));
  }
  for (int r = 0; r < size.Relations; ++r) {
    const int foreign = r % size.Tables;
    const int round = r / size.Tables;
    const auto& refs = references[static_cast<std::size_t>(foreign)];
    if (static_cast<std::size_t>(round) >= refs.size()) {
      throw SchemaError(fmt::format(
          "relations={} needs more fields: each table has {} \"参照ID\" fields for {} tables",
          size.Relations, refs.size(), size.Tables));
    }
    int primary = size.Tables > 1 ? (foreign + 1 + round * 7) % size.Tables : foreign;
    if (primary == foreign && size.Tables > 1) primary = (primary + 1) % size.Tables;
    Relationship relation;
    relation.Name = fmt::format("関連{:05d}", r + 1);
    relation.Table = db.Tables[static_cast<std::size_t>(primary)].Name;
    relation.ForeignTable = db.Tables[static_cast<std::size_t>(foreign)].Name;
    relation.Columns.push_back({"ID", refs[static_cast<std::size_t>(round)]});
    static constexpr std::int32_t Attributes[] = {
        0, dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade, dao::dbRelationDontEnforce,
        dao::dbRelationDeleteCascade | dao::dbRelationLeft,
        dao::dbRelationUpdateCascade | dao::dbRelationRight};
    relation.Attributes = size.Indexes >= 1 ? Attributes[r % 5] : dao::dbRelationDontEnforce;
    db.Relationships.push_back(std::move(relation));
  }
  return db;
}

Table SyntheticRows(int count, bool edges) {
  Table table;
  table.Name = "明細";
  table.Description = "行の多い表（合成データ）";
  const auto column = [&](const char* name, std::int32_t type, int size = 0) {
    Column c;
    c.Name = name;
    c.Type = type;
    c.Size = size;
    if (type == dao::dbDecimal) {
      c.Precision = 18;
      c.Scale = 4;
    }
    table.Columns.push_back(std::move(c));
  };
  column("番号", dao::dbLong);
  column("コード", dao::dbText, 20);
  column("名前", dao::dbText, 100);
  column("数量", dao::dbInteger);
  column("単価", dao::dbCurrency);
  column("割合", dao::dbDouble);
  column("重さ", dao::dbSingle);
  column("日付", dao::dbDate);
  column("有効", dao::dbBoolean);
  column("備考", dao::dbMemo);
  column("識別", dao::dbGUID);
  column("十進", dao::dbDecimal);
  std::mt19937_64 random(0x5eed);
  const std::string longMemo = [] {
    std::string text;
    for (int i = 0; i < 600; ++i) text += "長い備考の本文です。";  // 6,000 characters
    return text;
  }();
  table.Rows.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::uint64_t r = random();
    const int edge = edges ? i % 97 : -1;  // every 97th row is an edge of some kind
    Row row(table.Columns.size());
    row[0] = std::int64_t{i + 1};
    row[1] = fmt::format("C{:07d}", i + 1);
    row[2] = edge == 5 ? std::string()
                       : fmt::format("{}{}番", SyntheticTopics[r % SyntheticTopics.size()], i);
    row[3] = edge == 1   ? std::int64_t{-32768}
             : edge == 2 ? std::int64_t{32767}
                         : static_cast<std::int64_t>(r % 1000);
    row[4] = edge == 1   ? dao::Variant(std::string("-922337203685477.5808"))
             : edge == 2 ? dao::Variant(std::string("922337203685477.5807"))
                         : dao::Variant(fmt::format("{}.{:04d}", r % 100000, (r >> 20) % 10000));
    row[5] = edge == 3 ? dao::Variant(dao::Null{})
                       : dao::Variant(static_cast<double>(r % 1000003) / 7.0);
    row[6] = static_cast<double>(static_cast<float>(static_cast<double>(r % 65537) / 3.0));
    row[7] = edge == 4   ? dao::Variant(-1.25)  // 1899-12-29 06:00
             : edge == 6 ? dao::Variant(0.75)   // time only: 18:00
                         : dao::Variant(40000.0 + static_cast<double>(r % 10000) +
                                        static_cast<double>((r >> 16) % 86400) / 86400.0);
    row[8] = (r & 1) != 0;
    row[9] = i % 40 == 7 ? dao::Variant(longMemo + std::to_string(i))
             : edge == 8 ? dao::Variant(dao::Null{})
                         : dao::Variant(fmt::format("備考 {}\t\"引用\"\n二行目", i));
    row[10] = fmt::format("{{{:08X}-{:04X}-{:04X}-{:04X}-{:012X}}}", static_cast<std::uint32_t>(r),
                          (r >> 32) & 0xffff, (r >> 48) & 0xffff, i & 0xffff,
                          static_cast<std::uint64_t>(i) * 2654435761u & 0xffffffffffffu);
    row[11] = edge == 9 ? std::string("-99999999999999.9999")
                        : fmt::format("{}.{:04d}", (r >> 8) % 1000000, r % 10000);
    table.Rows.push_back(std::move(row));
  }
  return table;
}

Database RandomSchema(std::uint64_t seed) {
  Random random(seed);
  Database db;
  db.Created = dao::Date{36000.0 + random.Below(12000) + random.Below(86400) / 86400.0};
  static constexpr std::array<const char*, 4> Passwords{"secret", "パスワード",
                                                        "p@ss;word=", "Case"};
  if (random.Chance(30)) db.Password = random.Pick(Passwords);
  if (random.Chance(50))
    db.Properties.push_back({"AppTitle", dao::dbText, std::string("ランダム"), false});
  if (random.Chance(30))
    db.Properties.push_back({"Build", dao::dbLong, std::int64_t{random.Below(10000)}, true});

  const int tableCount = 1 + random.Below(6);
  // Per table: the name of its single Long key column, if any.
  std::vector<std::string> longKeys;
  std::vector<std::vector<dao::Variant>> keyValues;
  for (int t = 0; t < tableCount; ++t) {
    Table table;
    table.Name = fmt::format("{}{}", random.Pick(RandomTableStems), t);
    table.Hidden = random.Chance(15);
    table.System = random.Chance(10);
    if (random.Chance(50)) table.Description = "テーブル \"" + table.Name + "\"";
    if (random.Chance(25)) {
      table.ValidationRule = "[c0] Is Not Null";
      table.ValidationText = "規則 <必須>";
    }
    if (random.Chance(50)) table.DateCreated = dao::Date{db.Created.Days + random.Below(100)};
    if (table.DateCreated && random.Chance(50))
      table.LastUpdated = dao::Date{table.DateCreated->Days + random.Below(1000) / 7.0};

    const int keyKind =
        random.Below(10);  // 0..5 AutoNumber Long, 6 GUID AutoNumber, 7..8 Text, 9 none
    const int columnCount = 1 + random.Below(24);
    std::string longKey;
    for (int c = 0; c < columnCount; ++c) {
      Column column;
      column.Name = fmt::format("{}{}", c == 0 ? "c" : random.Pick(RandomColumnStems), c);
      if (c == 0 && keyKind <= 5) {
        column.Type = dao::dbLong;
        column.AutoNumber = true;
        longKey = column.Name;
      } else if (c == 0 && keyKind == 6) {
        column.Type = dao::dbGUID;
        column.AutoNumber = true;
      } else if (c == 0 && keyKind <= 8) {
        column.Type = dao::dbText;
        column.Size = 20;
      } else {
        column.Type = random.Pick(RandomTypes);
        column.Size = column.Type == dao::dbText     ? 1 + random.Below(255)
                      : column.Type == dao::dbBinary ? 1 + random.Below(510)
                                                     : 0;
        column.Hyperlink = column.Type == dao::dbMemo && random.Chance(20);
        if (column.Type == dao::dbDecimal) {
          column.Precision = 1 + random.Below(28);
          column.Scale = random.Below(std::min(column.Precision, 6) + 1);
        }
      }
      RandomProperties(random, column);
      table.Columns.push_back(std::move(column));
    }
    // A foreign key column towards an earlier table's Long key.
    int target = -1;
    if (t > 0 && random.Chance(70)) {
      target = random.Below(t + 1);
      if (target < t && longKeys[static_cast<std::size_t>(target)].empty()) target = -1;
      if (target == t && longKey.empty()) target = -1;
      if (target >= 0) {
        Column column;
        column.Name = fmt::format("ref{}", table.Columns.size());
        column.Type = dao::dbLong;
        table.Columns.push_back(std::move(column));
      }
    }

    // Indexes: the key, then a few more.
    std::set<int> uniqueColumns;
    std::set<int> keyedColumns;
    if (keyKind != 9) {
      Index key{"PrimaryKey", {{table.Columns[0].Name, false}}, true, true, false, true};
      if (keyKind >= 7 && table.Columns.size() > 1 && table.Columns[1].Type == dao::dbLong &&
          random.Chance(60)) {
        key.Columns.push_back({table.Columns[1].Name, random.Chance(30)});
        uniqueColumns.insert(1);
        keyedColumns.insert(1);
      }
      table.Indexes.push_back(std::move(key));
      uniqueColumns.insert(0);
      keyedColumns.insert(0);
    }
    const int extra = random.Below(4);
    for (int i = 0; i < extra; ++i) {
      const int c = random.Below(static_cast<int>(table.Columns.size()));
      const Column& column = table.Columns[static_cast<std::size_t>(c)];
      if (!IsIndexable(column.Type) || column.Type == dao::dbDecimal) continue;
      Index index;
      index.Name = fmt::format("ix{}_{}", i, column.Name);
      index.Columns.push_back({column.Name, random.Chance(30)});
      const bool foreignKey =
          target >= 0 && static_cast<std::size_t>(c) + 1 == table.Columns.size();
      index.Unique = column.Type != dao::dbBoolean && !foreignKey && random.Chance(40);
      index.IgnoreNulls = random.Chance(30);
      if (index.Unique) uniqueColumns.insert(c);
      keyedColumns.insert(c);
      table.Indexes.push_back(std::move(index));
    }

    // Rows.
    const int rowCount = random.Below(13);
    std::vector<dao::Variant> keys;
    for (int r = 0; r < rowCount; ++r) {
      Row row;
      for (std::size_t c = 0; c < table.Columns.size(); ++c) {
        const Column& column = table.Columns[c];
        const int ci = static_cast<int>(c);
        if (column.AutoNumber) {
          row.push_back(dao::Empty{});
        } else if (target >= 0 && c + 1 == table.Columns.size()) {
          const auto& pool = target == t ? keys : keyValues[static_cast<std::size_t>(target)];
          row.push_back(
              pool.empty() || random.Chance(20)
                  ? dao::Variant{dao::Null{}}
                  : pool[static_cast<std::size_t>(random.Below(static_cast<int>(pool.size())))]);
        } else {
          row.push_back(RandomValue(random, column, r + 1, uniqueColumns.count(ci) != 0,
                                    keyedColumns.count(ci) != 0));
        }
      }
      if (!longKey.empty()) keys.push_back(std::int64_t{r + 1});
      table.Rows.push_back(std::move(row));
    }
    longKeys.push_back(longKey);
    keyValues.push_back(keys);

    if (target >= 0) {
      Relationship relation;
      relation.Name = fmt::format("rel{}_{}", target, t);
      relation.Table = target == t ? table.Name : db.Tables[static_cast<std::size_t>(target)].Name;
      relation.ForeignTable = table.Name;
      relation.Columns.push_back(
          {target == t ? longKey : longKeys[static_cast<std::size_t>(target)],
           table.Columns.back().Name});
      static constexpr std::array<std::int32_t, 8> Attributes{
          0,
          dao::dbRelationUpdateCascade,
          dao::dbRelationDeleteCascade,
          dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade,
          dao::dbRelationDontEnforce,
          dao::dbRelationDontEnforce | dao::dbRelationLeft,
          dao::dbRelationRight | dao::dbRelationDeleteCascade,
          dao::dbRelationUnique | dao::dbRelationInherited};
      relation.Attributes = random.Pick(Attributes);
      db.Tables.push_back(std::move(table));
      db.Relationships.push_back(std::move(relation));
    } else {
      db.Tables.push_back(std::move(table));
    }
  }
  return db;
}

}  // namespace tabulon::jetwriter
