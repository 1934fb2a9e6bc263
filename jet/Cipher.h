#pragma once
// A cipher of libcrypto, looked up by name, that decrypts in place: a block
// cipher in a chaining mode (without padding) or a stream cipher.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tabulon::jet {

class Cipher {
 public:
  // The cipher libcrypto offers under `name` ("AES-256-CBC", "AES-128-ECB",
  // "RC4", ...); null when it offers none by that name.
  static std::unique_ptr<Cipher> Find(const std::string& name);
  ~Cipher();
  Cipher(const Cipher&) = delete;
  Cipher& operator=(const Cipher&) = delete;

  // Key bytes it takes; for a cipher whose key length varies, its default.
  std::size_t KeyLength() const;
  bool VariableKeyLength() const;
  // IV bytes it takes; 0 when it takes none.
  std::size_t IvLength() const;
  // The unit Decrypt works in: the block size in a block mode, 1 for a
  // stream cipher or a byte-wise feedback mode.
  std::size_t BlockSize() const;

  // Starts decrypting with `key` (KeyLength() bytes, or any length
  // libcrypto accepts when the length varies) and `iv` (IvLength() bytes).
  // Throws FormatError when libcrypto refuses them.
  void Start(std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv);
  // Starts again with the key of the last Start and a new `iv`.
  void Restart(std::span<const std::uint8_t> iv);
  // Decrypts `data` in place, continuing the chain or stream since the
  // last Start or Restart. Its size must be a multiple of BlockSize();
  // throws FormatError otherwise or when libcrypto fails.
  void Decrypt(std::span<std::uint8_t> data);

 private:
  struct Handles;
  explicit Cipher(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> FHandles;
};

}  // namespace tabulon::jet
