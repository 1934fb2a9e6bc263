#pragma once
// Words for the engine's numeric codes: field types, query types and field
// attributes through words.conf in one of three styles each (query types in
// the field types' style), table and relation attributes with fixed words.

#include <cstdint>
#include <string>
#include <string_view>

#include <words/WordsFile.h>

namespace tabulon {

// The three display styles; the numbers are the sections' suffixes.
enum class WordStyle { Long = 1, Middle = 2, Short = 3 };

// One full-width space: what an attribute text is when no word applies, so
// that an empty report cell still shows.
inline constexpr std::string_view NoWords = "\u3000";

class Wording {
 public:
  WordsFile Words;
  std::string TypeSection = "FIELD_TYPE_2";
  std::string AttrSection = "FIELD_ATTR_1";
  std::string QueryTypeSection = "QUERY_TYPE_2";

  // Sets TypeSection to "FIELD_TYPE_<n>", QueryTypeSection to
  // "QUERY_TYPE_<n>" (both of `typeStyle`) and AttrSection to
  // "FIELD_ATTR_<n>".
  void SetStyles(WordStyle typeStyle, WordStyle attrStyle);

  // The wording of a field's Type code in TypeSection; codes without a key
  // give "UnKnown (<code>)".
  std::string FieldTypeText(std::int32_t type) const;

  // The wording of a query's Type code in QueryTypeSection; codes without a
  // key give "UnKnown (<code>)".
  std::string QueryTypeText(std::int32_t type) const;

  // The wording of a parameter's Type: a field type's, or for 0 (any type)
  // the key "dbValue" of TypeSection.
  std::string ParameterTypeText(std::int32_t type) const;

  // The words of a field's Attributes in AttrSection, joined by ",".
  std::string FieldAttributesText(std::int32_t attributes) const;

 private:
  std::string Lookup(std::string_view section, std::string_view key) const;
};

// The fixed words of a table's Attributes, joined by ",".
std::string TableAttributesText(std::int32_t attributes);

// The fixed words of a relation's Attributes, joined by ",".
std::string RelationAttributesText(std::int32_t attributes);

}  // namespace tabulon
