#include <jet/JetField.h>

namespace tabulon::jet {

namespace {

constexpr std::int32_t DaoDecimalSize = 16;
constexpr std::int32_t DaoDateTimeExtended = 26;

}  // namespace

std::int32_t DaoTypeOf(const ColumnDefinition& column, std::int32_t complexType) {
  switch (column.Type) {
    case ColBoolean:
      return dao::dbBoolean;
    case ColByte:
      return dao::dbByte;
    case ColInteger:
      return dao::dbInteger;
    case ColLong:
      return dao::dbLong;
    case ColCurrency:
      return dao::dbCurrency;
    case ColSingle:
      return dao::dbSingle;
    case ColDouble:
      return dao::dbDouble;
    case ColDateTime:
      return dao::dbDate;
    case ColBinary:
      return dao::dbBinary;
    case ColText:
      return dao::dbText;
    case ColOle:
      return dao::dbLongBinary;
    case ColMemo:
      return dao::dbMemo;
    case ColGuid:
      return dao::dbGUID;
    case ColNumeric:
      return dao::dbDecimal;
    case ColBigInt:
      return dao::dbBigInt;
    case ColExtendedDate:
      return DaoDateTimeExtended;
    case ColComplex:
      return complexType;
    default:
      return 0;
  }
}

JetField::JetField(std::shared_ptr<JetFile> file, const ColumnDefinition& column, int ordinal,
                   std::int32_t daoType, const std::vector<StoredProperty>* stored)
    : FFile(std::move(file)),
      FColumn(column),
      FOrdinal(ordinal),
      FType(daoType),
      FStored(stored),
      FProperties(stored, *FFile) {
  if (FColumn.Type == ColNumeric) {
    FProperties.Append(std::make_unique<JetProperty>("Precision", std::int64_t{FColumn.Precision}));
    FProperties.Append(std::make_unique<JetProperty>("Scale", std::int64_t{FColumn.Scale}));
  }
}

dao::Variant JetField::Size() {
  // A calculated column stores its result behind a header, so its stored
  // length is not the result's size.
  if (FColumn.Calculated()) {
    switch (FColumn.Type) {
      case ColBoolean:
      case ColByte:
        return std::int64_t{1};
      case ColInteger:
        return std::int64_t{2};
      case ColLong:
      case ColSingle:
        return std::int64_t{4};
      case ColCurrency:
      case ColDouble:
      case ColDateTime:
      case ColBigInt:
        return std::int64_t{8};
      case ColGuid:
        return std::int64_t{16};
      default:
        break;
    }
  }
  switch (FColumn.Type) {
    case ColText:
      return std::int64_t{FFile->Header().Jet3 ? FColumn.Length : FColumn.Length / 2};
    case ColMemo:
    case ColOle:
      return std::int64_t{0};
    case ColNumeric:
      return std::int64_t{DaoDecimalSize};
    default:
      return std::int64_t{FColumn.Length};
  }
}

bool JetField::DataUpdatable() {
  return (FColumn.Flags & (ColumnAutoLong | ColumnAutoGuid | ColumnReplication)) == 0 &&
         !FColumn.Calculated();
}

std::int32_t JetField::Attributes() {
  std::int32_t attributes = FColumn.Fixed() ? dao::dbFixedField : dao::dbVariableField;
  if ((FColumn.Flags & ColumnAutoLong) != 0) attributes |= dao::dbAutoIncrField;
  if ((FColumn.Flags & ColumnReplication) != 0) attributes |= dao::dbSystemField;
  if ((FColumn.Flags & ColumnHyperlink) != 0 && FColumn.Type == ColMemo) {
    attributes |= dao::dbHyperlinkField;
  }
  if (DataUpdatable()) attributes |= dao::dbUpdatableField;
  return attributes;
}

std::string JetField::ForeignName() {
  throw dao::EngineError(
      OneLine("フィールド '" + FColumn.Name + "' はリレーションのフィールドではありません。"));
}

bool JetField::StoredFlag(std::string_view name) {
  const StoredProperty* stored = FindStored(FStored, name);
  if (stored == nullptr) return false;
  const dao::Variant value = StoredValue(*FFile, *stored);
  if (const bool* flag = std::get_if<bool>(&value)) return *flag;
  if (const std::int64_t* number = std::get_if<std::int64_t>(&value)) return *number != 0;
  throw dao::EngineError(OneLine("プロパティ '" + stored->Name + "' の値が真偽値ではありません。"));
}

std::string JetField::StoredText(std::string_view name) {
  return jet::StoredText(*FFile, FStored, name);
}

NameField::NameField(std::string name, std::string foreignName, std::int32_t attributes)
    : FName(std::move(name)), FForeignName(std::move(foreignName)), FAttributes(attributes) {}

dao::Collection<dao::Property>& NameField::Properties() {
  if (!FProperties) FProperties = NewPropertyList();
  return *FProperties;
}

void NameField::Unsupported(const char* member) const {
  throw dao::EngineError(
      OneLine(std::string("フィールド '") + FName + "' では " + member +
              " を読めません（インデックスまたはリレーションのフィールドです）。"));
}

std::unique_ptr<FieldList> NewFieldList(FieldList::Loader loader) {
  return std::make_unique<FieldList>(
      "フィールド", [](dao::Field& f) { return f.Name(); }, std::move(loader));
}

}  // namespace tabulon::jet
