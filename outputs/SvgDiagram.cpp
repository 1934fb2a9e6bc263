#include <outputs/SvgDiagram.h>

#include <memory>
#include <stdexcept>

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <dao/ObjectModel.h>
#include <outputs/RelationGraph.h>
#include <text/Utf8.h>

namespace tabulon::outputs {

namespace {

constexpr const char* FontList = "IPAGothic, Noto Sans CJK JP, sans-serif";

struct ContextClose {
  void operator()(GVC_t* context) const { gvFreeContext(context); }
};
struct GraphClose {
  void operator()(Agraph_t* graph) const { agclose(graph); }
};

// A laid-out graph frees its layout before the graph is closed.
class Layout {
 public:
  Layout(GVC_t* context, Agraph_t* graph) : FContext(context), FGraph(graph) {
    if (gvLayout(context, graph, "dot") != 0) throw std::runtime_error("Graphviz: layout failed");
  }
  ~Layout() { gvFreeLayout(FContext, FGraph); }
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

 private:
  GVC_t* FContext;
  Agraph_t* FGraph;
};

// cgraph takes char* for names and values it does not change.
char* Chars(const std::string& text) { return const_cast<char*>(text.c_str()); }

void Set(void* object, const std::string& name, const std::string& value) {
  agsafeset(object, Chars(name), Chars(value), Chars(std::string()));
}

void SetHtml(Agraph_t* graph, void* object, const std::string& name, const std::string& html) {
  char* label = agstrdup_html(graph, Chars(html));
  agsafeset(object, Chars(name), label, Chars(std::string()));
  agstrfree(graph, label);
}

// Text for an HTML-like label. Graphviz reads \N, \G, \E, \T, \H and \L
// there too, as names of its own, and draws a doubled backslash as one.
std::string LabelText(std::string_view text) {
  std::string out;
  for (const char c : XmlEscape(text)) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string TableLabel(const GraphTable& table) {
  std::string html = R"(<TABLE BORDER="0" CELLBORDER="1" CELLSPACING="0" CELLPADDING="4">)"
                     R"(<TR><TD BGCOLOR="#dce6f2"><B>)" +
                     LabelText(table.Name) + "</B></TD></TR>";
  for (const KeyColumn& column : table.Columns) {
    const std::string mark = column.Primary && column.Foreign ? "PK FK"
                             : column.Primary                 ? "PK"
                                                              : "FK";
    html += R"(<TR><TD ALIGN="LEFT">)" + mark + " " + LabelText(column.Name) + "</TD></TR>";
  }
  return html + "</TABLE>";
}

std::string EdgeLabel(const GraphEdge& edge) {
  std::string html = LabelText(edge.Name);
  for (const FieldPair& pair : edge.Fields) {
    html += "<BR/>" + LabelText(pair.Name) + " → " + LabelText(pair.ForeignName);
  }
  const std::int32_t bits = edge.Attributes;
  html += (bits & dao::dbRelationUnique) != 0 ? "<BR/>1 : 1" : "<BR/>1 : n";
  html += (bits & dao::dbRelationDontEnforce) != 0 ? "、参照整合性なし" : "、参照整合性あり";
  if ((bits & dao::dbRelationUpdateCascade) != 0) html += "<BR/>連鎖更新";
  if ((bits & dao::dbRelationDeleteCascade) != 0) html += "<BR/>連鎖削除";
  if ((bits & dao::dbRelationCascadeNull) != 0) html += "<BR/>連鎖 Null 設定";
  const std::int32_t cascades =
      dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade | dao::dbRelationCascadeNull;
  if ((bits & cascades) == 0) html += "<BR/>連鎖なし";
  return html;
}

void AddGraph(Agraph_t* graph, Agraph_t* parent, const RelationGraph& tables,
              const std::string& prefix) {
  std::vector<Agnode_t*> nodes;
  for (std::size_t i = 0; i < tables.Tables.size(); ++i) {
    Agnode_t* node = agnode(parent, Chars(prefix + std::to_string(i)), 1);
    SetHtml(graph, node, "label", TableLabel(tables.Tables[i]));
    nodes.push_back(node);
  }
  for (std::size_t i = 0; i < tables.Edges.size(); ++i) {
    const GraphEdge& edge = tables.Edges[i];
    Agedge_t* drawn = agedge(parent, nodes[edge.Table], nodes[edge.ForeignTable],
                             Chars(prefix + "e" + std::to_string(i)), 1);
    SetHtml(graph, drawn, "label", EdgeLabel(edge));
    Set(drawn, "arrowhead", (edge.Attributes & dao::dbRelationUnique) != 0 ? "tee" : "crow");
    if ((edge.Attributes & dao::dbRelationDontEnforce) != 0) Set(drawn, "style", "dashed");
  }
}

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = DecodeUtf8(text, pos);
    switch (cp) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        // XML 1.0 allows no C0 control but tab and line breaks, and neither
        // U+FFFE nor U+FFFF; none of them belongs in a name.
        if (cp < 0x20 || cp == 0x7F || cp == 0xFFFE || cp == 0xFFFF) {
          out += ' ';
        } else {
          AppendUtf8(out, cp);
        }
    }
  }
  return out;
}

std::string DatabaseSvgDiagram(const schema::Database& database, std::string_view name) {
  std::size_t userTables = 0;
  if (database.Tables.Ok()) {
    for (const auto& table : *database.Tables) {
      if (table.Ok() && !schema::IsSystemTable(*table)) ++userTables;
    }
  }
  const bool whole = userTables <= MaxTablesDrawnWhole;
  const RelationGraph graph = BuildRelationGraph(database, whole);
  std::string title = std::string(name) + " の ER 図";
  if (!whole) {
    title += "（テーブル " + std::to_string(userTables) +
             " 個。関連するテーブルのグループごとに描き、リレーションシップのない " +
             std::to_string(userTables - std::min(userTables, graph.Tables.size())) + " 個は省略）";
  }

  std::unique_ptr<GVC_t, ContextClose> context(gvContext());
  if (!context) throw std::runtime_error("Graphviz: no context");
  std::unique_ptr<Agraph_t, GraphClose> drawing(agopen(Chars("ER"), Agdirected, nullptr));
  if (!drawing) throw std::runtime_error("Graphviz: no graph");
  Agraph_t* root = drawing.get();
  Set(root, "rankdir", "LR");
  Set(root, "fontname", FontList);
  SetHtml(root, root, "label", LabelText(title));
  Set(root, "labelloc", "t");
  agattr(root, AGNODE, Chars("shape"), Chars("plaintext"));
  agattr(root, AGNODE, Chars("fontname"), Chars(FontList));
  agattr(root, AGNODE, Chars("fontsize"), Chars("11"));
  agattr(root, AGEDGE, Chars("fontname"), Chars(FontList));
  agattr(root, AGEDGE, Chars("fontsize"), Chars("9"));
  agattr(root, AGEDGE, Chars("dir"), Chars("both"));
  agattr(root, AGEDGE, Chars("arrowtail"), Chars("tee"));
  if (whole) {
    AddGraph(root, root, graph, "t");
  } else {
    const std::vector<RelationGraph> groups = ConnectedGroups(graph);
    for (std::size_t g = 0; g < groups.size(); ++g) {
      const std::string prefix = "g" + std::to_string(g) + "t";
      Agraph_t* cluster = agsubg(root, Chars("cluster" + std::to_string(g)), 1);
      AddGraph(root, cluster, groups[g], prefix);
    }
  }

  const Layout layout(context.get(), root);
  char* data = nullptr;
  unsigned int length = 0;
  if (gvRenderData(context.get(), root, "svg", &data, &length) != 0 || data == nullptr) {
    throw std::runtime_error("Graphviz: rendering failed");
  }
  std::string svg(data, length);
  gvFreeRenderData(data);
  // The graph's own name stays a plain word, as Graphviz also writes it
  // into an XML comment, where "--" would be malformed; the title proper
  // replaces it in the <title> element.
  const std::string placeholder = "<title>ER</title>";
  if (const std::size_t at = svg.find(placeholder); at != std::string::npos) {
    svg.replace(at, placeholder.size(), "<title>" + XmlEscape(title) + "</title>");
  }
  return svg;
}

}  // namespace tabulon::outputs
