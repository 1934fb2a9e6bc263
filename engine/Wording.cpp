#include <engine/Wording.h>

#include <array>
#include <span>

namespace tabulon {

namespace {

struct MaskWord {
  std::uint32_t Mask;
  std::string_view Word;
};

// A table's or field's words: every row whose mask shares a bit with the
// value adds its word, in the table's order.
template <class WordOf>
std::string JoinMatchingWords(std::int32_t value, std::span<const MaskWord> table, WordOf wordOf) {
  std::string text;
  for (const MaskWord& row : table) {
    if ((static_cast<std::uint32_t>(value) & row.Mask) != 0) {
      text += ',';
      text += wordOf(row.Word);
    }
  }
  if (text.size() <= 1) return std::string(NoWords);  // nothing, or one empty word
  return text.substr(1);
}

constexpr std::array<MaskWord, 6> TableAttributeWords{{
    {0x10000, "排他Modeで開いたLinkTable"},
    {0x20000, "UserIDとPasswordが接続情報と共に保存されるRemoteTable"},
    {0x80000002, "System Table"},
    {0x1, "非表示のTable"},
    {0x40000000, "非ODBC DataSourceのLinkTable"},
    {0x20000000, "ODBC DataSourceのLinkTable"},
}};

// dbFixedField and dbDescending share the value 1, so bit 0 gives both.
constexpr std::array<MaskWord, 7> FieldAttributeKeys{{
    {0x1, "dbFixedField"},
    {0x2, "dbVariableField"},
    {0x10, "dbAutoIncrField"},
    {0x20, "dbUpdatableField"},
    {0x2000, "dbSystemField"},
    {0x8000, "dbHyperlinkField"},
    {0x1, "dbDescending"},
}};

constexpr std::array<MaskWord, 7> RelationAttributeWords{{
    {0x1, "RelationUnique"},
    {0x2, "RelationDontEnforce"},
    {0x4, "dbRelationInherited"},
    {0x100, "Field連鎖更新"},
    {0x1000, "Record連鎖削除"},
    {0x1000000, "左外部結合"},
    {0x2000000, "右外部結合"},
}};

struct TypeKey {
  std::int32_t Code;
  std::string_view Key;
};

constexpr std::array<TypeKey, 21> FieldTypeKeys{{
    {1, "dbBoolean"},    {2, "dbByte"},     {3, "dbInteger"},     {4, "dbLong"},
    {5, "dbCurrency"},   {6, "dbSingle"},   {7, "dbDouble"},      {8, "dbDate"},
    {9, "dbBinary"},     {10, "dbText"},    {11, "dbLongBinary"}, {12, "dbMemo"},
    {15, "dbGUID"},      {16, "dbBigInt"},  {17, "dbVarBinary"},  {18, "dbChar"},
    {19, "dbNumeric"},   {20, "dbDecimal"}, {21, "dbFloat"},      {22, "dbTime"},
    {23, "dbTimeStamp"},
}};

}  // namespace

void Wording::SetStyles(WordStyle typeStyle, WordStyle attrStyle) {
  TypeSection = "FIELD_TYPE_" + std::to_string(static_cast<int>(typeStyle));
  AttrSection = "FIELD_ATTR_" + std::to_string(static_cast<int>(attrStyle));
}

std::string Wording::Lookup(std::string_view section, std::string_view key) const {
  if (auto word = Words.Find(section, key)) return *word;
  return std::string(key);
}

std::string Wording::FieldTypeText(std::int32_t type) const {
  for (const TypeKey& row : FieldTypeKeys) {
    if (row.Code == type) return Lookup(TypeSection, row.Key);
  }
  return "UnKnown (" + std::to_string(type) + ")";
}

std::string Wording::FieldAttributesText(std::int32_t attributes) const {
  return JoinMatchingWords(attributes, FieldAttributeKeys,
                           [this](std::string_view key) { return Lookup(AttrSection, key); });
}

std::string TableAttributesText(std::int32_t attributes) {
  return JoinMatchingWords(attributes, TableAttributeWords,
                           [](std::string_view word) { return std::string(word); });
}

std::string RelationAttributesText(std::int32_t attributes) {
  return JoinMatchingWords(attributes, RelationAttributeWords,
                           [](std::string_view word) { return std::string(word); });
}

}  // namespace tabulon
