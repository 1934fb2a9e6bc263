#include <outputs/InventoryGraph.h>

#include <map>
#include <set>
#include <stdexcept>

#include <outputs/Graphviz.h>

namespace tabulon::outputs {

namespace {

using namespace graphviz;

// A file as a box: its name, then its folder in grey.
std::string FileLabel(const std::string& path) {
  const std::size_t cut = path.find_last_of('/');
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  const std::string folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
  std::string html = "<B>" + LabelText(name) + "</B>";
  if (!folder.empty())
    html += R"(<BR/><FONT POINT-SIZE="9" COLOR="#555555">)" + LabelText(folder) + "</FONT>";
  return html;
}

class LinkGraph {
 public:
  explicit LinkGraph(Agraph_t* graph) : FGraph(graph) {}

  Agnode_t* File(const std::string& path, bool listed) {
    return Node("f:" + path, [&](Agnode_t* node) {
      Set(node, "shape", "box");
      Set(node, "style", listed ? "rounded,filled" : "rounded,filled,dashed");
      Set(node, "fillcolor", listed ? "#dce6f2" : "#f2f2f2");
      SetHtml(FGraph, node, "label", FileLabel(path) + (listed ? "" : "<BR/>（一覧の外）"));
    });
  }

  Agnode_t* Missing(const std::string& target) {
    return Node("m:" + target, [&](Agnode_t* node) {
      Set(node, "shape", "box");
      Set(node, "style", "dashed");
      Set(node, "color", "#c0392b");
      Set(node, "fontcolor", "#c0392b");
      Set(node, "class", "missing");
      SetHtml(FGraph, node, "label", LabelText(target) + "<BR/>（見つかりません）");
    });
  }

  Agnode_t* Source(const std::string& source) {
    return Node("o:" + source, [&](Agnode_t* node) {
      Set(node, "shape", "ellipse");
      Set(node, "style", "filled");
      Set(node, "fillcolor", "#fdf2d0");
      Set(node, "class", "odbc");
      SetHtml(FGraph, node, "label", "ODBC<BR/>" + LabelText(source));
    });
  }

  void Edge(Agnode_t* from, Agnode_t* to, const std::string& label, bool missing) {
    const std::string id = "e" + std::to_string(FEdges++);
    Agedge_t* edge = agedge(FGraph, from, to, Chars(id), 1);
    Set(edge, "id", id);
    if (!label.empty()) SetHtml(FGraph, edge, "label", LabelText(label));
    if (missing) {
      Set(edge, "style", "dashed");
      Set(edge, "color", "#c0392b");
    }
  }

 private:
  template <typename Dress>
  Agnode_t* Node(const std::string& key, const Dress& dress) {
    const auto found = FNodes.find(key);
    if (found != FNodes.end()) return found->second;
    const std::string id = "n" + std::to_string(FNodes.size());
    Agnode_t* node = agnode(FGraph, Chars(id), 1);
    Set(node, "id", id);
    dress(node);
    FNodes.emplace(key, node);
    return node;
  }

  Agraph_t* FGraph;
  std::map<std::string, Agnode_t*> FNodes;
  std::size_t FEdges = 0;
};

}  // namespace

std::string InventoryLinkSvg(const std::vector<InventoryRow>& rows) {
  std::size_t fronts = 0;
  for (const InventoryRow& row : rows) {
    if (!row.Links.empty() || !row.OdbcSources.empty()) ++fronts;
  }
  if (fronts == 0) return "";
  Context context(gvContext());
  if (!context) throw std::runtime_error("Graphviz: no context");
  Graph drawing(agopen(Chars("links"), Agdirected, nullptr));
  if (!drawing) throw std::runtime_error("Graphviz: no graph");
  Agraph_t* root = drawing.get();
  Set(root, "rankdir", "LR");
  Set(root, "fontname", FontList);
  Set(root, "labelloc", "t");
  agattr(root, AGNODE, Chars("fontname"), Chars(FontList));
  agattr(root, AGNODE, Chars("fontsize"), Chars("11"));
  agattr(root, AGEDGE, Chars("fontname"), Chars(FontList));
  agattr(root, AGEDGE, Chars("fontsize"), Chars("9"));

  std::set<std::string> listed;
  for (const InventoryRow& row : rows) listed.insert(row.Path);
  LinkGraph graph(root);
  std::size_t drawn = 0;
  for (const InventoryRow& row : rows) {
    if (row.Links.empty() && row.OdbcSources.empty()) continue;
    if (drawn == MaxLinkGraphFiles) break;
    ++drawn;
    Agnode_t* front = graph.File(row.Path, true);
    // One arrow per database linked to, with how many tables link there.
    std::map<std::string, std::size_t> found, missing;
    for (const InventoryLink& link : row.Links) {
      ++(link.Resolved.empty() ? missing[link.Target] : found[link.Resolved]);
    }
    for (const auto& [path, tables] : found) {
      graph.Edge(front, graph.File(path, listed.count(path) != 0),
                 std::to_string(tables) + " テーブル", false);
    }
    for (const auto& [target, tables] : missing) {
      graph.Edge(front, graph.Missing(target), std::to_string(tables) + " テーブル", true);
    }
    for (const std::string& source : row.OdbcSources)
      graph.Edge(front, graph.Source(source), "", false);
  }
  std::string title = "ファイルのリンク（リンクするファイル " + std::to_string(fronts) + " 個";
  if (drawn < fronts) {
    title += "、図はそのうち " + std::to_string(drawn) + " 個まで: ほかは一覧の表にあります";
  }
  SetHtml(root, root, "label", "<B>" + LabelText(title + "）") + "</B>");
  const Layout layout(context.get(), root);
  return RenderSvg(context.get(), root);
}

}  // namespace tabulon::outputs
