#include <outputs/MermaidDiagram.h>

#include <set>

#include <dao/ObjectModel.h>
#include <text/Utf8.h>

namespace tabulon::outputs {

namespace {

bool IsUnicodeSpace(char32_t cp) {
  return cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 ||
         cp == 0x202F || cp == 0x205F || cp == 0x3000 || cp == 0xFEFF;
}

// Text inside Mermaid's double quotes: no quote, no '%' (it starts a
// comment even there), no backslash, no control character.
std::string Quotable(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp < 0x20 || cp == 0x7F || cp == '"' || cp == '%' || cp == '\\') {
      out += '_';
    } else {
      AppendUtf8(out, cp);
    }
  }
  return out;
}

// An attribute word of Mermaid's grammar.
std::string AttributeWord(std::string_view text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = DecodeUtf8(text, pos);
    const bool ascii = (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z') ||
                       (cp >= '0' && cp <= '9') || cp == '_';
    if (ascii || (cp >= 0xC0 && !IsUnicodeSpace(cp) && cp != ReplacementCharacter)) {
      AppendUtf8(out, cp);
    } else {
      out += '_';
    }
  }
  if (out.empty() || (out[0] >= '0' && out[0] <= '9')) out.insert(0, "_");
  // A word that starts with a key mark followed by no ASCII word character
  // would be read as the mark.
  if (out.size() >= 2) {
    const char a = static_cast<char>(out[0] | 0x20);
    const char b = static_cast<char>(out[1] | 0x20);
    const bool mark = (a == 'p' || a == 'f' || a == 'u') && b == 'k';
    const bool ends = out.size() == 2 || static_cast<unsigned char>(out[2]) >= 0x80;
    if (mark && ends) out.insert(0, "_");
  }
  return out;
}

}  // namespace

std::string MermaidErDiagram(const RelationGraph& graph, const Wording& words) {
  if (graph.Tables.empty()) return "";
  std::vector<std::string> names;
  std::set<std::string> used;
  for (const GraphTable& table : graph.Tables) {
    std::string name = Quotable(table.Name);
    if (name.empty()) name = "_";
    std::string unique = name;
    for (int n = 2; used.contains(unique); ++n) unique = name + "_" + std::to_string(n);
    used.insert(unique);
    names.push_back("\"" + unique + "\"");
  }
  std::string out = "erDiagram\n";
  for (std::size_t i = 0; i < graph.Tables.size(); ++i) {
    const GraphTable& table = graph.Tables[i];
    if (table.Columns.empty()) {
      out += "    " + names[i] + "\n";
      continue;
    }
    out += "    " + names[i] + " {\n";
    for (const KeyColumn& column : table.Columns) {
      const std::string name = AttributeWord(column.Name);
      out += "        " + AttributeWord(words.FieldTypeText(column.Type)) + " " + name;
      out += column.Primary && column.Foreign ? " PK, FK" : column.Primary ? " PK" : " FK";
      if (name != column.Name) out += " \"" + Quotable(column.Name) + "\"";
      out += "\n";
    }
    out += "    }\n";
  }
  for (const GraphEdge& edge : graph.Edges) {
    const bool unique = (edge.Attributes & dao::dbRelationUnique) != 0;
    const bool enforced = (edge.Attributes & dao::dbRelationDontEnforce) == 0;
    out += "    " + names[edge.Table] + " ||" + (enforced ? "--" : "..") + (unique ? "o|" : "o{") +
           " " + names[edge.ForeignTable] + " : \"" + Quotable(edge.Name) + "\"\n";
  }
  return out;
}

}  // namespace tabulon::outputs
