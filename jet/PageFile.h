#pragma once
// Page access: the file as numbered pages of the format's size, read on
// demand, decrypted where the database is page-encrypted, and kept for the
// life of the object. A page number outside the file is an error, never a
// read.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include <jet/ByteView.h>
#include <jet/HeaderPage.h>
#include <jet/PageCodec.h>

namespace tabulon::jet {

// A page that a structure names lies past the end of the file: the file
// was cut short, or the number is damaged.
class PageOutsideFile : public FormatError {
 public:
  using FormatError::FormatError;
};

// Where the bytes come from: an open file or a buffer.
class PageSource {
 public:
  virtual ~PageSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; the range lies inside Size(). Throws
  // FormatError when the bytes cannot be read.
  virtual void Read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// A file opened read-only; the descriptor is closed with the object.
class FileSource : public PageSource {
 public:
  // Opens `path` for reading. On failure returns null and sets `error` to
  // errno.
  static std::unique_ptr<FileSource> Open(const std::string& path, int& error);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  std::uint64_t Size() const override { return FSize; }
  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  FileSource(int fd, std::uint64_t size) : FFd(fd), FSize(size) {}
  int FFd;
  std::uint64_t FSize;
};

// Bytes held in memory (tests and the fuzz target).
class MemorySource : public PageSource {
 public:
  explicit MemorySource(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {}
  std::uint64_t Size() const override { return FBytes.size(); }
  void Read(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::vector<std::uint8_t> FBytes;
};

class PageFile {
 public:
  // `codec` decrypts the pages of an Office-encrypted file; null for any
  // other.
  PageFile(std::unique_ptr<PageSource> source, const HeaderPage& header,
           std::unique_ptr<PageCodec> codec = nullptr);

  const Layout& Format() const { return *FHeader.Format; }
  const HeaderPage& Header() const { return FHeader; }
  std::uint32_t PageSize() const { return FHeader.Format->PageSize; }
  // Whole pages in the file; a partial page at the end does not count.
  std::uint32_t PageCount() const { return FPageCount; }

  // The page's bytes, decrypted; valid for the life of this object.
  // Throws PageOutsideFile for a page outside the file.
  ByteView Page(std::uint32_t number);
  // The same for structures that are copied out as they are read (table
  // definitions, long values): the page is not kept, and the bytes are
  // valid only until the next call of Transient, unless Page kept them
  // anyway. The last page read this way is remembered, so that the next
  // read of the same page (long values share pages) reads nothing.
  ByteView Transient(std::uint32_t number);
  // The same into the caller's buffer, for a reader that walks many pages
  // once (a table's rows): nothing is kept here, and the bytes are valid
  // while `into` is left alone.
  ByteView Into(std::uint32_t number, std::vector<std::uint8_t>& into);

 private:
  void Read(std::uint32_t number, std::vector<std::uint8_t>& bytes);

  std::unique_ptr<PageSource> FSource;
  HeaderPage FHeader;
  std::unique_ptr<PageCodec> FCodec;
  std::uint32_t FPageCount;
  std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> FPages;
  std::vector<std::uint8_t> FTransient;
  std::optional<std::uint32_t> FTransientNumber;
};

}  // namespace tabulon::jet
