#pragma once
// Fields of the object model: a table's fields, read from its column
// definitions and column properties, and the name-only fields of indexes
// and relations.

#include <memory>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/JetFile.h>
#include <jet/JetProperty.h>
#include <jet/TableDefinition.h>

namespace tabulon::jet {

// A field of a table definition.
//
// Decisions where DAO leaves the reading of a file to us:
// - Type: DAO's code of the column type (Jet 1..12 and 15 as they are,
//   decimal 20, big integer 16, extended date/time 26, attachment 101 and
//   multi-value 102..109 as `daoType` says; a column type DAO has no code
//   for gives 0). A calculated column reports the type of its result.
// - Size: characters for text, bytes for other fixed data, 0 for memo and
//   OLE, 16 for decimal (DAO's size of a decimal, whatever the row holds);
//   a calculated column has the size of its result type.
// - OrdinalPosition: the column's place in the definition's column order
//   (the stored position number is not reliable: some files number from
//   1, system tables leave it 0).
// - Attributes: fixed (1) or variable (2) from the column flags, auto-
//   increment (16) for AutoNumber Long, hyperlink (32768) on memos with the
//   hyperlink flag, system (8192) for engine and replication columns,
//   updatable (32) exactly when DataUpdatable.
// - DataUpdatable: false for AutoNumber (Long or GUID), calculated and
//   system columns, true otherwise.
// - Required, AllowZeroLength, DefaultValue, ValidationRule, ValidationText
//   from the column's stored properties, DAO's defaults (false, false, "",
//   "", "") when absent. "Description" is in Properties only when stored.
// - Properties: the stored ones, then for a decimal column "Precision" and
//   "Scale" from its column definition.
class JetField : public dao::Field {
 public:
  // `stored` (the column's stored properties, or null) must outlive the
  // field; the table definition that makes the field keeps them.
  JetField(std::shared_ptr<JetFile> file, const ColumnDefinition& column, int ordinal,
           std::int32_t daoType, const std::vector<StoredProperty>* stored);

  std::string Name() override { return FColumn.Name; }
  std::int32_t Type() override { return FType; }
  dao::Variant Size() override;
  std::int32_t Attributes() override;
  dao::Variant OrdinalPosition() override { return std::int64_t{FOrdinal}; }
  bool Required() override { return StoredFlag("Required"); }
  bool AllowZeroLength() override { return StoredFlag("AllowZeroLength"); }
  dao::Variant DefaultValue() override { return StoredText("DefaultValue"); }
  bool DataUpdatable() override;
  std::string ValidationRule() override { return StoredText("ValidationRule"); }
  std::string ValidationText() override { return StoredText("ValidationText"); }
  std::string ForeignName() override;
  dao::Collection<dao::Property>& Properties() override { return FProperties; }

 private:
  bool StoredFlag(std::string_view name);
  std::string StoredText(std::string_view name);
  std::shared_ptr<JetFile> FFile;
  ColumnDefinition FColumn;
  int FOrdinal;
  std::int32_t FType;
  const std::vector<StoredProperty>* FStored;  // owned by the table; may be null
  StoredPropertyCollection FProperties;
};

// A field of an index or a relation: Name, ForeignName (relations) and
// Attributes (dbDescending for descending index columns); every other
// member fails, as nothing else belongs to such a field here.
class NameField : public dao::Field {
 public:
  NameField(std::string name, std::string foreignName, std::int32_t attributes);

  std::string Name() override { return FName; }
  std::string ForeignName() override { return FForeignName; }
  std::int32_t Attributes() override { return FAttributes; }
  std::int32_t Type() override { Unsupported("Type"); }
  dao::Variant Size() override { Unsupported("Size"); }
  dao::Variant OrdinalPosition() override { Unsupported("OrdinalPosition"); }
  bool Required() override { Unsupported("Required"); }
  bool AllowZeroLength() override { Unsupported("AllowZeroLength"); }
  dao::Variant DefaultValue() override { Unsupported("DefaultValue"); }
  bool DataUpdatable() override { Unsupported("DataUpdatable"); }
  std::string ValidationRule() override { Unsupported("ValidationRule"); }
  std::string ValidationText() override { Unsupported("ValidationText"); }
  // Empty; made on first use, as few callers ask.
  dao::Collection<dao::Property>& Properties() override;

 private:
  [[noreturn]] void Unsupported(const char* member) const;
  std::string FName;
  std::string FForeignName;
  std::int32_t FAttributes;
  std::unique_ptr<PropertyList> FProperties;
};

using FieldList = ListCollection<dao::Field>;
std::unique_ptr<FieldList> NewFieldList(FieldList::Loader loader = {});

// DAO's type code for a column type; `complexType` is DAO's code for an ACE
// complex column (attachment or multi-value), 0 when unknown.
std::int32_t DaoTypeOf(const ColumnDefinition& column, std::int32_t complexType);

}  // namespace tabulon::jet
