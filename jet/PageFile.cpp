#include <jet/PageFile.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jet/Rc4.h>
#include <text/SystemReason.h>

namespace tabulon::jet {

std::unique_ptr<FileSource> FileSource::Open(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = errno;
    ::close(fd);
    return nullptr;
  }
  if (S_ISDIR(info.st_mode)) {
    error = EISDIR;
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::uint64_t>(info.st_size)));
}

FileSource::~FileSource() { ::close(FFd); }

void FileSource::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  // Each pass either makes progress or ends; a short read at the end of a
  // file that shrank is an error.
  while (done < out.size()) {
    const ssize_t n =
        ::pread(FFd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ReadFailure(SystemReason(errno));
    if (n == 0) throw FormatError("ファイルが読み込み中に短くなりました");
    done += static_cast<std::size_t>(n);
  }
}

void MemorySource::Read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset > FBytes.size() || out.size() > FBytes.size() - offset) {
    throw FormatError("範囲外の読み込みです");
  }
  if (!out.empty()) std::memcpy(out.data(), FBytes.data() + offset, out.size());
}

PageFile::PageFile(std::unique_ptr<PageSource> source, const HeaderPage& header,
                   std::unique_ptr<PageCodec> codec)
    : FSource(std::move(source)), FHeader(header), FCodec(std::move(codec)) {
  const std::uint64_t pages = FSource->Size() / FHeader.Format->PageSize;
  FPageCount = pages > 0xFFFFFFu ? 0xFFFFFFu : static_cast<std::uint32_t>(pages);
}

void PageFile::Read(std::uint32_t number, std::vector<std::uint8_t>& bytes) {
  if (number >= FPageCount) {
    throw PageOutsideFile("ページ " + std::to_string(number) + " はファイルの範囲外です（全 " +
                          std::to_string(FPageCount) + " ページ）");
  }
  bytes.resize(PageSize());
  FSource->Read(static_cast<std::uint64_t>(number) * PageSize(), bytes);
  // Encrypted Jet databases encrypt every page but the header with RC4,
  // keyed by the database key XOR the page number.
  if (number != 0 && FHeader.DatabaseKey != 0 && !FHeader.Ace) {
    Rc4WithKey32(FHeader.DatabaseKey ^ number, bytes);
  }
  if (number != 0 && FCodec) FCodec->Decrypt(number, bytes);
}

ByteView PageFile::Page(std::uint32_t number) {
  auto found = FPages.find(number);
  if (found == FPages.end()) {
    std::vector<std::uint8_t> bytes;
    Read(number, bytes);
    found = FPages.emplace(number, std::move(bytes)).first;
  }
  return ByteView(found->second, "ページ");
}

ByteView PageFile::Into(std::uint32_t number, std::vector<std::uint8_t>& into) {
  if (const auto found = FPages.find(number); found != FPages.end()) {
    into = found->second;
  } else {
    Read(number, into);
  }
  return ByteView(into, "ページ");
}

ByteView PageFile::Transient(std::uint32_t number) {
  if (const auto found = FPages.find(number); found != FPages.end())
    return ByteView(found->second, "ページ");
  if (FTransientNumber != number) {
    FTransientNumber.reset();
    Read(number, FTransient);
    FTransientNumber = number;
  }
  return ByteView(FTransient, "ページ");
}

}  // namespace tabulon::jet
