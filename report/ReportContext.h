#pragma once
// What the writers of one report share: the open file, the engine
// connection, the wording, the anchor registry and the settings of the run.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/printf.h>

#include <dao/Dao360.h>
#include <report/AnchorRegistry.h>
#include <report/HtmlEscape.h>
#include <report/ReportFile.h>
#include <report/ReportRun.h>
#include <words/Wording.h>

namespace tabulon {

struct ReportContext {
  ReportFile& File;
  TDao360& Dao;
  const Wording& Words;
  AnchorRegistry& Anchors;
  bool Verbose = false;
  // --objects: the queries and other objects, and linked tables' sources.
  bool Objects = false;
  // --diagram: ReportSettings::DatabaseDiagram.
  DiagramHook DatabaseDiagram = {};

  // The anchor id of the open database. It is keyed by the path as opened,
  // so two files of the same name in different folders get sections of
  // their own; the same path listed twice shares one id.
  std::string FileId() { return Anchors.GetAnchorId(Dao.DbPath()); }
};

// The marks of the yes/no columns; the full-width space keeps an empty cell
// visible.
inline std::string_view Mark(bool value) { return value ? "●" : "\u3000"; }

// A count the report guards: a failure to read it counts as none.
template <class Collection>
int GuardedCount(Collection& collection) {
  try {
    return collection.Count();
  } catch (const dao::EngineError&) {
    return 0;
  }
}

// The stored description of a table or field as text; nullopt where there
// is none or it cannot be read.
inline std::optional<std::string> StoredDescription(dao::Collection<dao::Property>& properties) {
  try {
    if (dao::Property* description = properties.Find("Description"))
      return dao::VariantToText(description->Value());
  } catch (const dao::EngineError&) {
    // As when there is none.
  }
  return std::nullopt;
}

// The blank description cell.
inline constexpr std::string_view NoDescriptionCell = "<td>　</td>";

// The description cell of a table or field, appended to `out`: the stored
// description, else blank.
inline void AppendDescriptionCell(std::string& out, dao::Collection<dao::Property>& properties) {
  if (const std::optional<std::string> text = StoredDescription(properties)) {
    out += "<td nowrap>";
    AppendHtmlEscaped(out, *text);
    out += "</td>";
  } else {
    out += NoDescriptionCell;
  }
}

inline std::string DescriptionCell(dao::Collection<dao::Property>& properties) {
  std::string cell;
  AppendDescriptionCell(cell, properties);
  return cell;
}

// Attribute words stand one per line in a cell.
inline std::string CommasToBreaks(const std::string& words) {
  std::string out;
  for (const char c : words) {
    if (c == ',') {
      out += "<br>";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tabulon
