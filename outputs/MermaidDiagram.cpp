#include <outputs/MermaidDiagram.h>

#include <dao/ObjectModel.h>
#include <text/Utf8.h>

namespace tabulon::outputs {

namespace {

bool IsUnicodeSpace(char32_t cp) {
  return cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 ||
         cp == 0x2029 || cp == 0x202F || cp == 0x205F || cp == 0x3000 || cp == 0xFEFF;
}

bool IsAsciiLetterOrDigit(char32_t cp) {
  return (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z') || (cp >= '0' && cp <= '9');
}

// Text for a label or comment between Mermaid's double quotes. ASCII
// punctuation is markup to Mermaid, Markdown or HTML; spaces are trimmed,
// collapsed or end a word ("direction TB" anywhere on a line is a
// statement); '°' and '¶' are part of the placeholders Mermaid writes for
// entity codes. Every one of them is written as an entity code.
std::string Label(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t cp = DecodeUtf8(text, pos);
    if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0xFFFE || cp == 0xFFFF) {
      cp = ReplacementCharacter;
    }
    if (IsAsciiLetterOrDigit(cp) ||
        (cp >= 0xA0 && cp != 0xB0 && cp != 0xB6 && !IsUnicodeSpace(cp))) {
      AppendUtf8(out, cp);
    } else {
      out += "#" + std::to_string(static_cast<std::uint32_t>(cp)) + ";";
    }
  }
  // Mermaid's quoted strings are not empty.
  return out.empty() ? "#32;" : out;
}

// The column's name as an attribute name, which Mermaid 10 takes only as
// an ASCII word, or "" when it is none.
std::string AttributeWord(std::string_view name) {
  if (name.empty() || !((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
    return "";
  }
  for (const char c : name) {
    if (!IsAsciiLetterOrDigit(static_cast<unsigned char>(c)) && c != '_') return "";
  }
  if (name.size() == 2) {
    const char a = static_cast<char>(name[0] | 0x20);
    const char b = static_cast<char>(name[1] | 0x20);
    if ((a == 'p' || a == 'f' || a == 'u') && b == 'k') return "";  // a key mark
  }
  return std::string(name);
}

std::string TypeWord(std::int32_t type) {
  switch (type) {
    case dao::dbBoolean:
      return "yesno";
    case dao::dbByte:
      return "byte";
    case dao::dbInteger:
      return "integer";
    case dao::dbLong:
      return "long";
    case dao::dbCurrency:
      return "currency";
    case dao::dbSingle:
      return "single";
    case dao::dbDouble:
      return "double";
    case dao::dbDate:
      return "datetime";
    case dao::dbBinary:
      return "binary";
    case dao::dbText:
      return "text";
    case dao::dbLongBinary:
      return "ole";
    case dao::dbMemo:
      return "memo";
    case dao::dbGUID:
      return "guid";
    case dao::dbBigInt:
      return "bigint";
    case dao::dbVarBinary:
      return "varbinary";
    case dao::dbChar:
      return "char";
    case dao::dbNumeric:
      return "numeric";
    case dao::dbDecimal:
      return "decimal";
    case dao::dbFloat:
      return "float";
    case dao::dbTime:
      return "time";
    case dao::dbTimeStamp:
      return "timestamp";
    case dao::dbAttachment:
      return "attachment";
    case dao::dbComplexByte:
      return "byte_list";
    case dao::dbComplexInteger:
      return "integer_list";
    case dao::dbComplexLong:
      return "long_list";
    case dao::dbComplexSingle:
      return "single_list";
    case dao::dbComplexDouble:
      return "double_list";
    case dao::dbComplexGUID:
      return "guid_list";
    case dao::dbComplexDecimal:
      return "decimal_list";
    case dao::dbComplexText:
      return "text_list";
    default:
      return "unknown";
  }
}

}  // namespace

std::string MermaidErDiagram(const RelationGraph& graph) {
  if (graph.Tables.empty()) return "";
  const auto id = [](std::size_t table) { return "t" + std::to_string(table); };
  std::string out = "erDiagram\n";
  for (std::size_t i = 0; i < graph.Tables.size(); ++i) {
    const GraphTable& table = graph.Tables[i];
    out += "    " + id(i) + "[\"" + Label(table.Name) + "\"]";
    if (table.Columns.empty()) {
      out += "\n";
      continue;
    }
    out += " {\n";
    for (std::size_t c = 0; c < table.Columns.size(); ++c) {
      const KeyColumn& column = table.Columns[c];
      std::string name = AttributeWord(column.Name);
      const bool renamed = name.empty();
      if (renamed) name = "f" + std::to_string(c + 1);
      out += "        " + TypeWord(column.Type) + " " + name;
      out += column.Primary && column.Foreign ? " PK, FK" : column.Primary ? " PK" : " FK";
      if (renamed) out += " \"" + Label(column.Name) + "\"";
      out += "\n";
    }
    out += "    }\n";
  }
  for (const GraphEdge& edge : graph.Edges) {
    const bool unique = (edge.Attributes & dao::dbRelationUnique) != 0;
    const bool enforced = (edge.Attributes & dao::dbRelationDontEnforce) == 0;
    out += "    " + id(edge.Table) + " ||" + (enforced ? "--" : "..") + (unique ? "o|" : "o{") +
           " " + id(edge.ForeignTable) + " : \"" + Label(edge.Name) + "\"\n";
  }
  return out;
}

}  // namespace tabulon::outputs
