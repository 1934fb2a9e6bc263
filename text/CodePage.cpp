#include <text/CodePage.h>

#include <cerrno>
#include <stdexcept>
#include <utility>

#include <text/Utf8.h>

namespace tabulon {

namespace {

const iconv_t InvalidHandle = reinterpret_cast<iconv_t>(-1);

// Converts as much of [in, in+inLeft) as iconv can; appends the output and
// returns iconv's errno (0 when everything was converted).
int ConvertChunk(iconv_t handle, const char*& in, std::size_t& inLeft, std::string& out) {
  char buffer[4096];
  while (inLeft > 0) {
    char* inPtr = const_cast<char*>(in);
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    in = inPtr;
    if (error == E2BIG) continue;
    if (error != 0) return error;
  }
  return 0;
}

}  // namespace

IconvHandle::IconvHandle(const char* toCode, const char* fromCode)
    : FHandle(iconv_open(toCode, fromCode)) {
  if (FHandle == InvalidHandle) {
    throw std::runtime_error(std::string("iconv cannot convert from ") + fromCode + " to " +
                             toCode);
  }
}

IconvHandle::~IconvHandle() {
  if (FHandle != InvalidHandle) iconv_close(FHandle);
}

IconvHandle::IconvHandle(IconvHandle&& other) noexcept
    : FHandle(std::exchange(other.FHandle, InvalidHandle)) {}

IconvHandle& IconvHandle::operator=(IconvHandle&& other) noexcept {
  if (this != &other) {
    if (FHandle != InvalidHandle) iconv_close(FHandle);
    FHandle = std::exchange(other.FHandle, InvalidHandle);
  }
  return *this;
}

void IconvHandle::Reset() const { iconv(FHandle, nullptr, nullptr, nullptr, nullptr); }

CodePageEncoder::CodePageEncoder(const char* codePage) : FHandle(codePage, "UTF-8") {}

std::string CodePageEncoder::Encode(std::string_view utf8,
                                    const UnmappableHandler& unmappable) const {
  FHandle.Reset();
  std::string out;
  out.reserve(utf8.size());
  const char* in = utf8.data();
  std::size_t inLeft = utf8.size();
  while (ConvertChunk(FHandle.Get(), in, inLeft, out) != 0) {
    // iconv stopped at a character it cannot map, or at malformed UTF-8
    // (EILSEQ, or EINVAL for a truncated sequence at the end).
    std::size_t pos = static_cast<std::size_t>(in - utf8.data());
    const char32_t cp = DecodeUtf8(utf8, pos);
    out += unmappable(cp);
    inLeft -= pos - static_cast<std::size_t>(in - utf8.data());
    in = utf8.data() + pos;
    FHandle.Reset();
  }
  return out;
}

bool CodePageEncoder::TryEncode(std::string_view utf8, std::string& out) const {
  FHandle.Reset();
  out.clear();
  out.reserve(utf8.size());
  const char* in = utf8.data();
  std::size_t inLeft = utf8.size();
  return ConvertChunk(FHandle.Get(), in, inLeft, out) == 0;
}

CodePageDecoder::CodePageDecoder(const char* codePage) : FHandle("UTF-8", codePage) {}

std::string CodePageDecoder::Decode(std::string_view bytes) const {
  FHandle.Reset();
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  const char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  while (ConvertChunk(FHandle.Get(), in, inLeft, out) != 0) {
    AppendUtf8(out, ReplacementCharacter);
    ++in;
    --inLeft;
    FHandle.Reset();
  }
  return out;
}

std::string DecodeCp932(std::string_view bytes) { return CodePageDecoder("CP932").Decode(bytes); }

bool TryEncodeCp932(std::string_view utf8, std::string& out) {
  return CodePageEncoder("CP932").TryEncode(utf8, out);
}

std::string IconvNameOfCodePage(int codePage) {
  const std::string name = "CP" + std::to_string(codePage);
  const iconv_t probe = iconv_open("UTF-8", name.c_str());
  if (probe == InvalidHandle) return "";
  iconv_close(probe);
  return name;
}

}  // namespace tabulon
