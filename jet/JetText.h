#pragma once
// Text as the file stores it, to the program's UTF-8: Jet 3 text is in the
// database's code page; Jet 4 and ACE text is UCS-2 little-endian (UTF-16
// in ACE, so surrogate pairs are joined), optionally in the compressed form
// that starts with FF FE.

#include <memory>
#include <string>

#include <jet/ByteView.h>
#include <text/CodePage.h>

namespace tabulon::jet {

class TextDecoder {
 public:
  // `jet3` selects code-page text; `codePage` is the header's code page
  // (an unknown or zero code page falls back to 1252, Jet's default).
  TextDecoder(bool jet3, int codePage);

  // A text value: compressed or plain. Never throws; undecodable units
  // become U+FFFD, and where UTF-16 text is not valid UTF-16 (a lone
  // surrogate, a half unit at the end) the first fault is described in
  // `fault` when given.
  std::string Text(ByteView bytes, std::string* fault = nullptr) const;
  // A name (column, index, property, catalog name): never compressed.
  std::string Name(ByteView bytes) const;

  bool Jet3() const { return FJet3; }

 private:
  bool FJet3;
  std::unique_ptr<CodePageDecoder> FDecoder;
};

// UTF-16LE bytes to UTF-8; pairs joined, lone surrogates and a trailing odd
// byte become U+FFFD (the first described in `fault`, when given).
std::string Utf16LeToUtf8(ByteView bytes, std::string* fault = nullptr);

// Jet 4 compressed text (the bytes after FF FE) to UTF-8.
std::string DecompressJet4Text(ByteView bytes, std::string* fault = nullptr);

}  // namespace tabulon::jet
