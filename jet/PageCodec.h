#pragma once
// The decryption of an encrypted database's pages, applied by PageFile as
// it reads each page.

#include <cstdint>
#include <span>

namespace tabulon::jet {

class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // Decrypts page `number` (1 or more: page 0 is never encrypted) in place.
  // Throws FormatError when it cannot.
  virtual void Decrypt(std::uint32_t number, std::span<std::uint8_t> page) = 0;
};

}  // namespace tabulon::jet
