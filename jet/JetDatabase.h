#pragma once
// The database of the object model over one opened file.
//
// - TableDefs: every table the catalog holds (local, system, hidden,
//   linked Jet and linked ODBC), sorted by name without regard to case.
// - Relations: the rows of MSysRelationships grouped by relationship and
//   sorted by name without regard to case; read on first use.
// - QueryDefs, AllQueryDefs: the catalog's queries (type 5) with their
//   MSysQueries rows, read together on first use of either, sorted by name
//   without regard to case; QueryDefs leaves out "~sq_..." queries.
// - Containers: the catalog's containers (type 3), sorted by name without
//   regard to case, each with the entries whose parent it is.
// - Properties: Name (the path), Version (the file format: "3.0", "4.0",
//   "12.0" ...), CodePage, CollatingOrder (the sort order's LCID),
//   DateCreated (from the header; from the catalog's database object for
//   Jet 3), Updatable (False: the file is only read), then every property
//   stored in the database object's (MSysDb) property block.
// - Close: nothing to release early; the objects stay readable until the
//   database object is destroyed.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/JetFile.h>
#include <jet/JetProperty.h>
#include <jet/QueryRows.h>

namespace tabulon::jet {

class JetDatabase : public dao::Database {
 public:
  explicit JetDatabase(std::shared_ptr<JetFile> file);

  dao::Collection<dao::Property>& Properties() override { return *FProperties; }
  dao::Collection<dao::TableDef>& TableDefs() override { return *FTableDefs; }
  dao::Collection<dao::Relation>& Relations() override { return *FRelations; }
  dao::Collection<dao::QueryDef>& QueryDefs() override { return *FQueryDefs; }
  dao::Collection<dao::QueryDef>& AllQueryDefs() override { return *FAllQueryDefs; }
  dao::Collection<dao::Container>& Containers() override { return *FContainers; }
  void Close() override {}

 private:
  void LoadProperties(std::vector<std::unique_ptr<dao::Property>>& properties);
  void LoadRelations(std::vector<std::unique_ptr<dao::Relation>>& relations);
  void LoadQueryDefs(std::vector<std::unique_ptr<dao::QueryDef>>& queries, bool withHidden);
  void LoadContainers(std::vector<std::unique_ptr<dao::Container>>& containers);

  std::shared_ptr<JetFile> FFile;
  std::unique_ptr<PropertyList> FProperties;
  std::unique_ptr<ListCollection<dao::TableDef>> FTableDefs;
  std::unique_ptr<ListCollection<dao::Relation>> FRelations;
  // MSysQueries' rows by query id, read once for both query collections.
  std::optional<std::map<std::int32_t, std::vector<QueryRow>>> FQueryRows;
  std::unique_ptr<ListCollection<dao::QueryDef>> FQueryDefs;
  std::unique_ptr<ListCollection<dao::QueryDef>> FAllQueryDefs;
  std::unique_ptr<ListCollection<dao::Container>> FContainers;
};

// Opens a database over any byte source, as Workspace::OpenDatabase does
// over a file (the fuzz target and tests use it). Throws dao::EngineError.
std::unique_ptr<dao::Database> OpenJetDatabase(std::unique_ptr<PageSource> source,
                                               const std::string& path, const std::string& connect);

}  // namespace tabulon::jet
