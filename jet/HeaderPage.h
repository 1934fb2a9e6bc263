#pragma once
// The header page (page 0): format version, page size, the RC4-obscured
// block with code page, sort order, page-encryption key, database password
// and creation date.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <jet/ByteView.h>
#include <jet/JetFormat.h>

namespace tabulon::jet {

struct HeaderPage {
  std::uint8_t Version = 0;  // FileVersion
  bool Jet3 = false;
  bool Ace = false;
  const Layout* Format = nullptr;
  std::uint16_t CodePage = 0;
  std::uint16_t SortOrder = 0;         // LCID of the default collation
  std::uint8_t SortVersion = 0;        // Jet 4/ACE: 0 General Legacy, 1 General
  std::uint32_t DatabaseKey = 0;       // 0: pages are not encrypted
  std::optional<double> CreationDate;  // Jet 4 and ACE
  // The stored password: Jet 3 code-page bytes, Jet 4 UCS-2 bytes, both
  // cut at the first NUL; empty when none is set. ACE keeps no password here.
  std::vector<std::uint8_t> Password;

  // ACE with a page key: the file is encrypted with Office encryption.
  bool AceEncrypted() const { return Ace && DatabaseKey != 0; }
};

// The smallest prefix of the file ParseHeaderPage needs.
inline constexpr std::size_t HeaderPrefixSize = 0x98;

// Parses the start of a file. nullopt when the bytes are not a Jet or ACE
// database (wrong magic, engine name or version, or too short).
std::optional<HeaderPage> ParseHeaderPage(ByteView prefix);

}  // namespace tabulon::jet
