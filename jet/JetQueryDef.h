#pragma once
// A saved query of the object model: a catalog entry of type 5 and its
// MSysQueries rows.
//
// Decisions where DAO leaves the reading of a file to us:
// - Type: the type bits of the catalog flags, or the type row's code when
//   those are 0 (QueryTypeOf).
// - SQL: rebuilt from the rows on each call (QuerySql.h); a query whose
//   rows give none fails with a text naming it, of kind Unsupported for a
//   kind of query the rebuild does not know, Damaged otherwise.
// - Connect: a pass-through query's connect text, "" for the others.
// - Parameters: the parameter rows in stored order, Type being the row's
//   type code (DAO's field type codes; 0 for "Value", any type).
// - DateCreated, LastUpdated: the catalog's dates (Null where it has none).
// - Parts: the MSysQueries rows, as ReadQueryRows sorts them.

#include <memory>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/Catalog.h>
#include <jet/JetCollection.h>
#include <jet/QueryRows.h>

namespace tabulon::jet {

class JetParameter : public dao::Parameter {
 public:
  JetParameter(std::string name, std::int32_t type) : FName(std::move(name)), FType(type) {}
  std::string Name() override { return FName; }
  std::int32_t Type() override { return FType; }

 private:
  std::string FName;
  std::int32_t FType;
};

class JetQueryDef : public dao::QueryDef {
 public:
  // `entry` must outlive the query (the file's catalog holds it).
  JetQueryDef(const CatalogEntry& entry, std::vector<QueryRow> rows);

  std::string Name() override { return FEntry.Name; }
  std::int32_t Type() override { return FType; }
  std::string SQL() override;
  dao::Variant DateCreated() override;
  dao::Variant LastUpdated() override;
  dao::Collection<dao::Parameter>& Parameters() override { return *FParameters; }
  std::vector<dao::QueryPart> Parts() override;

 protected:
  std::string StoredConnect() override;

 private:
  const CatalogEntry& FEntry;
  std::vector<QueryRow> FRows;
  std::int32_t FType;
  std::unique_ptr<ListCollection<dao::Parameter>> FParameters;
};

// True for the queries Access keeps for forms, reports and their controls
// ("~sq_..."), which DAO's QueryDefs lists but the user never saved.
bool IsHiddenQueryName(const std::string& name);

}  // namespace tabulon::jet
