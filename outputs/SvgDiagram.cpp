#include <outputs/SvgDiagram.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <stdexcept>

#include <dao/ObjectModel.h>
#include <outputs/Graphviz.h>
#include <outputs/RelationGraph.h>
#include <text/FileNameUrl.h>
#include <text/Utf8.h>

namespace tabulon::outputs {

namespace {

using namespace graphviz;

// A key column as its box shows it: "PK ID", "FK 顧客ID", "PK FK 注文ID".
std::string ColumnLine(const KeyColumn& column) {
  const char* mark = column.Primary && column.Foreign ? "PK FK" : column.Primary ? "PK" : "FK";
  return std::string(mark) + " " + column.Name;
}

std::string TableLabel(const GraphTable& table) {
  std::string html = R"(<TABLE BORDER="0" CELLBORDER="1" CELLSPACING="0" CELLPADDING="4">)"
                     R"(<TR><TD BGCOLOR="#dce6f2"><B>)" +
                     LabelText(table.Name) + "</B></TD></TR>";
  for (const KeyColumn& column : table.Columns) {
    html += R"(<TR><TD ALIGN="LEFT">)" + LabelText(ColumnLine(column)) + "</TD></TR>";
  }
  return html + "</TABLE>";
}

// A relationship's label, line by line: its name, its field pairs, its
// kind and whether it is enforced, and its cascades.
std::vector<std::string> EdgeLines(const GraphEdge& edge) {
  std::vector<std::string> lines{edge.Name};
  for (const FieldPair& pair : edge.Fields) lines.push_back(pair.Name + " → " + pair.ForeignName);
  const std::int32_t bits = edge.Attributes;
  lines.push_back(
      std::string((bits & dao::dbRelationUnique) != 0 ? "1 : 1" : "1 : n") +
      ((bits & dao::dbRelationDontEnforce) != 0 ? "、参照整合性なし" : "、参照整合性あり"));
  if ((bits & dao::dbRelationUpdateCascade) != 0) lines.emplace_back("連鎖更新");
  if ((bits & dao::dbRelationDeleteCascade) != 0) lines.emplace_back("連鎖削除");
  if ((bits & dao::dbRelationCascadeNull) != 0) lines.emplace_back("連鎖 Null 設定");
  const std::int32_t cascades =
      dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade | dao::dbRelationCascadeNull;
  if ((bits & cascades) == 0) lines.emplace_back("連鎖なし");
  return lines;
}

std::string EdgeLabel(const GraphEdge& edge) {
  const std::vector<std::string> lines = EdgeLines(edge);
  std::string html = LabelText(lines.front());
  for (std::size_t i = 1; i < lines.size(); ++i) html += "<BR/>" + LabelText(lines[i]);
  return html;
}

// What one picture draws: a group of related tables, or a part of a
// large one, where a table drawn in another part stands as a reference.
struct Drawing {
  RelationGraph Graph;
  std::vector<std::string> Elsewhere;  // by table: "" or the part that draws it
  // Small groups drawn in one layout, each a cluster: by table, its
  // cluster's index in Captions.
  std::vector<std::size_t> Cluster;
  std::vector<std::string> Captions;
};

std::string ReferenceLabel(const GraphTable& table, const std::string& where) {
  return R"(<TABLE BORDER="1" STYLE="DASHED" COLOR="#8e8e8e" CELLBORDER="0" CELLPADDING="4">)"
         R"(<TR><TD><FONT COLOR="#555555">)" +
         LabelText(table.Name) + "<BR/>→ " + LabelText(where) + "</FONT></TD></TR></TABLE>";
}

// One drawing's nodes and edges in `graph`; every element's SVG id starts
// with `prefix`, so that the pictures of one sheet keep theirs apart.
void AddGraph(Agraph_t* graph, const Drawing& drawing, const std::string& prefix) {
  const RelationGraph& tables = drawing.Graph;
  std::vector<Agraph_t*> clusters;
  for (std::size_t c = 0; c < drawing.Captions.size(); ++c) {
    const std::string id = prefix + "c" + std::to_string(c);
    Agraph_t* cluster = agsubg(graph, Chars("cluster_" + id), 1);
    Set(cluster, "id", id);
    SetHtml(graph, cluster, "label", LabelText(drawing.Captions[c]));
    Set(cluster, "labeljust", "l");
    Set(cluster, "style", "rounded");
    Set(cluster, "color", "#8ea9c8");
    Set(cluster, "fontcolor", "#37557a");
    Set(cluster, "fontname", FontList);
    Set(cluster, "fontsize", "11");
    clusters.push_back(cluster);
  }
  std::vector<Agnode_t*> nodes;
  for (std::size_t i = 0; i < tables.Tables.size(); ++i) {
    const std::string id = prefix + "t" + std::to_string(i);
    Agnode_t* node = agnode(clusters.empty() ? graph : clusters[drawing.Cluster[i]], Chars(id), 1);
    Set(node, "id", id);
    const std::string& where = drawing.Elsewhere[i];
    if (!where.empty()) Set(node, "class", "reference");
    SetHtml(graph, node, "label",
            where.empty() ? TableLabel(tables.Tables[i]) : ReferenceLabel(tables.Tables[i], where));
    nodes.push_back(node);
  }
  for (std::size_t i = 0; i < tables.Edges.size(); ++i) {
    const GraphEdge& edge = tables.Edges[i];
    const std::string id = prefix + "e" + std::to_string(i);
    Agedge_t* drawn = agedge(graph, nodes[edge.Table], nodes[edge.ForeignTable], Chars(id), 1);
    Set(drawn, "id", id);
    SetHtml(graph, drawn, "label", EdgeLabel(edge));
    Set(drawn, "arrowhead", (edge.Attributes & dao::dbRelationUnique) != 0 ? "tee" : "crow");
    if ((edge.Attributes & dao::dbRelationDontEnforce) != 0) Set(drawn, "style", "dashed");
  }
}

// A number of points as SVG writes it.
std::string Num(double value) {
  char buffer[32];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  return std::string(buffer, result.ptr);
}

// About how wide `text` is drawn at `size` points, erring wide: boxes drawn
// here and the layout of sheets are sized by it. Full-width characters
// take a full em, half-width kana a little over half; Latin capitals and
// the wide small letters more than the rest of ASCII.
double TextWidth(std::string_view text, double size) {
  double width = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp >= 0x80) {
      width += cp >= 0xFF61 && cp <= 0xFF9F ? 0.55 : 1.0;
    } else if ((cp >= 'A' && cp <= 'Z') || cp == 'm' || cp == 'w' || cp == '@' || cp == '%') {
      width += 0.8;
    } else {
      width += 0.6;
    }
  }
  return width * size;
}

// `text` cut to fit `width` at `size` points, ending in "…" when cut.
std::string Fitted(std::string_view text, double size, double width) {
  if (TextWidth(text, size) <= width) return std::string(text);
  std::string out;
  double used = TextWidth("…", size);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    const char32_t cp = DecodeUtf8(text, pos);
    std::string one;
    AppendUtf8(one, cp);
    used += TextWidth(one, size);
    if (used > width) break;
    out.append(text.substr(start, pos - start));
  }
  return out + "…";
}

// One connected group (or one table without relationships) laid out.
struct Piece {
  std::string Element;  // the group as a nested <svg>, its position left open
  std::string ViewBox;
  double Width = 0;
  double Height = 0;
  std::vector<std::string> Names;  // its tables, in the schema's order
  bool Related = false;            // a group of related tables, not a table on its own
  std::size_t Number = 0;          // the group's as shown, from 1
  std::size_t LastNumber = 0;      // of small groups: the last number it draws
  bool Clustered = false;          // small groups laid out together, each framed by Graphviz
  std::size_t Part = 0;            // of a group too large for one picture, from 1
  std::size_t Parts = 1;
  std::size_t Sheet = 0;
  double X = 0;  // the frame's place on its sheet
  double Y = 0;
  bool Framed() const { return Related && !Clustered; }
};

constexpr double Margin = 16;
constexpr double Gap = 24;
constexpr double FramePad = 8;
constexpr double CaptionHeight = 22;
constexpr double TitleSize = 14;
constexpr double TitleHeight = 44;  // the title and a line under it
constexpr double SubtitleY = Margin + TitleSize + 18;

double OuterWidth(const Piece& piece) {
  return piece.Framed() ? piece.Width + 2 * FramePad : piece.Width;
}
double OuterHeight(const Piece& piece) {
  return piece.Framed() ? piece.Height + CaptionHeight + FramePad : piece.Height;
}

std::string PartName(std::size_t number, std::size_t part, std::size_t parts) {
  std::string name = "グループ " + std::to_string(number);
  if (parts > 1) name += " の " + std::to_string(part) + "/" + std::to_string(parts);
  return name;
}

std::string GroupCaption(std::size_t number, std::size_t part, std::size_t parts,
                         std::size_t tables) {
  return PartName(number, part, parts) + "（テーブル " + std::to_string(tables) + " 個）";
}

std::string Caption(const Piece& piece) {
  return GroupCaption(piece.Number, piece.Part, piece.Parts, piece.Names.size());
}

Piece LayOut(GVC_t* context, const Drawing& group, const std::string& prefix,
             const char* direction) {
  Graph drawing(agopen(Chars("ER"), Agdirected, nullptr));
  if (!drawing) throw std::runtime_error("Graphviz: no graph");
  Agraph_t* root = drawing.get();
  Set(root, "id", prefix);
  Set(root, "rankdir", direction);
  Set(root, "fontname", FontList);
  agattr(root, AGNODE, Chars("shape"), Chars("plaintext"));
  agattr(root, AGNODE, Chars("fontname"), Chars(FontList));
  agattr(root, AGNODE, Chars("fontsize"), Chars("11"));
  agattr(root, AGEDGE, Chars("fontname"), Chars(FontList));
  agattr(root, AGEDGE, Chars("fontsize"), Chars("9"));
  agattr(root, AGEDGE, Chars("dir"), Chars("both"));
  agattr(root, AGEDGE, Chars("arrowtail"), Chars("tee"));
  AddGraph(root, group, prefix);

  const Layout layout(context, root);
  const std::string svg = RenderSvg(context, root);

  // Graphviz's document is <svg width=... viewBox="0 0 W H" ...>BODY</svg>
  // after a prologue; the sheet keeps BODY and sets the element's place.
  const std::size_t open = svg.find("<svg");
  const std::size_t openEnd = svg.find('>', open);
  const std::size_t close = svg.rfind("</svg>");
  const std::size_t box = svg.find("viewBox=\"", open);
  if (open == std::string::npos || openEnd == std::string::npos || close == std::string::npos ||
      box == std::string::npos || box > openEnd || close < openEnd) {
    throw std::runtime_error("Graphviz: unexpected SVG");
  }
  const std::size_t boxStart = box + 9;
  Piece piece;
  piece.ViewBox = svg.substr(boxStart, svg.find('"', boxStart) - boxStart);
  double numbers[4] = {};
  const char* at = piece.ViewBox.data();
  const char* end = at + piece.ViewBox.size();
  for (double& number : numbers) {
    while (at < end && *at == ' ') ++at;
    const auto result = std::from_chars(at, end, number);
    if (result.ec != std::errc()) throw std::runtime_error("Graphviz: unexpected SVG size");
    at = result.ptr;
  }
  piece.Width = numbers[2];
  piece.Height = numbers[3];
  piece.Element = svg.substr(openEnd + 1, close - openEnd - 1);
  for (std::size_t i = 0; i < group.Graph.Tables.size(); ++i) {
    if (group.Elsewhere[i].empty()) piece.Names.push_back(group.Graph.Tables[i].Name);
  }
  piece.Related = !group.Graph.Edges.empty();
  return piece;
}

constexpr std::size_t MaxTablesLaidOutWhole = 60;
constexpr std::size_t PartTables = 12;
constexpr std::size_t SmallGroupTables = 3;
constexpr std::size_t BatchGroups = 8;

// How far a piece passes what a sheet holds; at most 1 when it fits.
double Overflow(const Piece& piece) {
  return std::max(OuterWidth(piece) / (MaxSheetWidth - 2 * Margin),
                  OuterHeight(piece) / (MaxSheetHeight - 2 * Margin - TitleHeight));
}

// Left to right, as relationships read; top to bottom when that fits
// better (a long chain of tables).
Piece LayOutFitting(GVC_t* context, const Drawing& drawing, const std::string& prefix) {
  Piece across = LayOut(context, drawing, prefix, "LR");
  if (Overflow(across) <= 1) return across;
  Piece down = LayOut(context, drawing, prefix, "TB");
  return Overflow(down) < Overflow(across) ? down : across;
}

Drawing Whole(const RelationGraph& group) {
  return {group, std::vector<std::string>(group.Tables.size()), {}, {}};
}

// A group too large for one picture in parts of at most PartTables tables,
// taken in breadth-first order so that each part holds neighbours. A
// relationship between two parts is drawn in both, the far table as a
// reference that names the part drawing it.
std::vector<Drawing> SplitGroup(const RelationGraph& group, std::size_t number) {
  const std::size_t count = group.Tables.size();
  std::vector<std::vector<std::size_t>> neighbours(count);
  for (const GraphEdge& edge : group.Edges) {
    neighbours[edge.Table].push_back(edge.ForeignTable);
    neighbours[edge.ForeignTable].push_back(edge.Table);
  }
  std::vector<std::size_t> order;
  std::vector<bool> seen(count, false);
  for (std::size_t start = 0; start < count; ++start) {
    if (seen[start]) continue;
    seen[start] = true;
    order.push_back(start);
    for (std::size_t next = order.size() - 1; next < order.size(); ++next) {
      for (const std::size_t neighbour : neighbours[order[next]]) {
        if (!seen[neighbour]) {
          seen[neighbour] = true;
          order.push_back(neighbour);
        }
      }
    }
  }
  const std::size_t wanted = (count + PartTables - 1) / PartTables;
  const std::size_t size = (count + wanted - 1) / wanted;
  const std::size_t parts = (count + size - 1) / size;
  std::vector<std::size_t> partOf(count);
  for (std::size_t i = 0; i < order.size(); ++i) partOf[order[i]] = i / size;

  std::vector<Drawing> drawings(parts);
  std::vector<std::map<std::size_t, std::size_t>> local(parts);
  const auto place = [&](std::size_t part, std::size_t table) {
    const auto [at, added] = local[part].emplace(table, drawings[part].Graph.Tables.size());
    if (added) {
      const bool own = partOf[table] == part;
      drawings[part].Graph.Tables.push_back(own ? group.Tables[table]
                                                : GraphTable{group.Tables[table].Name, {}});
      drawings[part].Elsewhere.push_back(own ? "" : PartName(number, partOf[table] + 1, parts));
    }
    return at->second;
  };
  for (const std::size_t table : order) place(partOf[table], table);
  for (const GraphEdge& edge : group.Edges) {
    for (const std::size_t part : {partOf[edge.Table], partOf[edge.ForeignTable]}) {
      GraphEdge drawn = edge;
      drawn.Table = place(part, edge.Table);
      drawn.ForeignTable = place(part, edge.ForeignTable);
      drawings[part].Graph.Edges.push_back(std::move(drawn));
      if (partOf[edge.Table] == partOf[edge.ForeignTable]) break;
    }
  }
  return drawings;
}

// Rows of pieces, a new row where one would pass the sheet's width and a
// new sheet where one would pass its height; returns each sheet's size.
std::vector<std::pair<double, double>> Place(std::vector<Piece>& pieces, double top) {
  std::vector<std::pair<double, double>> sheets(1, {2 * Margin, top + Margin});
  double x = Margin;
  double y = top;
  double rowHeight = 0;
  for (Piece& piece : pieces) {
    const double width = OuterWidth(piece);
    const double height = OuterHeight(piece);
    if (x > Margin && x + width + Margin > MaxSheetWidth) {
      x = Margin;
      y += rowHeight + Gap;
      rowHeight = 0;
    }
    if (y > top && y + height + Margin > MaxSheetHeight) {
      sheets.emplace_back(0, 0);
      x = Margin;
      y = top;
      rowHeight = 0;
    }
    piece.Sheet = sheets.size() - 1;
    piece.X = x;
    piece.Y = y;
    sheets.back().first = std::max(sheets.back().first, x + width + Margin);
    sheets.back().second = std::max(sheets.back().second, y + height + Margin);
    x += width + Gap;
    rowHeight = std::max(rowHeight, height);
  }
  return sheets;
}

// How a text is drawn; what is left unset is not written (SVG's defaults:
// anchored at its start, regular, black).
struct TextStyle {
  const char* Anchor = nullptr;
  bool Bold = false;
  const char* Fill = nullptr;
};

std::string Text(double x, double y, double size, const std::string& text, TextStyle style = {}) {
  std::string out = "<text";
  if (style.Anchor != nullptr) out += " text-anchor=\"" + std::string(style.Anchor) + "\"";
  out += " x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" font-family=\"" + FontList + "\"";
  if (style.Bold) out += " font-weight=\"bold\"";
  out += " font-size=\"" + Num(size) + "\"";
  if (style.Fill != nullptr) out += " fill=\"" + std::string(style.Fill) + "\"";
  return out + ">" + XmlEscape(text) + "</text>\n";
}

// The document around a sheet's content, titled once.
std::string Document(double width, double height, const std::string& title,
                     const std::string& content) {
  width = std::max(width, TextWidth(title, TitleSize) + 2 * Margin);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
  svg += "<svg width=\"" + Num(width) + "pt\" height=\"" + Num(height) + "pt\" viewBox=\"0 0 " +
         Num(width) + " " + Num(height) +
         "\" xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n";
  svg += "<g id=\"diagram\" class=\"graph\">\n<title>" + XmlEscape(title) + "</title>\n";
  svg += "<rect x=\"0\" y=\"0\" width=\"" + Num(width) + "\" height=\"" + Num(height) +
         "\" fill=\"white\" stroke=\"none\"/>\n";
  svg += Text(Margin, Margin + TitleSize, TitleSize, title);
  return svg + content + "</g>\n</svg>\n";
}

std::string Rect(double x, double y, double width, double height, const char* fill) {
  return "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(width) + "\" height=\"" +
         Num(height) + "\" rx=\"4\" fill=\"" + fill + "\" stroke=\"#8ea9c8\"/>\n";
}

// A table alone, or two tables with one relationship between them: most
// of the small groups of a large database. Drawn here without Graphviz,
// whose text measuring would cost as much for each as for a real layout,
// in the look of the tables and edges it draws.
bool DrawnByHand(const RelationGraph& group) {
  if (group.Tables.size() == 1) return group.Edges.empty();
  return group.Tables.size() == 2 && group.Edges.size() == 1 &&
         group.Edges[0].Table != group.Edges[0].ForeignTable;
}

constexpr double Pad = 4;  // around a picture, as Graphviz leaves it
constexpr double CellHeight = 22;
constexpr double CellPad = 5;
constexpr double NodeFontSize = 11;
constexpr double EdgeFontSize = 9;
constexpr double EdgeLineHeight = 10;

std::string Polygon(const char* fill, const char* stroke, const std::vector<double>& points) {
  std::string out =
      "<polygon fill=\"" + std::string(fill) + "\" stroke=\"" + stroke + "\" points=\"";
  for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
    out += (i == 0 ? "" : " ") + Num(points[i]) + "," + Num(points[i + 1]);
  }
  return out + "\"/>\n";
}

std::string Box(double x, double y, double width, double height, const char* fill,
                const char* stroke) {
  return Polygon(fill, stroke, {x, y, x + width, y, x + width, y + height, x, y + height, x, y});
}

struct BoxSize {
  double Width = 0;
  double Height = 0;
};

BoxSize TableSize(const GraphTable& table) {
  // Bold is drawn a little wider.
  double width = TextWidth(table.Name, NodeFontSize) * 1.1;
  for (const KeyColumn& column : table.Columns) {
    width = std::max(width, TextWidth(ColumnLine(column), NodeFontSize));
  }
  return {width + 2 * CellPad, CellHeight * static_cast<double>(1 + table.Columns.size())};
}

std::string DrawTable(const GraphTable& table, double width, const std::string& id, double x,
                      double y) {
  std::string out = "<g id=\"" + id + "\" class=\"node\">\n<title>" + id + "</title>\n";
  out += Box(x, y, width, CellHeight, "#dce6f2", "black");
  out += Text(x + width / 2, y + CellHeight - 8.2, NodeFontSize, table.Name,
              {.Anchor = "middle", .Bold = true});
  for (const KeyColumn& column : table.Columns) {
    y += CellHeight;
    out += Box(x, y, width, CellHeight, "none", "black");
    out += Text(x + CellPad, y + CellHeight - 8.2, NodeFontSize, ColumnLine(column),
                {.Anchor = "start"});
  }
  return out + "</g>\n";
}

// A tee across the line at `x` (the one side, or the many side of a
// one-to-one relationship).
std::string Tee(double x, double y) { return Box(x - 1, y - 5, 2, 10, "black", "black"); }

// From the referenced table's right side at (x0, y) to the referencing
// table's left side at (x1, y), its label above the line.
std::string DrawEdge(const GraphEdge& edge, const std::vector<std::string>& lines,
                     const std::string& id, double x0, double x1, double y) {
  std::string out = "<g id=\"" + id + "\" class=\"edge\">\n<title>" + id + "</title>\n";
  const bool dashed = (edge.Attributes & dao::dbRelationDontEnforce) != 0;
  out += "<path fill=\"none\" stroke=\"black\"" +
         std::string(dashed ? " stroke-dasharray=\"5,2\"" : "") + " d=\"M" + Num(x0) + "," +
         Num(y) + " L" + Num(x1) + "," + Num(y) + "\"/>\n";
  out += Tee(x0 + 4, y);
  if ((edge.Attributes & dao::dbRelationUnique) != 0) {
    out += Tee(x1 - 4, y);
  } else {
    out += "<polyline fill=\"none\" stroke=\"black\" points=\"" + Num(x1) + "," + Num(y - 5) + " " +
           Num(x1 - 9) + "," + Num(y) + " " + Num(x1) + "," + Num(y + 5) + "\"/>\n";
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const double baseline = y - 6 - static_cast<double>(lines.size() - 1 - i) * EdgeLineHeight;
    out += Text((x0 + x1) / 2, baseline, EdgeFontSize, lines[i], {.Anchor = "middle"});
  }
  return out + "</g>\n";
}

Piece DrawByHand(const RelationGraph& group, const std::string& prefix) {
  Piece piece;
  for (const GraphTable& table : group.Tables) piece.Names.push_back(table.Name);
  piece.Related = !group.Edges.empty();
  if (!piece.Related) {
    const BoxSize table = TableSize(group.Tables[0]);
    piece.Width = table.Width + 2 * Pad;
    piece.Height = table.Height + 2 * Pad;
    piece.Element = DrawTable(group.Tables[0], table.Width, prefix + "t0", Pad, Pad);
  } else {
    const GraphEdge& edge = group.Edges[0];
    const BoxSize one = TableSize(group.Tables[edge.Table]);
    const BoxSize many = TableSize(group.Tables[edge.ForeignTable]);
    const std::vector<std::string> lines = EdgeLines(edge);
    double labelWidth = 0;
    for (const std::string& line : lines) {
      labelWidth = std::max(labelWidth, TextWidth(line, EdgeFontSize));
    }
    const double labelHeight = static_cast<double>(lines.size()) * EdgeLineHeight + 8;
    const double gap = std::max(labelWidth + 24, 60.0);
    const double half = std::max(one.Height, many.Height) / 2;
    const double axis = Pad + std::max(half, labelHeight);
    const double left = Pad + one.Width;
    piece.Width = left + gap + many.Width + Pad;
    piece.Height = axis + half + Pad;
    piece.Element =
        DrawTable(group.Tables[edge.Table], one.Width, prefix + "t" + std::to_string(edge.Table),
                  Pad, axis - one.Height / 2);
    piece.Element += DrawTable(group.Tables[edge.ForeignTable], many.Width,
                               prefix + "t" + std::to_string(edge.ForeignTable), left + gap,
                               axis - many.Height / 2);
    piece.Element += DrawEdge(edge, lines, prefix + "e0", left, left + gap, axis);
  }
  piece.ViewBox = "0 0 " + Num(piece.Width) + " " + Num(piece.Height);
  return piece;
}

std::string SheetContent(const std::vector<Piece>& pieces, std::size_t sheet) {
  std::string content;
  for (const Piece& piece : pieces) {
    if (piece.Sheet != sheet) continue;
    double x = piece.X;
    double y = piece.Y;
    if (piece.Framed()) {
      content += "<g id=\"group" + std::to_string(piece.Number) + "\" class=\"cluster\">\n<title>" +
                 XmlEscape(Caption(piece)) + "</title>\n";
      content += Rect(x, y, OuterWidth(piece), OuterHeight(piece), "none");
      content += Text(x + FramePad, y + 15, 11, Caption(piece), {.Fill = "#37557a"});
      x += FramePad;
      y += CaptionHeight;
    }
    content += "<svg x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(piece.Width) +
               "\" height=\"" + Num(piece.Height) + "\" viewBox=\"" + piece.ViewBox + "\">" +
               piece.Element + "</svg>\n";
    if (piece.Framed()) content += "</g>\n";
  }
  return content;
}

std::string SheetName(std::string_view stem, std::size_t sheet) {
  return std::string(stem) + "_" + std::to_string(sheet + 1) + ".svg";
}

// The overview: a box for each group, and one for the tables without
// relationships of each sheet, linking to the sheet that draws them.
std::string OverviewContent(const std::vector<Piece>& pieces, std::string_view stem, double top,
                            double& width, double& height) {
  struct Box {
    std::vector<std::string> Lines;
    std::vector<std::string> Names;
    std::size_t Sheet = 0;
    std::size_t First = 0;  // of a sheet's small groups: their numbers and count
    std::size_t Last = 0;
    std::size_t Groups = 0;
  };
  // A box for each group of some size; the small ones and the tables on
  // their own one box for each sheet, so that many tiny groups do not
  // stretch the overview into pages.
  std::vector<Box> boxes;
  std::map<std::pair<std::size_t, bool>, std::size_t> shared;  // (sheet, small group) -> box
  for (const Piece& piece : pieces) {
    const bool small = piece.LastNumber != 0;
    if (piece.Framed() && !small) {
      boxes.push_back({{Caption(piece)}, piece.Names, piece.Sheet});
      continue;
    }
    const auto [at, added] = shared.emplace(std::pair(piece.Sheet, small), boxes.size());
    if (added) boxes.push_back({{}, {}, piece.Sheet, piece.Number});
    Box& box = boxes[at->second];
    box.Names.insert(box.Names.end(), piece.Names.begin(), piece.Names.end());
    box.Last = piece.LastNumber;
    box.Groups += piece.LastNumber + 1 - piece.Number;
  }
  constexpr double BoxWidth = 240;
  constexpr double LineHeight = 15;
  constexpr std::size_t NamesShown = 4;
  for (Box& box : boxes) {
    if (box.Lines.empty() && box.First != 0) {
      box.Lines.push_back("小さなグループ " + std::to_string(box.Groups) + " 個（グループ " +
                          std::to_string(box.First) +
                          (box.Last != box.First ? "〜" + std::to_string(box.Last) : "") + "）");
      box.Lines.push_back("テーブル " + std::to_string(box.Names.size()) + " 個");
    } else if (box.Lines.empty()) {
      box.Lines.push_back("リレーションシップのないテーブル " + std::to_string(box.Names.size()) +
                          " 個");
    }
    if (box.First == 0) {
      for (std::size_t i = 0; i < box.Names.size() && i < NamesShown; ++i) {
        box.Lines.push_back(Fitted(box.Names[i], 11, BoxWidth - 2 * FramePad));
      }
      if (box.Names.size() > NamesShown) {
        box.Lines.push_back("ほか " + std::to_string(box.Names.size() - NamesShown) + " 個");
      }
    }
    box.Lines.push_back("→ " + std::to_string(box.Sheet + 1) + " 枚目");
  }
  const auto columns = static_cast<std::size_t>(
      std::max(1.0, (MaxSheetWidth - 2 * Margin + Gap) / (BoxWidth + Gap)));
  std::string content;
  double y = top;
  width = 0;
  for (std::size_t row = 0; row * columns < boxes.size(); ++row) {
    double rowHeight = 0;
    for (std::size_t column = 0; column < columns; ++column) {
      const std::size_t at = row * columns + column;
      if (at >= boxes.size()) break;
      const Box& box = boxes[at];
      const double x = Margin + static_cast<double>(column) * (BoxWidth + Gap);
      const double boxHeight = static_cast<double>(box.Lines.size()) * LineHeight + 2 * FramePad;
      std::string names;
      for (const std::string& name : box.Names) names += (names.empty() ? "" : "\n") + name;
      content += "<a xlink:href=\"" + XmlEscape(FileNameUrl(SheetName(stem, box.Sheet))) +
                 "\">\n<g class=\"group\">\n<title>" + XmlEscape(names) + "</title>\n";
      content += Rect(x, y, BoxWidth, boxHeight, "#f4f7fb");
      for (std::size_t line = 0; line < box.Lines.size(); ++line) {
        content += Text(x + FramePad, y + FramePad + 11 + static_cast<double>(line) * LineHeight,
                        11, box.Lines[line], {.Fill = line == 0 ? "#37557a" : "black"});
      }
      content += "</g>\n</a>\n";
      rowHeight = std::max(rowHeight, boxHeight);
      width = std::max(width, x + BoxWidth + Margin);
    }
    y += rowHeight + Gap;
  }
  height = y - Gap + Margin;
  return content;
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

std::vector<DiagramFile> DatabaseSvgDiagrams(const schema::Database& database,
                                             std::string_view name, std::string_view stem) {
  std::size_t userTables = 0;
  if (database.Tables.Ok()) {
    for (const auto& table : *database.Tables) {
      if (table.Ok() && !schema::IsSystemTable(*table)) ++userTables;
    }
  }
  const bool whole = userTables <= MaxTablesDrawnWhole;
  const RelationGraph graph = BuildRelationGraph(database, whole);

  Context context(gvContext());
  if (!context) throw std::runtime_error("Graphviz: no context");
  std::vector<RelationGraph> groups = ConnectedGroups(graph);
  // The related groups, largest first, then the tables on their own;
  // stable, so that equals keep the schema's order.
  std::stable_sort(groups.begin(), groups.end(),
                   [](const RelationGraph& a, const RelationGraph& b) {
                     if (a.Edges.empty() != b.Edges.empty()) return !a.Edges.empty();
                     return a.Tables.size() > b.Tables.size();
                   });
  std::vector<Piece> pieces;
  std::size_t groupCount = 0;
  std::size_t lone = 0;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const RelationGraph& group = groups[g];
    const std::string prefix = "g" + std::to_string(g);
    if (group.Edges.empty()) ++lone;
    if (DrawnByHand(group)) {
      Piece piece = DrawByHand(group, prefix);
      if (piece.Related) piece.Number = piece.LastNumber = ++groupCount;
      pieces.push_back(std::move(piece));
      continue;
    }
    if (group.Tables.size() <= SmallGroupTables) {
      // Laid out together, a few small groups cost about what one does.
      // Graphviz stacks the last of them on top: they go in backwards.
      std::size_t end = g;
      while (end < groups.size() && !groups[end].Edges.empty() &&
             groups[end].Tables.size() <= SmallGroupTables && !DrawnByHand(groups[end]) &&
             end - g < BatchGroups) {
        ++end;
      }
      const std::size_t first = groupCount + 1;
      groupCount += end - g;
      Drawing batch;
      for (std::size_t k = end; k-- > g;) {
        const RelationGraph& small = groups[k];
        const std::size_t offset = batch.Graph.Tables.size();
        batch.Graph.Tables.insert(batch.Graph.Tables.end(), small.Tables.begin(),
                                  small.Tables.end());
        for (GraphEdge edge : small.Edges) {
          edge.Table += offset;
          edge.ForeignTable += offset;
          batch.Graph.Edges.push_back(std::move(edge));
        }
        batch.Elsewhere.resize(batch.Graph.Tables.size());
        batch.Cluster.resize(batch.Graph.Tables.size(), batch.Captions.size());
        batch.Captions.push_back(GroupCaption(first + (k - g), 0, 1, small.Tables.size()));
      }
      g = end - 1;
      Piece piece = LayOut(context.get(), batch, prefix, "LR");
      piece.Number = first;
      piece.LastNumber = groupCount;
      piece.Clustered = true;
      pieces.push_back(std::move(piece));
      continue;
    }
    const std::size_t number = ++groupCount;
    if (group.Tables.size() <= MaxTablesLaidOutWhole) {
      Piece piece = LayOutFitting(context.get(), Whole(group), prefix);
      if (Overflow(piece) <= 1 || group.Tables.size() <= PartTables) {
        piece.Number = number;
        pieces.push_back(std::move(piece));
        continue;
      }
    }
    const std::vector<Drawing> parts = SplitGroup(group, number);
    for (std::size_t p = 0; p < parts.size(); ++p) {
      Piece piece = LayOutFitting(context.get(), parts[p], prefix + "p" + std::to_string(p));
      piece.Number = number;
      piece.Part = p + 1;
      piece.Parts = parts.size();
      pieces.push_back(std::move(piece));
    }
  }
  const std::size_t drawn = graph.Tables.size();
  const std::vector<std::pair<double, double>> sheets = Place(pieces, Margin + TitleHeight);

  const std::string heading = std::string(name) + " の ER 図";
  std::string omitted;
  if (!whole) {
    omitted = "リレーションシップのない " +
              std::to_string(userTables - std::min(userTables, drawn)) + " 個は省略";
  }
  std::vector<DiagramFile> files;
  if (sheets.size() == 1) {
    const std::string title = whole ? heading
                                    : heading + "（テーブル " + std::to_string(userTables) +
                                          " 個。関連するテーブルのグループごとに描き、" + omitted +
                                          "）";
    files.push_back({std::string(stem) + ".svg",
                     Document(sheets[0].first, sheets[0].second, title, SheetContent(pieces, 0))});
    return files;
  }
  const std::string count = std::to_string(sheets.size());
  std::string title = heading + "（テーブル " + std::to_string(userTables) +
                      " 個。関連するテーブルのグループ " + std::to_string(groupCount) + " 個";
  if (lone > 0) title += "とリレーションシップのないテーブル " + std::to_string(lone) + " 個";
  title += "を " + count + " 枚に分けて描画";
  title += whole ? "）" : "し、" + omitted + "）";
  double width = 0;
  double height = 0;
  std::string content =
      Text(Margin, SubtitleY, 11, "ボックスをクリックすると、そのグループを描いた図を開きます。",
           {.Fill = "black"});
  content += OverviewContent(pieces, stem, Margin + TitleHeight, width, height);
  files.push_back({std::string(stem) + ".svg", Document(width, height, title, content)});
  for (std::size_t sheet = 0; sheet < sheets.size(); ++sheet) {
    const std::string sheetTitle =
        heading + "（" + count + " 枚中 " + std::to_string(sheet + 1) + " 枚目）";
    std::string sheetContent =
        "<a xlink:href=\"" + XmlEscape(FileNameUrl(std::string(stem) + ".svg")) + "\">" +
        Text(Margin, SubtitleY, 11, "一覧へ戻る", {.Fill = "#1a0dab"}) + "</a>\n";
    sheetContent += SheetContent(pieces, sheet);
    files.push_back({SheetName(stem, sheet), Document(sheets[sheet].first, sheets[sheet].second,
                                                      sheetTitle, sheetContent)});
  }
  return files;
}

}  // namespace tabulon::outputs
