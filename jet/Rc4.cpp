#include <jet/Rc4.h>

#include <utility>

namespace tabulon::jet {

Rc4::Rc4(std::span<const std::uint8_t> key) {
  for (int i = 0; i < 256; ++i) FState[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  if (key.empty()) return;
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + FState[i] + key[i % key.size()]);
    std::swap(FState[i], FState[j]);
  }
}

void Rc4::Apply(std::span<std::uint8_t> data) {
  for (std::uint8_t& byte : data) {
    FI = static_cast<std::uint8_t>(FI + 1);
    FJ = static_cast<std::uint8_t>(FJ + FState[FI]);
    std::swap(FState[FI], FState[FJ]);
    byte ^= FState[static_cast<std::uint8_t>(FState[FI] + FState[FJ])];
  }
}

void Rc4WithKey32(std::uint32_t key, std::span<std::uint8_t> data) {
  const std::array<std::uint8_t, 4> bytes{
      static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
      static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
  Rc4 cipher(bytes);
  cipher.Apply(data);
}

}  // namespace tabulon::jet
