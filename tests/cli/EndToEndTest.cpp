// tabulon-cli over real files: the shared databases written by other
// programs, and databases made by mkmdb. The report must decode as Shift-JIS,
// show every table and relation the engine presents, and every link must
// have its target.

#include <gtest/gtest.h>

#include <set>

#include <dao/Dao360.h>
#include <jet/JetEngine.h>
#include <report/HtmlEscape.h>
#include <targets/TargetLine.h>
#include <text/CodePage.h>
#include <text/TextFile.h>

#include <tests/support/EngineTestSupport.h>
#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

struct Expected {
  std::string DbName;
  std::vector<std::string> Tables;
  std::vector<std::string> Relations;
  std::vector<std::string> Queries;
};

// What the report must show for a file, read through the engine itself.
std::optional<Expected> ReadThroughEngine(const std::string& password, const std::string& path) {
  TDao360 dao(jet::CreateJetEngine());
  std::string error;
  dao.Open(password, path, error);
  if (!dao.Connected()) return std::nullopt;
  Expected expected{dao.DbName(), {}, {}, {}};
  dao::Database& db = *dao.Database();
  for (int i = 0; i < db.TableDefs().Count(); ++i)
    expected.Tables.push_back(db.TableDefs().Item(i).Name());
  for (int i = 0; i < db.Relations().Count(); ++i)
    expected.Relations.push_back(db.Relations().Item(i).Name());
  for (int i = 0; i < db.QueryDefs().Count(); ++i)
    expected.Queries.push_back(db.QueryDefs().Item(i).Name());
  return expected;
}

// The values that follow each `open` in `text`, up to the next '"'.
std::vector<std::string> Values(const std::string& text, const std::string& open) {
  std::vector<std::string> values;
  for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
    const std::size_t start = at + open.size();
    values.push_back(text.substr(start, text.find('"', start) - start));
  }
  return values;
}

// Runs the report over `lines` (with --objects when `objects`) and checks it
// against the engine's view.
void CheckReport(const std::vector<std::string>& lines, int expectOpened, bool objects = false) {
  TempDir dir;
  std::string list;
  for (const std::string& line : lines) list += line + "\r\n";
  WriteBytes(dir / "list.dat", EncodeTextFile(list));
  const std::filesystem::path out = dir / "report.html";
  std::vector<std::string> command{
      BuiltProgram("tabulon-cli"), "--verbose", "-o", out.string(), "--list",
      (dir / "list.dat").string()};
  if (objects) command.push_back("--objects");
  const ProcessResult result = RunProcess(command);
  ASSERT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_EQ(result.Out, out.string() + "\n");

  const std::string bytes = ReadBytes(out);
  const std::string text = DecodeCp932(bytes);
  EXPECT_EQ(text.find("\uFFFD"), std::string::npos) << "the report is not clean Shift-JIS";
  EXPECT_TRUE(text.ends_with("</body></html>\r\n"));

  int opened = 0;
  for (const std::string& line : lines) {
    const std::vector<std::string> fields = SplitTargetLine(line);
    const std::optional<Expected> expected = ReadThroughEngine(fields[1], fields[2]);
    if (!expected) continue;
    ++opened;
    const std::string in = " (in " + HtmlEscape(expected->DbName) + ")</a></h4>";
    for (const std::string& table : expected->Tables) {
      EXPECT_NE(text.find(">" + HtmlEscape(table) + in), std::string::npos)
          << fields[2] << ": " << table;
    }
    for (const std::string& relation : expected->Relations) {
      EXPECT_NE(text.find("<caption>" + HtmlEscape(relation) + "</caption>"), std::string::npos)
          << fields[2] << ": " << relation;
    }
    const std::string queryIn = " (in " + HtmlEscape(expected->DbName) + ")</a></h5>";
    for (const std::string& query : expected->Queries) {
      EXPECT_EQ(text.find(">" + HtmlEscape(query) + queryIn) != std::string::npos, objects)
          << fields[2] << ": " << query;
    }
  }
  EXPECT_EQ(opened, expectOpened);

  // Every link within the report has its target.
  const std::vector<std::string> links = Values(text, "href=\"#");
  std::set<std::string> ids;
  for (const char* id : {" id=\"", " ID=\""}) {
    for (const std::string& value : Values(text, id)) ids.insert(value);
  }
  for (const std::string& link : links) EXPECT_TRUE(ids.count(link)) << "no target for #" << link;
  EXPECT_GT(links.size(), 0u);
}

TEST(EndToEnd, SharedDatabasesOfEveryVersion) {
  TABULON_REQUIRE_TESTDATA();
  std::vector<std::string> lines;
  int openable = 0;
  for (const auto& file : AllDatabaseFiles()) {
    const std::string name = file.filename().string();
    const std::string password = name.find("with-password") != std::string::npos ? "password" : "";
    lines.push_back(JoinTargetLine({"??", password, file.string()}));
    openable += ReadThroughEngine(password, file.string()) ? 1 : 0;
  }
  ASSERT_GT(openable, 80);
  CheckReport(lines, openable);
}

TEST(EndToEnd, SharedDatabasesWithTheirQueriesAndObjects) {
  TABULON_REQUIRE_TESTDATA();
  std::vector<std::string> lines;
  int openable = 0;
  for (const auto& file : AllDatabaseFiles()) {
    const std::string name = file.filename().string();
    const std::string password = name.find("with-password") != std::string::npos ? "password" : "";
    lines.push_back(JoinTargetLine({"??", password, file.string()}));
    openable += ReadThroughEngine(password, file.string()) ? 1 : 0;
  }
  CheckReport(lines, openable, true);
}

TEST(EndToEnd, DatabasesMadeByMkmdb) {
  TempDir dir;
  const std::filesystem::path sample = dir / "サンプル表.mdb";
  ASSERT_EQ(RunProcess({BuiltProgram("mkmdb"),
                        TABULON_SOURCE_DIR "/tools/mkmdb/samples/sample.json", sample.string()})
                .ExitCode,
            0);
  const std::filesystem::path synthetic = dir / "a&b <c>.mdb";
  ASSERT_EQ(RunProcess({BuiltProgram("mkmdb"), "--synthetic",
                        "tables=30,fields=12,indexes=3,relations=20", synthetic.string()})
                .ExitCode,
            0);
  CheckReport({NewTargetLine(sample.string()), NewTargetLine(synthetic.string()),
               NewTargetLine(sample.string())},
              3);
  CheckReport({NewTargetLine(sample.string())}, 1, true);
  // The sample's Japanese names reach the file as their Shift-JIS bytes.
  TempDir out;
  RunProcess({BuiltProgram("tabulon-cli"), "-o", (out / "r.html").string(), sample.string()});
  const std::string bytes = ReadBytes(out / "r.html");
  EXPECT_NE(bytes.find("\x83\x54\x83\x93\x83\x76\x83\x8B\x95\x5C.mdb"),
            std::string::npos);  // サンプル表
  EXPECT_EQ(bytes.find("&yen;.mdb"), std::string::npos);
}

}  // namespace
}  // namespace tabulon::test
