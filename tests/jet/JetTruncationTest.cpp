// Databases cut short at every page. A cut that opens must read as the
// whole file; any other must be refused as damaged. A cut that opened with
// some of its catalog gone would be reported as a smaller, healthy
// database, which is worse than no report.

#include <chrono>
#include <optional>
#include <ostream>

#include <gtest/gtest.h>

#include <jet/JetEngine.h>
#include <tests/support/EngineTestSupport.h>
#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

// What the program reads of a database: its tables, everything the report
// asks of them, and its queries ("name: SQL", or the failure to read them).
struct Reading {
  std::vector<std::string> Tables;
  ModelWalk Walk;
  std::vector<std::string> Queries;
};

bool operator==(const Reading& a, const Reading& b) {
  return a.Tables == b.Tables && a.Walk.Answers == b.Walk.Answers &&
         a.Walk.Failures == b.Walk.Failures && a.Queries == b.Queries;
}

std::ostream& operator<<(std::ostream& out, const Reading& reading) {
  out << reading.Tables.size() << " tables, " << reading.Walk.Answers << " answers, "
      << reading.Queries.size() << " queries, " << reading.Walk.Failures.size() << " failures";
  for (const std::string& query : reading.Queries) out << "\n  " << query.substr(0, 100);
  for (const std::string& failure : reading.Walk.Failures) out << "\n  " << failure;
  return out;
}

struct Outcome {
  std::optional<Reading> Read;  // empty when the open was refused
  dao::ErrorKind Kind = dao::ErrorKind::Other;
  std::string Text;
};

Outcome ReadFile(dao::Engine& engine, const std::filesystem::path& path) {
  Outcome outcome;
  try {
    std::unique_ptr<dao::Database> database =
        engine.Workspaces(0).OpenDatabase(path.string(), false, true, ";pwd=");
    Reading reading;
    for (int i = 0; i < database->TableDefs().Count(); ++i)
      reading.Tables.push_back(database->TableDefs().Item(i).Name());
    reading.Walk = WalkDatabase(*database);
    try {
      dao::Collection<dao::QueryDef>& queries = database->AllQueryDefs();
      for (int i = 0; i < queries.Count(); ++i)
        reading.Queries.push_back(queries.Item(i).Name() + ": " + queries.Item(i).SQL());
    } catch (const dao::EngineError& e) {
      reading.Queries.push_back(e.what());
    }
    outcome.Read = std::move(reading);
  } catch (const dao::EngineError& e) {
    outcome.Kind = e.Kind();
    outcome.Text = e.what();
  }
  return outcome;
}

// The lengths to cut `size` bytes to: every whole page from the first, and
// a few that end inside a page.
std::vector<std::size_t> CutLengths(std::size_t size, std::size_t pageSize) {
  std::vector<std::size_t> lengths;
  for (std::size_t end = pageSize; end < size; end += pageSize) lengths.push_back(end);
  for (const std::size_t end : {pageSize + 1, 2 * pageSize + pageSize / 2, 5 * pageSize + 7,
                                size / 2 + 3, size - pageSize / 2, size - 1}) {
    if (end >= pageSize && end < size) lengths.push_back(end);
  }
  return lengths;
}

// Cuts `original` to every length of CutLengths and checks each cut,
// written to the same path as the whole so that texts naming the file
// compare equal.
void ExpectEveryCutWholeOrDamaged(const std::string& original, std::size_t pageSize) {
  std::unique_ptr<dao::Engine> engine = jet::CreateJetEngine();
  TempDir dir;
  const std::filesystem::path path = dir / "cut.mdb";
  WriteBytes(path, original);
  const Outcome whole = ReadFile(*engine, path);
  ASSERT_TRUE(whole.Read) << whole.Text;
  ASSERT_FALSE(whole.Read->Tables.empty());
  int refused = 0;
  for (const std::size_t length : CutLengths(original.size(), pageSize)) {
    SCOPED_TRACE("cut to " + std::to_string(length) + " of " + std::to_string(original.size()) +
                 " bytes (" + std::to_string(length / pageSize) + " pages)");
    WriteBytes(path, std::string_view(original).substr(0, length));
    const Outcome cut = ReadFile(*engine, path);
    if (cut.Read) {
      EXPECT_EQ(*cut.Read, *whole.Read);
      continue;
    }
    ++refused;
    EXPECT_EQ(cut.Kind, dao::ErrorKind::Damaged) << cut.Text;
    EXPECT_NE(cut.Text.find("壊れています"), std::string::npos) << cut.Text;
  }
  // Cutting off the last page of these files loses structure, so the
  // refusals are not vacuous.
  EXPECT_GT(refused, 0);
}

TEST(JetTruncation, EveryCutOfAMadeDatabaseReadsWholeOrIsDamaged) {
  TempDir dir;
  const std::filesystem::path made = dir / "sample.mdb";
  ASSERT_EQ(RunProcess({BuiltProgram("mkmdb"),
                        TABULON_SOURCE_DIR "/tools/mkmdb/samples/sample.json", made.string()})
                .ExitCode,
            0);
  ExpectEveryCutWholeOrDamaged(ReadBytes(made), 4096);
}

TEST(JetTruncation, EveryCutOfARealDatabaseReadsWholeOrIsDamaged) {
  TABULON_REQUIRE_TESTDATA();
  // Jet 3, Jet 4 and ACE, where Access and Jackcess place the catalog's
  // pages early in the file and the user tables' and queries' after them.
  const std::pair<const char*, std::size_t> files[] = {
      {"jackcess/V1997/testV1997.mdb", 2048},
      {"jackcess/V2003/indexTestV2003.mdb", 4096},
      {"jackcess/V2000/queryTestV2000.mdb", 4096},
      {"jackcess/V2010/complexDataTestV2010.accdb", 4096}};
  const auto start = std::chrono::steady_clock::now();
  for (const auto& [file, pageSize] : files) {
    SCOPED_TRACE(file);
    const std::string original = ReadBytes(TestDataDir() / file);
    ASSERT_FALSE(original.empty());
    ExpectEveryCutWholeOrDamaged(original, pageSize);
  }
  std::printf("cuts of real files: %lld ms\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count()));
}

}  // namespace
}  // namespace tabulon::test
