#pragma once
// Indexes and relations of the object model.

#include <memory>
#include <string>

#include <dao/ObjectModel.h>
#include <jet/JetField.h>
#include <jet/Relationships.h>

namespace tabulon::jet {

// An index: a logical index with the flags and column slots of the real
// index it uses. Primary for the primary-key type, Foreign for the foreign-
// key type, Unique from the real index's unique flag; Fields are the real
// index's columns in key order (foreign-key indexes included).
class JetIndex : public dao::Index {
 public:
  JetIndex(std::string name, bool primary, bool foreign, bool unique,
           std::unique_ptr<FieldList> fields)
      : FName(std::move(name)),
        FPrimary(primary),
        FForeign(foreign),
        FUnique(unique),
        FFields(std::move(fields)) {}
  std::string Name() override { return FName; }
  bool Primary() override { return FPrimary; }
  bool Foreign() override { return FForeign; }
  bool Unique() override { return FUnique; }
  dao::Collection<dao::Field>& Fields() override { return *FFields; }

 private:
  std::string FName;
  bool FPrimary;
  bool FForeign;
  bool FUnique;
  std::unique_ptr<FieldList> FFields;
};

// A relation: Table is the referenced (primary) table, ForeignTable the
// referencing one; each field's Name is the primary-side column and its
// ForeignName the foreign-side one, in column-pair order.
class JetRelation : public dao::Relation {
 public:
  explicit JetRelation(const Relationship& relationship);
  std::string Name() override { return FName; }
  std::string Table() override { return FTable; }
  std::string ForeignTable() override { return FForeignTable; }
  std::int32_t Attributes() override { return FAttributes; }
  dao::Collection<dao::Field>& Fields() override { return *FFields; }

 private:
  std::string FName;
  std::string FTable;
  std::string FForeignTable;
  std::int32_t FAttributes;
  std::unique_ptr<FieldList> FFields;
};

}  // namespace tabulon::jet
