#include "Fixtures.h"

#include <fmt/format.h>

#include <tools/jetwriter/JetWriter.h>
#include <tools/jetwriter/SchemaJson.h>

namespace tabulon::test {

jetwriter::Database LoadFixture(const std::string& file) {
  return jetwriter::ReadSchemaJson(ReadBytes(std::filesystem::path(WRITER_FIXTURES) / file));
}

std::string LongMemo(std::size_t characters) {
  std::string text;
  const char* pieces[] = {"表", "ソ", "a", "Z", "9", "　"};
  for (std::size_t i = 0; i < characters; ++i) text += pieces[i % 6];
  return text;
}

std::string LongOleHex(std::size_t bytes) {
  std::string hex;
  for (std::size_t i = 0; i < bytes; ++i) hex += fmt::format("{:02X}", (i * 7 + 3) % 256);
  return hex;
}

jetwriter::Database FeatureFixture() {
  using namespace jetwriter;
  Database db = LoadFixture("features.json");
  Table& customers = db.Tables[0];
  const int memo = FindColumn(customers, "備考");
  const int ole = FindColumn(customers, "写真");
  customers.Rows[1][static_cast<std::size_t>(memo)] = LongMemo(1000);
  customers.Rows[2][static_cast<std::size_t>(memo)] = LongMemo(6000);
  customers.Rows[1][static_cast<std::size_t>(ole)] = LongOleHex(3000);
  customers.Rows[2][static_cast<std::size_t>(ole)] = LongOleHex(10000);

  Table wide;
  wide.Name = "広い表";
  wide.Description = "列と索引の多い表";
  Row row;
  for (int c = 0; c < 180; ++c) {
    Column column;
    column.Name = fmt::format("列{:03d}_長めの名前で定義を広げる", c);
    column.Type = c % 3 == 2 ? dao::dbText : dao::dbLong;
    column.Size = 12;
    // Enough descriptions for a property block that needs a chain of pages.
    column.Description = fmt::format("列{}の説明：定義が複数ページにまたがる表のための列", c);
    wide.Columns.push_back(column);
    row.push_back(c % 3 == 2 ? dao::Variant{fmt::format("v{}", c)} : dao::Variant{std::int64_t{c}});
  }
  wide.Rows.push_back(row);
  for (int i = 0; i < 20; ++i) {
    wide.Indexes.push_back({fmt::format("索引{:02d}", i),
                            {{wide.Columns[static_cast<std::size_t>(i)].Name, i % 2 == 1}},
                            i == 0,
                            false,
                            false,
                            false});
  }
  db.Tables.push_back(std::move(wide));
  return db;
}

std::filesystem::path WriteFixture(const TempDir& dir, const std::string& name,
                                   const jetwriter::Database& db) {
  const std::filesystem::path path = dir / name;
  const jetwriter::ByteVector bytes = jetwriter::WriteDatabase(db).Bytes;
  WriteBytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return path;
}

}  // namespace tabulon::test
