#pragma once
// RC4, the stream cipher Jet uses to obscure the header page and to encrypt
// the pages of an "encrypted" Jet 3 / Jet 4 database.

#include <array>
#include <cstdint>
#include <span>

namespace tabulon::jet {

class Rc4 {
 public:
  explicit Rc4(std::span<const std::uint8_t> key);
  // XORs `data` with the next bytes of the key stream, in place.
  void Apply(std::span<std::uint8_t> data);

 private:
  std::array<std::uint8_t, 256> FState{};
  std::uint8_t FI = 0;
  std::uint8_t FJ = 0;
};

// Applies RC4 with the 4 little-endian bytes of `key` to `data`.
void Rc4WithKey32(std::uint32_t key, std::span<std::uint8_t> data);

}  // namespace tabulon::jet
