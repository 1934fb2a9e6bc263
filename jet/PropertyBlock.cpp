#include <jet/PropertyBlock.h>

#include <cstring>

#include <fmt/format.h>

#include <jet/JetFormat.h>
#include <text/TextCompare.h>

namespace tabulon::jet {

namespace {

constexpr std::size_t SignatureSize = 4;
constexpr std::size_t ChunkHeaderSize = 6;
constexpr std::size_t RecordHeaderSize = 8;

std::vector<StoredProperty> ParseValues(ByteView payload, std::size_t pos,
                                        const std::vector<std::string>& names) {
  std::vector<StoredProperty> properties;
  // Counted first, so the vector is made once: a table has a block of
  // properties for each column.
  std::size_t count = 0;
  for (std::size_t at = pos; at + 2 <= payload.Size() && payload.U16(at) >= RecordHeaderSize;
       at += payload.U16(at)) {
    ++count;
  }
  properties.reserve(count);
  // Each record is at least its header long, so the loop ends.
  while (pos < payload.Size()) {
    const std::uint16_t length = payload.U16(pos);
    if (length < RecordHeaderSize) throw FormatError("プロパティの値の長さが不正です");
    const ByteView record = payload.Sub(pos, length);
    StoredProperty property;
    property.Ddl = record.U8(2) != 0;
    property.Type = record.U8(3);
    const std::uint16_t nameIndex = record.U16(4);
    if (nameIndex >= names.size())
      throw FormatError("プロパティ名の番号が名前の表の外を指しています");
    property.Name = names[nameIndex];
    const ByteView value = record.Sub(RecordHeaderSize, record.U16(6));
    property.Value = {value.Data(), value.Size()};
    properties.push_back(std::move(property));
    pos += length;
  }
  return properties;
}

}  // namespace

const std::vector<StoredProperty>* PropertyBlock::ChildProperties(std::string_view name) const {
  const auto* child =
      FindByName(Children, name, [](const auto& c) -> const std::string& { return c.Name; });
  return child != nullptr ? &child->Properties : nullptr;
}

PropertyBlock ParsePropertyBlock(ByteView blob, const TextDecoder& text) {
  PropertyBlock block;
  if (blob.Empty()) return block;
  block.Bytes.assign(blob.Data(), blob.Data() + blob.Size());
  const ByteView bytes(block.Bytes, "プロパティ");
  const char* signature = text.Jet3() ? PropertySignatureJet3 : PropertySignatureJet4;
  bytes.Require(0, SignatureSize);
  if (std::memcmp(bytes.Data(), signature, SignatureSize) != 0) {
    throw FormatError("プロパティの署名が不正です");
  }
  std::vector<std::string> names;
  std::size_t pos = SignatureSize;
  // Each chunk is at least its header long, so the loop ends.
  while (pos < bytes.Size()) {
    const std::uint32_t length = bytes.U32(pos);
    if (length < ChunkHeaderSize) throw FormatError("プロパティの区画の長さが不正です");
    const ByteView chunk = bytes.Sub(pos, length);
    const std::uint16_t type = chunk.U16(4);
    const ByteView payload = chunk.From(ChunkHeaderSize);
    if (type == PropertyChunkNames) {
      std::size_t at = 0;
      while (at < payload.Size()) {
        const std::uint16_t nameLength = payload.U16(at);
        names.push_back(text.Name(payload.Sub(at + 2, nameLength)));
        at += 2 + std::size_t{nameLength};
      }
    } else if (type == PropertyChunkObject || type == PropertyChunkSubObject ||
               type == PropertyChunkSubObjectAlt) {
      const std::uint32_t headerLength = payload.U32(0);
      const std::uint16_t nameLength = payload.U16(4);
      const std::string name = text.Name(payload.Sub(6, nameLength));
      if (headerLength < 6 || headerLength > payload.Size()) {
        throw FormatError("プロパティの見出しの長さが不正です");
      }
      std::vector<StoredProperty> values = ParseValues(payload, headerLength, names);
      if (type == PropertyChunkObject) {
        for (auto& value : values) block.Object.push_back(std::move(value));
      } else {
        block.Children.push_back({name, std::move(values)});
      }
    }
    pos += length;
  }
  return block;
}

std::string GuidText(ByteView bytes) {
  const ByteView guid = bytes.Sub(0, 16);
  std::string text = fmt::format("{{{:08X}-{:04X}-{:04X}-", guid.U32(0), guid.U16(4), guid.U16(6));
  for (std::size_t i = 8; i < 16; ++i) {
    if (i == 10) text += '-';
    text += fmt::format("{:02X}", guid.U8(i));
  }
  return text + "}";
}

dao::Variant PropertyValue(const StoredProperty& property, const TextDecoder& text) {
  const ByteView value(property.Value, "プロパティの値");
  switch (property.Type) {
    case ColBoolean:
      return value.U8(0) != 0;
    case ColByte:
      return std::int64_t{value.U8(0)};
    case ColInteger:
      // Access stores some integers (ColumnWidth) in four bytes.
      return value.Size() >= 4 ? std::int64_t{value.I32(0)} : std::int64_t{value.I16(0)};
    case ColLong:
      return std::int64_t{value.I32(0)};
    case ColCurrency:
      return dao::Currency{static_cast<std::int64_t>(value.U64(0))};
    case ColSingle:
      return value.F32(0);
    case ColDouble:
      return value.F64(0);
    case ColDateTime:
      return dao::Date{value.F64(0)};
    case ColText:
    case ColMemo:
      return text.Text(value);
    case ColGuid:
      return GuidText(value);
    case ColBigInt:
      return static_cast<std::int64_t>(value.U64(0));
    case ColBinary:
    case ColOle:
      return dao::Bytes(property.Value.begin(), property.Value.end());
    default:
      break;
  }
  throw FormatError("プロパティ '" + property.Name + "' の型 " + std::to_string(property.Type) +
                    " は読めません");
}

}  // namespace tabulon::jet
