// Damaged copies of real databases: bytes flipped, boundary values and page
// numbers past the end written into table definitions, row tables and
// long-value pointers, files cut short. Each copy must open and read to the
// end, or fail with an engine error; never crash, hang or throw anything
// else (the sanitizer build checks the memory side).

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>

#include <gtest/gtest.h>

#include <jet/JetEngine.h>
#include <jet/JetFile.h>
#include <tests/support/EngineTestSupport.h>

namespace tabulon::test {
namespace {

using Bytes = std::string;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  if (at + 4 > b.size()) return;
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
}

struct Seed {
  const char* File;
  std::size_t PageSize;
};

// The pages of a file's table definitions and of its catalog's data, which
// the damage aims at.
struct Targets {
  std::vector<std::uint32_t> TdefPages;
  std::vector<std::uint32_t> DataPages;
};

Targets FindTargets(const Bytes& bytes, std::size_t pageSize) {
  Targets targets;
  for (std::size_t page = 2; (page + 1) * pageSize <= bytes.size(); ++page) {
    const auto type = static_cast<std::uint8_t>(bytes[page * pageSize]);
    if (type == 0x02) targets.TdefPages.push_back(static_cast<std::uint32_t>(page));
    if (type == 0x01) targets.DataPages.push_back(static_cast<std::uint32_t>(page));
  }
  return targets;
}

// One damaged copy; `kind` picks the damage, `random` its place and value.
Bytes Damage(const Bytes& original, std::size_t pageSize, const Targets& targets, int kind,
             std::mt19937& random) {
  Bytes bytes = original;
  const std::uint32_t pageCount = static_cast<std::uint32_t>(bytes.size() / pageSize);
  const std::uint32_t past = (pageCount + 3) << 8;  // a row pointer past the end
  const std::uint32_t boundary[] = {0,          1,         0xFF, 0xFFFF,     0x7FFFFFFF,
                                    0xFFFFFFFF, pageCount, past, past | 0x7F};
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  auto anyValue = [&] { return boundary[pick(std::size(boundary))]; };
  auto pageOf = [&](const std::vector<std::uint32_t>& pages) {
    return pages.empty() ? std::size_t{2} : std::size_t{pages[pick(pages.size())]};
  };
  switch (kind) {
    case 0: {  // a few random bytes anywhere after the header
      const int flips = 1 + static_cast<int>(pick(8));
      for (int i = 0; i < flips; ++i)
        bytes[pageSize + pick(bytes.size() - pageSize)] = static_cast<char>(pick(256));
      break;
    }
    case 1: {  // a TDEF header field: counts, maps, continuation
      const std::size_t fields[] = {4,  8,  12, 16, 20, 21, 23, 25, 27, 31,
                                    35, 39, 41, 43, 45, 47, 51, 55, 59};
      Put32(bytes, pageOf(targets.TdefPages) * pageSize + fields[pick(std::size(fields))],
            anyValue());
      break;
    }
    case 2: {  // anywhere in a TDEF: column entries, names, index slots
      Put32(bytes, pageOf(targets.TdefPages) * pageSize + 8 + pick(pageSize - 12), anyValue());
      break;
    }
    case 3: {  // a data page's row count or row offsets
      const std::size_t page = pageOf(targets.DataPages) * pageSize;
      const std::size_t at = 8 + 2 * pick(24);
      bytes[page + at] = static_cast<char>(anyValue());
      bytes[page + at + 1] = static_cast<char>(anyValue() >> 8);
      break;
    }
    case 4: {  // pointers inside rows (long values, overflow rows) past the end
      const std::size_t page = pageOf(targets.DataPages) * pageSize;
      for (int i = 0; i < 4; ++i) Put32(bytes, page + 16 + pick(pageSize - 20), anyValue());
      break;
    }
    default: {  // cut short, at a page boundary or inside a page
      const std::size_t length = pick(bytes.size());
      bytes.resize(pick(2) == 0 ? length - length % pageSize : length);
      break;
    }
  }
  return bytes;
}

TEST(JetDamage, DamagedCopiesEndInAResultOrAnEngineError) {
  TABULON_REQUIRE_TESTDATA();
  const Seed seeds[] = {{"jackcess/V1997/testV1997.mdb", 2048},
                        {"jackcess/V2003/indexTestV2003.mdb", 4096},
                        {"jackcess/V2010/complexDataTestV2010.accdb", 4096},
                        {"jackcess/V2007/linkerTestV2007.accdb", 4096}};
  // TABULON_DAMAGE_COPIES sets a longer run by hand; CI keeps the default.
  const char* copies = std::getenv("TABULON_DAMAGE_COPIES");
  const int CopiesPerSeed = copies ? std::max(1, std::atoi(copies)) : 250;
  constexpr int Kinds = 6;
  std::unique_ptr<dao::Engine> engine = jet::CreateJetEngine();
  TempDir dir;
  int opened = 0;
  int refused = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const Seed& seed : seeds) {
    const Bytes original = ReadBytes(TestDataDir() / seed.File);
    ASSERT_FALSE(original.empty()) << seed.File;
    const Targets targets = FindTargets(original, seed.PageSize);
    std::mt19937 random(12345);  // the same copies on every run
    for (int copy = 0; copy < CopiesPerSeed; ++copy) {
      const int kind = copy % Kinds;
      const std::filesystem::path path = dir / ("damaged-" + std::to_string(copy) + ".mdb");
      WriteBytes(path, Damage(original, seed.PageSize, targets, kind, random));
      SCOPED_TRACE(std::string(seed.File) + " copy " + std::to_string(copy) + " kind " +
                   std::to_string(kind));
      try {
        std::unique_ptr<dao::Database> database =
            engine->Workspaces(0).OpenDatabase(path.string(), false, true, ";pwd=");
        WalkDatabase(*database);
        ++opened;
      } catch (const dao::EngineError& e) {
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        ++refused;
      }
      std::filesystem::remove(path);
    }
  }
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
          .count();
  std::printf("damaged copies: %d read, %d refused, %lld s\n", opened, refused,
              static_cast<long long>(seconds));
  EXPECT_EQ(opened + refused, CopiesPerSeed * static_cast<int>(std::size(seeds)));
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace tabulon::test
