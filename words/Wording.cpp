#include <words/Wording.h>

#include <dao/ObjectModel.h>

#include <array>
#include <span>

namespace tabulon {

namespace {

using namespace dao;

struct MaskWord {
  std::int32_t Mask;
  std::string_view Word;
};

// A table's or field's words: every row whose mask shares a bit with the
// value adds its word, in the table's order.
template <class WordOf>
std::string JoinMatchingWords(std::int32_t value, std::span<const MaskWord> table, WordOf wordOf) {
  std::string text;
  for (const MaskWord& row : table) {
    if ((value & row.Mask) != 0) {
      text += ',';
      text += wordOf(row.Word);
    }
  }
  if (text.size() <= 1) return std::string(NoWords);  // nothing, or one empty word
  return text.substr(1);
}

constexpr std::array<MaskWord, 6> TableAttributeWords{{
    {dbAttachExclusive, "排他Modeで開いたLinkTable"},
    {dbAttachSavePWD, "UserIDとPasswordが接続情報と共に保存されるRemoteTable"},
    {dbSystemObject, "System Table"},
    {dbHiddenObject, "非表示のTable"},
    {dbAttachedTable, "非ODBC DataSourceのLinkTable"},
    {dbAttachedODBC, "ODBC DataSourceのLinkTable"},
}};

// dbDescending shares dbFixedField's value 1 but belongs to an index's
// fields, never to a table's: its word (still read from words.conf) is not
// given to field attributes, which would call every fixed-size field
// descending.
constexpr std::array<MaskWord, 6> FieldAttributeKeys{{
    {dbFixedField, "dbFixedField"},
    {dbVariableField, "dbVariableField"},
    {dbAutoIncrField, "dbAutoIncrField"},
    {dbUpdatableField, "dbUpdatableField"},
    {dbSystemField, "dbSystemField"},
    {dbHyperlinkField, "dbHyperlinkField"},
}};

constexpr std::array<MaskWord, 7> RelationAttributeWords{{
    {dbRelationUnique, "RelationUnique"},
    {dbRelationDontEnforce, "RelationDontEnforce"},
    {dbRelationInherited, "dbRelationInherited"},
    {dbRelationUpdateCascade, "Field連鎖更新"},
    {dbRelationDeleteCascade, "Record連鎖削除"},
    {dbRelationLeft, "左外部結合"},
    {dbRelationRight, "右外部結合"},
}};

struct TypeKey {
  std::int32_t Code;
  std::string_view Key;
};

constexpr std::array<TypeKey, 21> FieldTypeKeys{{
    {dbBoolean, "dbBoolean"},
    {dbByte, "dbByte"},
    {dbInteger, "dbInteger"},
    {dbLong, "dbLong"},
    {dbCurrency, "dbCurrency"},
    {dbSingle, "dbSingle"},
    {dbDouble, "dbDouble"},
    {dbDate, "dbDate"},
    {dbBinary, "dbBinary"},
    {dbText, "dbText"},
    {dbLongBinary, "dbLongBinary"},
    {dbMemo, "dbMemo"},
    {dbGUID, "dbGUID"},
    {dbBigInt, "dbBigInt"},
    {dbVarBinary, "dbVarBinary"},
    {dbChar, "dbChar"},
    {dbNumeric, "dbNumeric"},
    {dbDecimal, "dbDecimal"},
    {dbFloat, "dbFloat"},
    {dbTime, "dbTime"},
    {dbTimeStamp, "dbTimeStamp"},
}};

constexpr std::array<TypeKey, 9> QueryTypeKeys{{
    {dbQSelect, "dbQSelect"},
    {dbQCrosstab, "dbQCrosstab"},
    {dbQDelete, "dbQDelete"},
    {dbQUpdate, "dbQUpdate"},
    {dbQAppend, "dbQAppend"},
    {dbQMakeTable, "dbQMakeTable"},
    {dbQDDL, "dbQDDL"},
    {dbQSQLPassThrough, "dbQSQLPassThrough"},
    {dbQSetOperation, "dbQSetOperation"},
}};

}  // namespace

void Wording::SetStyles(WordStyle typeStyle, WordStyle attrStyle) {
  TypeSection = "FIELD_TYPE_" + std::to_string(static_cast<int>(typeStyle));
  QueryTypeSection = "QUERY_TYPE_" + std::to_string(static_cast<int>(typeStyle));
  AttrSection = "FIELD_ATTR_" + std::to_string(static_cast<int>(attrStyle));
}

std::string Wording::Lookup(std::string_view section, std::string_view key) const {
  if (auto word = Words.Find(section, key)) return std::move(*word);
  return std::string(key);
}

std::string Wording::FieldTypeText(std::int32_t type) const {
  for (const TypeKey& row : FieldTypeKeys) {
    if (row.Code == type) return Lookup(TypeSection, row.Key);
  }
  return "UnKnown (" + std::to_string(type) + ")";
}

std::string Wording::QueryTypeText(std::int32_t type) const {
  for (const TypeKey& row : QueryTypeKeys) {
    if (row.Code == type) return Lookup(QueryTypeSection, row.Key);
  }
  return "UnKnown (" + std::to_string(type) + ")";
}

std::string Wording::ParameterTypeText(std::int32_t type) const {
  if (type == 0) return Lookup(TypeSection, "dbValue");
  return FieldTypeText(type);
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
