#include <outputs/JsonWriter.h>

#include <stdexcept>
#include <utility>

#include <text/Utf8.h>

namespace tabulon::outputs {

namespace {

// Above this much text a Flush hands it on; smaller pieces are gathered.
constexpr std::size_t FlushSize = 1 << 16;

}  // namespace

JsonWriter::JsonWriter(std::function<void(std::string_view)> sink) : FSink(std::move(sink)) {}

void JsonWriter::Indent(std::size_t depth) {
  FBuffer += '\n';
  FBuffer.append(depth * 2, ' ');
}

void JsonWriter::BeforeValue() {
  if (FExpectValue) {
    FExpectValue = false;
    return;
  }
  if (FOpened.empty()) return;
  if (FOpened.back()) FBuffer += ',';
  FOpened.back() = true;
  Indent(FOpened.size());
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  FBuffer += bracket;
  FOpened.push_back(false);
}

void JsonWriter::Close(char bracket) {
  if (FOpened.empty() || FExpectValue) throw std::logic_error("JSON: nothing open to close");
  const bool any = FOpened.back();
  FOpened.pop_back();
  if (any) Indent(FOpened.size());
  FBuffer += bracket;
}

void JsonWriter::BeginObject() { Open('{'); }
void JsonWriter::EndObject() { Close('}'); }
void JsonWriter::BeginArray() { Open('['); }
void JsonWriter::EndArray() { Close(']'); }

void JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendString(FBuffer, key);
  FBuffer += ": ";
  FExpectValue = true;
}

void JsonWriter::String(std::string_view text) {
  BeforeValue();
  AppendString(FBuffer, text);
}

void JsonWriter::Number(std::int64_t number) {
  BeforeValue();
  FBuffer += std::to_string(number);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  FBuffer += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  FBuffer += "null";
}

JsonWriter::Position JsonWriter::Mark() const { return {FBuffer.size(), FOpened, FExpectValue}; }

void JsonWriter::Rewind(const Position& position) {
  if (position.Size > FBuffer.size()) throw std::logic_error("JSON: rewound past a flush");
  FBuffer.resize(position.Size);
  FOpened = position.Opened;
  FExpectValue = position.ExpectValue;
}

void JsonWriter::Flush() {
  if (FBuffer.size() < FlushSize) return;
  FSink(FBuffer);
  FBuffer.clear();
}

void JsonWriter::Finish() {
  if (!FOpened.empty() || FExpectValue) throw std::logic_error("JSON: document not closed");
  FBuffer += '\n';
  FSink(FBuffer);
  FBuffer.clear();
}

void JsonWriter::AppendString(std::string& out, std::string_view text) {
  static constexpr char Hex[] = "0123456789abcdef";
  out += '"';
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c >= 0x80) {
      const std::size_t start = pos;
      const char32_t cp = DecodeUtf8(text, pos);
      if (cp == ReplacementCharacter && pos == start + 1) {
        AppendUtf8(out, ReplacementCharacter);
      } else {
        out.append(text.substr(start, pos - start));
      }
      continue;
    }
    ++pos;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += Hex[c >> 4];
          out += Hex[c & 0xF];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

}  // namespace tabulon::outputs
