#pragma once
// tabulon-cli --format json: everything the object model presents for each
// database (what jetdump prints for one), as one UTF-8 JSON document for
// all targets, written as it is read. docs/tabulon.schema.json describes it.
//
//   { "formatVersion": 1,
//     "program": {"name": ..., "version": ...},
//     "engine": {"properties": [...]}, "workspace": {"properties": [...]},
//     "databases": [ {"file": ..., "properties": [...], "tableDefs": [...],
//                     "relations": [...], "queryDefs": [...], "containers": [...]},
//                    {"file": ..., "openError": ..., "openErrorKind": ...} ] }
//
// Keys are the members' names in lowerCamelCase, always in the same order.
// A member that fails is replaced by "<member>Error" with the failure's
// text; an item of a collection that cannot be fetched is {"itemError":
// ...}. Values the report shows as text (record counts, dates, property
// and default values) are that text. A table or field without a stored
// description has no "description"; a decimal field adds "precision" and
// "scale"; an index with descending fields adds "descending".

#include <string>
#include <string_view>

#include <dao/ObjectModel.h>
#include <outputs/JsonWriter.h>

namespace tabulon::outputs {

// 2: recordCount a number (null with recordCountReason where the source
// holds the rows), dates also in ISO 8601 (<date>Iso).
inline constexpr int JsonFormatVersion = 2;
// The diff's document, which has its own history.
inline constexpr int DiffFormatVersion = 1;

class JsonDocument {
 public:
  // Writes the document's head (version, program, engine and workspace
  // properties) and opens the database list.
  JsonDocument(JsonWriter& writer, std::string_view programName, std::string_view programVersion,
               dao::Engine& engine, dao::Workspace& workspace);

  // One opened database, as read through `database`, named by `path`.
  // With `allQueries` the queries Access keeps for forms and reports are
  // listed too. Only a failure of the writer's sink propagates.
  void AddDatabase(std::string_view path, dao::Database& database, bool allQueries = false);

  // A target that did not open: its path, the failure's kind in words and
  // the engine's text.
  void AddNotOpened(std::string_view path, std::string_view kind, std::string_view text);

  // Closes the list and the document.
  void Finish();

 private:
  JsonWriter& FWriter;
};

}  // namespace tabulon::outputs
