#pragma once
// The slow part of Office key derivations (thousands of hash rounds over
// the password), kept by the engine so that opening the same file with the
// same password again, as the report does after the connection check, does
// not pay for it twice.
//
// An entry is found by a SHA-256 fingerprint of everything the value is
// computed from (hash, rounds, salt, password), so a different password or a
// file whose encryption changed never meets another's value, and no password
// is kept. It holds at most MaxEntries values, dropping the oldest. Not
// thread-safe, like the workspace that owns it.

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <jet/Digest.h>

namespace tabulon::jet {

class OfficeKeyCache {
 public:
  static constexpr std::size_t MaxEntries = 1024;

  OfficeKeyCache();
  ~OfficeKeyCache();

  // SpunHash(hash, salt, password, rounds) (jet/OfficeKeys.h), computed only
  // when it is not kept already. `hashName` names `hash`.
  std::vector<std::uint8_t> SpunHash(Digest& hash, const std::string& hashName,
                                     std::span<const std::uint8_t> salt,
                                     std::span<const std::uint8_t> password, std::uint32_t rounds);

  std::size_t Size() const { return FValues.size(); }

 private:
  using Fingerprint = std::array<std::uint8_t, 32>;  // SHA-256
  std::unique_ptr<Digest> FFingerprint;
  std::map<Fingerprint, std::vector<std::uint8_t>> FValues;
  std::deque<Fingerprint> FOrder;  // oldest first
};

// SpunHash through `cache` when there is one, directly otherwise.
std::vector<std::uint8_t> CachedSpunHash(OfficeKeyCache* cache, Digest& hash,
                                         const std::string& hashName,
                                         std::span<const std::uint8_t> salt,
                                         std::span<const std::uint8_t> password,
                                         std::uint32_t rounds);

}  // namespace tabulon::jet
