#pragma once
// Bounds-checked little-endian reads over bytes taken from a database file.
// Every read outside the view throws FormatError, so a damaged length or
// offset ends in an error and never in a read past the buffer.

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>

namespace tabulon::jet {

// A structure of the file is damaged. what() says, in Japanese and without
// the file's name, what was found wrong; the object model adds the name.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The system could not read the file (an I/O error); nothing is known to be
// wrong with its structures.
class ReadFailure : public FormatError {
 public:
  using FormatError::FormatError;
};

// A non-owning view of bytes; `what` names the structure for the error
// text ("テーブル定義", "行", ...) and must outlive the view.
class ByteView {
 public:
  ByteView() = default;
  ByteView(std::span<const std::uint8_t> bytes, const char* what) : FBytes(bytes), FWhat(what) {}

  std::size_t Size() const { return FBytes.size(); }
  bool Empty() const { return FBytes.empty(); }
  const std::uint8_t* Data() const { return FBytes.data(); }
  const char* What() const { return FWhat; }

  // True when [offset, offset + length) lies inside the view.
  bool Has(std::size_t offset, std::size_t length) const {
    return offset <= FBytes.size() && length <= FBytes.size() - offset;
  }
  void Require(std::size_t offset, std::size_t length) const {
    if (!Has(offset, length)) Truncated(offset, length);
  }

  std::uint8_t U8(std::size_t offset) const {
    Require(offset, 1);
    return FBytes[offset];
  }
  std::uint16_t U16(std::size_t offset) const {
    Require(offset, 2);
    return static_cast<std::uint16_t>(FBytes[offset] | FBytes[offset + 1] << 8);
  }
  std::uint32_t U24(std::size_t offset) const {
    Require(offset, 3);
    return static_cast<std::uint32_t>(FBytes[offset]) |
           static_cast<std::uint32_t>(FBytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(FBytes[offset + 2]) << 16;
  }
  std::uint32_t U32(std::size_t offset) const {
    Require(offset, 4);
    return static_cast<std::uint32_t>(FBytes[offset]) |
           static_cast<std::uint32_t>(FBytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(FBytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(FBytes[offset + 3]) << 24;
  }
  std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
  std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
  std::uint64_t U64(std::size_t offset) const {
    return static_cast<std::uint64_t>(U32(offset)) | static_cast<std::uint64_t>(U32(offset + 4))
                                                         << 32;
  }
  float F32(std::size_t offset) const {
    const std::uint32_t bits = U32(offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  double F64(std::size_t offset) const {
    const std::uint64_t bits = U64(offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  ByteView Sub(std::size_t offset, std::size_t length) const {
    Require(offset, length);
    return ByteView(FBytes.subspan(offset, length), FWhat);
  }
  ByteView From(std::size_t offset) const {
    Require(offset, 0);
    return ByteView(FBytes.subspan(offset), FWhat);
  }
  ByteView As(const char* what) const { return ByteView(FBytes, what); }

 private:
  // Kept out of line, so that the check above is small enough to inline
  // into every read.
  [[noreturn, gnu::cold, gnu::noinline]] void Truncated(std::size_t offset,
                                                        std::size_t length) const {
    throw FormatError(std::string(FWhat) + "が途中で切れています（位置 " + std::to_string(offset) +
                      "、長さ " + std::to_string(length) + "、全体 " +
                      std::to_string(FBytes.size()) + "）");
  }

  std::span<const std::uint8_t> FBytes;
  const char* FWhat = "データ";
};

}  // namespace tabulon::jet
