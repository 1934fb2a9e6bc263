#include <jet/JetText.h>

#include <vector>

#include <text/Utf8.h>

namespace tabulon::jet {

namespace {

void AppendUnits(std::string& out, const std::vector<char16_t>& units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      const char32_t cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                          (static_cast<char32_t>(units[i + 1]) - 0xDC00);
      AppendUtf8(out, cp);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(out, ReplacementCharacter);
    } else {
      AppendUtf8(out, unit);
    }
  }
}

}  // namespace

std::string Utf16LeToUtf8(ByteView bytes) {
  std::vector<char16_t> units;
  units.reserve(bytes.Size() / 2);
  const std::uint8_t* data = bytes.Data();
  for (std::size_t i = 0; i + 1 < bytes.Size(); i += 2) {
    units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  std::string out;
  out.reserve(units.size());
  AppendUnits(out, units);
  if (bytes.Size() % 2 != 0) AppendUtf8(out, ReplacementCharacter);
  return out;
}

std::string DecompressJet4Text(ByteView bytes) {
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
      break;  // half a character at the end
    }
  }
  std::string out;
  out.reserve(units.size());
  AppendUnits(out, units);
  return out;
}

TextDecoder::TextDecoder(bool jet3, int codePage) : FJet3(jet3) {
  if (!jet3) return;
  std::string name = codePage > 0 ? IconvNameOfCodePage(codePage) : "";
  if (name.empty()) name = "CP1252";
  FDecoder = std::make_unique<CodePageDecoder>(name.c_str());
}

std::string TextDecoder::Text(ByteView bytes) const {
  if (FJet3) return Name(bytes);
  if (bytes.Size() >= 2 && bytes.Data()[0] == 0xFF && bytes.Data()[1] == 0xFE) {
    return DecompressJet4Text(bytes.From(2));
  }
  return Utf16LeToUtf8(bytes);
}

std::string TextDecoder::Name(ByteView bytes) const {
  if (FJet3) {
    return FDecoder->Decode(
        std::string_view(reinterpret_cast<const char*>(bytes.Data()), bytes.Size()));
  }
  return Utf16LeToUtf8(bytes);
}

}  // namespace tabulon::jet
