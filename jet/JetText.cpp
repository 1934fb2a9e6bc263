#include <jet/JetText.h>

#include <string>
#include <vector>

#include <fmt/format.h>

#include <text/Utf8.h>

namespace tabulon::jet {

namespace {

void NoteFault(std::string* fault, const std::string& what) {
  if (fault != nullptr && fault->empty()) *fault = what;
}

// UTF-16 units to UTF-8 (at most three bytes a unit; a pair of units makes
// four), written straight into the result. `unit(i)` gives unit i of
// `count`. A lone surrogate is noted in `fault` (when given and empty).
template <class Unit>
std::string UnitsToUtf8(std::size_t count, Unit unit, std::string* fault) {
  // Names and short texts, most of what is decoded, are made on the stack
  // so that the result is the only string made.
  char small[96];
  std::string large;
  char* out = small;
  if (count * 3 > sizeof small) {
    large.resize(count * 3);
    out = large.data();
  }
  std::size_t at = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t first = unit(i);
    if (first < 0x80) {
      out[at++] = static_cast<char>(first);
      continue;
    }
    char32_t cp = first;
    if (first >= 0xD800 && first <= 0xDBFF && i + 1 < count) {
      const char16_t second = unit(i + 1);
      if (second >= 0xDC00 && second <= 0xDFFF) {
        cp = 0x10000 + ((static_cast<char32_t>(first) - 0xD800) << 10) +
             (static_cast<char32_t>(second) - 0xDC00);
        ++i;
      }
    }
    // A lone surrogate is written as U+FFFD.
    if (cp >= 0xD800 && cp <= 0xDFFF) {
      NoteFault(fault, fmt::format("{} 番目の単位 U+{:04X} に対がありません", i + 1,
                                   static_cast<unsigned>(first)));
    }
    at += PutUtf8(out + at, cp);
  }
  if (out == small) return std::string(small, at);
  large.resize(at);
  return large;
}

}  // namespace

std::string Utf16LeToUtf8(ByteView bytes, std::string* fault) {
  const std::uint8_t* data = bytes.Data();
  std::string out = UnitsToUtf8(
      bytes.Size() / 2,
      [data](std::size_t i) { return static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8); },
      fault);
  if (bytes.Size() % 2 != 0) {
    NoteFault(fault, "末尾に半端なバイトがあります");
    AppendUtf8(out, ReplacementCharacter);
  }
  return out;
}

std::string DecompressJet4Text(ByteView bytes, std::string* fault) {
  // Starts with one byte a character; each 00 byte switches between that
  // and two bytes a character.
  std::vector<char16_t> units;
  units.reserve(bytes.Size());
  const std::uint8_t* data = bytes.Data();
  bool compressed = true;
  std::size_t i = 0;
  while (i < bytes.Size()) {
    if (data[i] == 0) {
      compressed = !compressed;
      ++i;
    } else if (compressed) {
      units.push_back(data[i]);
      ++i;
    } else if (i + 1 < bytes.Size()) {
      units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
      i += 2;
    } else {
      NoteFault(fault, "末尾に半端なバイトがあります");
      break;  // half a character at the end
    }
  }
  return UnitsToUtf8(
      units.size(), [&units](std::size_t k) { return units[k]; }, fault);
}

TextDecoder::TextDecoder(bool jet3, int codePage) : FJet3(jet3) {
  if (!jet3) return;
  std::string name = codePage > 0 ? IconvNameOfCodePage(codePage) : "";
  if (name.empty()) name = "CP1252";
  FDecoder = std::make_unique<CodePageDecoder>(name.c_str());
}

std::string TextDecoder::Text(ByteView bytes, std::string* fault) const {
  if (FJet3) return Name(bytes);
  if (bytes.Size() >= 2 && bytes.Data()[0] == 0xFF && bytes.Data()[1] == 0xFE) {
    return DecompressJet4Text(bytes.From(2), fault);
  }
  return Utf16LeToUtf8(bytes, fault);
}

std::string TextDecoder::Name(ByteView bytes) const {
  if (FJet3) {
    return FDecoder->Decode(
        std::string_view(reinterpret_cast<const char*>(bytes.Data()), bytes.Size()));
  }
  return Utf16LeToUtf8(bytes);
}

}  // namespace tabulon::jet
