#pragma once
// Key derivation of Office encryption as an ACE file uses it. The block
// number Office feeds into a key or IV is, in an ACE file, the page number
// XOR the header's database key; the password is UTF-16LE.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include <jet/Digest.h>

namespace tabulon::jet {

using ByteSpan = std::span<const std::uint8_t>;

// The 4 bytes of `value`, least significant first.
std::array<std::uint8_t, 4> LittleEndian32(std::uint32_t value);

// The password as the key derivation takes it: UTF-16LE without a
// terminator, cut to 255 UTF-16 units.
std::vector<std::uint8_t> OfficePassword(std::string_view utf8);

// The 4-byte block number of page `page`: its number, little-endian, XOR
// the database key.
std::array<std::uint8_t, 4> PageBlockKey(std::uint32_t databaseKey, std::uint32_t page);

// H(salt + password), then `rounds` times H(uint32_le(i) + previous): the
// slow part of a derivation, the same for every block.
std::vector<std::uint8_t> SpunHash(Digest& hash, ByteSpan salt, ByteSpan password,
                                   std::uint32_t rounds);

// Agile's rule for keys and IVs: H(first + block), cut to `length` bytes or
// padded with 0x36.
std::vector<std::uint8_t> AgileDerive(Digest& hash, ByteSpan first, ByteSpan block,
                                      std::size_t length);

// The AES key of the binary form for a block: H(spun + block) XORed into
// 64 bytes of 0x36 and of 0x5C, hashed, joined and cut to `keyBytes` (at
// most twice the hash size).
std::vector<std::uint8_t> StandardAesKey(Digest& hash, ByteSpan spun, ByteSpan block,
                                         std::size_t keyBytes);

// The RC4 key of RC4 CryptoAPI for a block: H(h0 + block) cut to keyBits / 8
// bytes (padded with zeros past the hash); a 40-bit key is padded with
// zeros to 128 bits.
std::vector<std::uint8_t> Rc4CryptoApiKey(Digest& hash, ByteSpan h0, ByteSpan block,
                                          std::uint32_t keyBits);

}  // namespace tabulon::jet
