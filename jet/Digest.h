#pragma once
// A hash function of libcrypto, looked up by name, with its own context so
// that the many short hashes of a key derivation reuse one handle.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tabulon::jet {

class Digest {
 public:
  // The hash libcrypto offers under `name` ("SHA1", "SHA512", "MD5", ...);
  // null when it offers none by that name.
  static std::unique_ptr<Digest> Find(const std::string& name);
  ~Digest();
  Digest(const Digest&) = delete;
  Digest& operator=(const Digest&) = delete;

  // Bytes of one hash value.
  std::size_t Size() const { return FSize; }

  // Writes the hash of `parts`, one after another, to `out` (Size() bytes).
  void Hash(std::initializer_list<std::span<const std::uint8_t>> parts,
            std::span<std::uint8_t> out);
  // The same as a new vector.
  std::vector<std::uint8_t> Of(std::initializer_list<std::span<const std::uint8_t>> parts);

 private:
  struct Handles;
  explicit Digest(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> FHandles;
  std::size_t FSize;
};

}  // namespace tabulon::jet
