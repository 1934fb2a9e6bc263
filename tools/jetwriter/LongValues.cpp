#include <tools/jetwriter/LongValues.h>

#include <jet/JetFormat.h>

namespace tabulon::jetwriter {

LongValueStore::LongValueStore(PageFile& file) : FPacker(file, jet::LongValueOwner) {}

ByteVector LongValueStore::Store(const ByteVector& data) {
  ByteSink header;
  const auto length = static_cast<std::uint32_t>(data.size());
  if (data.size() <= InlineLimit) {
    header.U32(length | std::uint32_t{jet::LongValueInline} << 24);
    header.U32(0);
    header.U32(0);
    header.Append(data);
    return header.Take();
  }
  if (data.size() <= SingleRowLimit) {
    const RowPointer where = FPacker.Add(data);
    header.U32(length | std::uint32_t{jet::LongValueSingle} << 24);
    header.U32(where.Packed());
    header.U32(0);
    return header.Take();
  }
  // Chunks are placed last to first so that each knows where its successor went.
  std::uint32_t next = 0;
  const std::size_t chunks = (data.size() + ChainChunk - 1) / ChainChunk;
  for (std::size_t i = chunks; i-- > 0;) {
    const std::size_t begin = i * ChainChunk;
    const std::size_t end = std::min(data.size(), begin + ChainChunk);
    ByteSink chunk;
    chunk.U32(next);
    chunk.Bytes().insert(chunk.Bytes().end(), data.begin() + static_cast<std::ptrdiff_t>(begin),
                         data.begin() + static_cast<std::ptrdiff_t>(end));
    next = FPacker.Add(chunk.Bytes()).Packed();
  }
  header.U32(length | std::uint32_t{jet::LongValueChain} << 24);
  header.U32(next);
  header.U32(0);
  return header.Take();
}

}  // namespace tabulon::jetwriter
