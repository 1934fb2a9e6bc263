#include <outputs/Graphviz.h>

#include <stdexcept>

#include <outputs/SvgDiagram.h>

namespace tabulon::outputs::graphviz {

Layout::Layout(GVC_t* context, Agraph_t* graph) : FContext(context), FGraph(graph) {
  if (gvLayout(context, graph, "dot") != 0) throw std::runtime_error("Graphviz: layout failed");
}

Layout::~Layout() { gvFreeLayout(FContext, FGraph); }

void Set(void* object, const std::string& name, const std::string& value) {
  agsafeset(object, Chars(name), Chars(value), Chars(std::string()));
}

void SetHtml(Agraph_t* graph, void* object, const std::string& name, const std::string& html) {
  char* label = agstrdup_html(graph, Chars(html));
  agsafeset(object, Chars(name), label, Chars(std::string()));
  agstrfree(graph, label);
}

std::string LabelText(std::string_view text) {
  std::string out;
  for (const char c : XmlEscape(text)) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string RenderSvg(GVC_t* context, Agraph_t* graph) {
  char* data = nullptr;
  unsigned int length = 0;
  if (gvRenderData(context, graph, "svg", &data, &length) != 0 || data == nullptr) {
    throw std::runtime_error("Graphviz: rendering failed");
  }
  std::string svg(data, length);
  gvFreeRenderData(data);
  return svg;
}

}  // namespace tabulon::outputs::graphviz
