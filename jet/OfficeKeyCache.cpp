#include <jet/OfficeKeyCache.h>

#include <jet/OfficeKeys.h>

namespace tabulon::jet {

namespace {

std::array<std::uint8_t, 4> Length(std::size_t size) {
  return LittleEndian32(static_cast<std::uint32_t>(size));
}

}  // namespace

OfficeKeyCache::OfficeKeyCache() : FFingerprint(Digest::Find("SHA256")) {
  if (FFingerprint && FFingerprint->Size() != std::tuple_size_v<Fingerprint>) FFingerprint.reset();
}

OfficeKeyCache::~OfficeKeyCache() = default;

std::vector<std::uint8_t> OfficeKeyCache::SpunHash(Digest& hash, const std::string& hashName,
                                                   std::span<const std::uint8_t> salt,
                                                   std::span<const std::uint8_t> password,
                                                   std::uint32_t rounds) {
  if (!FFingerprint) return jet::SpunHash(hash, salt, password, rounds);
  // Each variable part carries its length, so no two inputs run together.
  const std::span name(reinterpret_cast<const std::uint8_t*>(hashName.data()), hashName.size());
  Fingerprint id;
  FFingerprint->Hash({Length(name.size()), name, LittleEndian32(rounds), Length(salt.size()), salt,
                      Length(password.size()), password},
                     id);
  if (const auto found = FValues.find(id); found != FValues.end()) return found->second;
  std::vector<std::uint8_t> value = jet::SpunHash(hash, salt, password, rounds);
  if (FOrder.size() == MaxEntries) {
    FValues.erase(FOrder.front());
    FOrder.pop_front();
  }
  FValues.emplace(id, value);
  FOrder.push_back(id);
  return value;
}

std::vector<std::uint8_t> CachedSpunHash(OfficeKeyCache* cache, Digest& hash,
                                         const std::string& hashName,
                                         std::span<const std::uint8_t> salt,
                                         std::span<const std::uint8_t> password,
                                         std::uint32_t rounds) {
  return cache != nullptr ? cache->SpunHash(hash, hashName, salt, password, rounds)
                          : jet::SpunHash(hash, salt, password, rounds);
}

}  // namespace tabulon::jet
