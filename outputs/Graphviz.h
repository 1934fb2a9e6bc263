#pragma once
// Graphviz (cgraph and its dot layout) as the diagrams use it: handles
// that free themselves, attributes set from std::string, and text made
// safe for an HTML-like label.

#include <memory>
#include <string>
#include <string_view>

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

namespace tabulon::outputs::graphviz {

// CJK families first, so that Japanese names render.
inline constexpr const char* FontList = "IPAGothic, Noto Sans CJK JP, sans-serif";

struct ContextClose {
  void operator()(GVC_t* context) const { gvFreeContext(context); }
};
struct GraphClose {
  void operator()(Agraph_t* graph) const { agclose(graph); }
};
using Context = std::unique_ptr<GVC_t, ContextClose>;
using Graph = std::unique_ptr<Agraph_t, GraphClose>;

// A laid-out graph frees its layout before the graph is closed.
class Layout {
 public:
  // Throws std::runtime_error when the dot layout fails.
  Layout(GVC_t* context, Agraph_t* graph);
  ~Layout();
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

 private:
  GVC_t* FContext;
  Agraph_t* FGraph;
};

// cgraph takes char* for names and values it does not change.
inline char* Chars(const std::string& text) { return const_cast<char*>(text.c_str()); }

void Set(void* object, const std::string& name, const std::string& value);
void SetHtml(Agraph_t* graph, void* object, const std::string& name, const std::string& html);

// Text for an HTML-like label: XML-escaped, and with backslashes doubled,
// as Graphviz reads \N, \G, \E, \T, \H and \L there too.
std::string LabelText(std::string_view text);

// The laid-out graph as an SVG document. Throws std::runtime_error.
std::string RenderSvg(GVC_t* context, Agraph_t* graph);

}  // namespace tabulon::outputs::graphviz
