// tabulon-cli --format sql and --lint as a user runs them: where the files
// go, what goes to standard output and error, and the exit status.

#include <gtest/gtest.h>

#include <text/TextFile.h>

#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

const std::string Cli = BuiltProgram("tabulon-cli");

// A database made by mkmdb from a JSON description under the source tree.
std::filesystem::path Made(const TempDir& dir, const std::string& json, const std::string& name) {
  const std::filesystem::path path = dir / name;
  const ProcessResult made = RunProcess(
      {BuiltProgram("mkmdb"), std::string(TABULON_SOURCE_DIR) + "/" + json, path.string()});
  EXPECT_EQ(made.ExitCode, 0) << made.Err;
  return path;
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(MigrationCli, OptionsAreInTheHelpAndMisuseIsAUsageError) {
  const ProcessResult help = RunProcess({Cli, "--help"});
  for (const char* option : {"--format", "--dialect", "--lint", "--lint-data"}) {
    EXPECT_NE(help.Out.find(option), std::string::npos) << option;
  }
  const std::vector<std::vector<std::string>> wrong = {
      {Cli, "--format", "sql", "a.mdb"},
      {Cli, "--dialect", "sqlite", "a.mdb"},
      {Cli, "--format", "sql", "--dialect", "mysql", "a.mdb"},
      {Cli, "--format", "xml", "a.mdb"},
      {Cli, "--format", "sql", "--dialect", "sqlite", "--lint", "a.mdb"},
      {Cli, "--check", "--lint-data", "a.mdb"},
  };
  for (const auto& argv : wrong) {
    const ProcessResult result = RunProcess(argv);
    EXPECT_EQ(result.ExitCode, 2) << argv[1] << " " << argv[2];
    EXPECT_NE(result.Err.find("--help"), std::string::npos);
    EXPECT_TRUE(result.Out.empty());
  }
}

TEST(MigrationCli, OneFilePerDatabaseInTheFolder) {
  TempDir dir;
  const std::filesystem::path sample = Made(dir, "tools/mkmdb/samples/sample.json", "sample.mdb");
  const std::filesystem::path out = dir / "out" / "sql";
  WriteBytes(dir / "stale.sql", "old");
  const ProcessResult result = RunProcess({Cli, "--format", "sql", "--dialect", "sqlite", "-o",
                                           out.string(), sample.string(), "/no/such.mdb"});
  EXPECT_EQ(result.ExitCode, 1);  // one database did not open
  EXPECT_EQ(result.Out, (out / "sample.sql").string() + "\n");
  EXPECT_NE(result.Err.find("tabulon-cli: /no/such.mdb: "), std::string::npos);
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"sample.sql"});
  const std::string sql = ReadBytes(out / "sample.sql");
  EXPECT_TRUE(
      sql.starts_with("-- \"sample.mdb\" のテーブル定義（SQLite 用、tabulon-cli が作成）\n"
                      "-- 移行できなかったもの: 3 件\n"
                      "--   クエリ \"単価改定\" はビューにしません: アクション クエリ"));
  EXPECT_NE(sql.find("CREATE TABLE \"社員\" ( -- 社員の基本情報\n"
                     "  \"社員ID\" integer PRIMARY KEY AUTOINCREMENT, -- 社員を識別する番号\n"),
            std::string::npos);

  // Written again over the old file, nothing left beside it.
  WriteBytes(out / "sample.sql", "old");
  EXPECT_EQ(RunProcess({Cli, "--format", "sql", "--dialect", "sqlite", "-o", out.string(),
                        sample.string()})
                .ExitCode,
            0);
  EXPECT_EQ(ReadBytes(out / "sample.sql"), sql);
  EXPECT_EQ(FilesIn(out), std::vector<std::string>{"sample.sql"});
}

TEST(MigrationCli, ANameEndingInSqlIsTheFileForOneDatabase) {
  TempDir dir;
  const std::filesystem::path sample = Made(dir, "tools/mkmdb/samples/sample.json", "sample.mdb");
  const std::filesystem::path file = dir / "out" / "schema.SQL";
  const ProcessResult result = RunProcess(
      {Cli, "--format", "sql", "--dialect", "sqlite", "-o", file.string(), sample.string()});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_EQ(result.Out, file.string() + "\n");
  ASSERT_TRUE(std::filesystem::is_regular_file(file)) << "a file, not a folder of that name";
  EXPECT_TRUE(ReadBytes(file).starts_with("-- \"sample.mdb\" のテーブル定義（SQLite 用"));

  const ProcessResult two =
      RunProcess({Cli, "sql", "--dialect", "sqlite", "-o", (dir / "two.sql").string(),
                  sample.string(), sample.string()});
  EXPECT_EQ(two.ExitCode, 2);
  EXPECT_NE(two.Err.find("names one file, for one database, not 2"), std::string::npos) << two.Err;
  EXPECT_FALSE(std::filesystem::exists(dir / "two.sql"));

  // An existing folder of such a name stays a folder.
  std::filesystem::create_directories(dir / "kept.sql");
  EXPECT_EQ(RunProcess({Cli, "sql", "--dialect", "postgresql", "-o", (dir / "kept.sql").string(),
                        sample.string()})
                .ExitCode,
            0);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "kept.sql" / "sample.sql"));
}

TEST(MigrationCli, StandardOutputTakesOneDatabaseAndNotesGoToStandardError) {
  TempDir dir;
  const std::filesystem::path db =
      Made(dir, "tests/migrate/fixtures/migration.json", "migration.mdb");
  const ProcessResult result =
      RunProcess({Cli, "--format", "sql", "--dialect", "postgresql", "-o", "-", db.string()});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_TRUE(result.Out.starts_with("-- \"migration.mdb\" のテーブル定義（PostgreSQL 用"));
  EXPECT_NE(result.Out.find("ON DELETE SET NULL"), std::string::npos);
  const std::string note = "tabulon-cli: " + db.string() +
                           ": テーブル \"得意先\" のフィールド \"期限\": 入力規則 <Date() "
                           "は移行できません（関数 Date() は移行できません）\n";
  EXPECT_NE(result.Err.find(note), std::string::npos) << result.Err;
  EXPECT_NE(result.Out.find("--   テーブル \"得意先\" のフィールド \"期限\": 入力規則 <Date() "),
            std::string::npos);

  const ProcessResult two = RunProcess(
      {Cli, "--format", "sql", "--dialect", "sqlite", "-o", "-", db.string(), db.string()});
  EXPECT_EQ(two.ExitCode, 2);
  EXPECT_TRUE(two.Out.empty());
}

TEST(MigrationCli, TwoDatabasesForOneFileNameWriteNothing) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  const std::filesystem::path a = Made(dir, "tools/mkmdb/samples/sample.json", "a/販売.mdb");
  const std::filesystem::path b = Made(dir, "tools/mkmdb/samples/sample.json", "b/販売.mdb");
  const ProcessResult result = RunProcess({Cli, "--format", "sql", "--dialect", "sqlite", "-o",
                                           (dir / "out").string(), a.string(), b.string()});
  EXPECT_EQ(result.ExitCode, 2);
  EXPECT_NE(result.Err.find("販売.sql"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

TEST(MigrationCli, ListLinesCarryTheirPasswords) {
  TempDir dir;
  const std::filesystem::path db = Made(dir, "tests/tools/fixtures/features.json", "機能.mdb");
  const std::string list = EncodeTextFile("\"??\"|\"パス;word=1\"|\"" + db.string() + "\"\r\n");
  const ProcessResult result = RunProcess({Cli, "--format", "sql", "--dialect", "postgresql", "-o",
                                           (dir / "out").string(), "--list", "-"},
                                          list);
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_NE(ReadBytes(dir / "out" / "機能.sql").find("CREATE TABLE \"得意先表\""),
            std::string::npos);
}

TEST(MigrationCli, LintFindingsAreNoFailure) {
  TempDir dir;
  const std::filesystem::path db =
      Made(dir, "tests/migrate/fixtures/migration.json", "migration.mdb");
  const ProcessResult schemaOnly = RunProcess({Cli, "--lint", db.string()});
  EXPECT_EQ(schemaOnly.ExitCode, 0) << schemaOnly.Err;
  EXPECT_TRUE(schemaOnly.Out.starts_with(db.string() + ": 指摘 "));
  EXPECT_NE(
      schemaOnly.Out.find("\n  [duplicate-index] テーブル \"得意先\": インデックス \"区分締日\" "
                          "と \"区分締日2\" は同じフィールドを同じ順に持っています\n"),
      std::string::npos);
  EXPECT_EQ(schemaOnly.Out.find("[oversized-text]"), std::string::npos);

  const ProcessResult withData = RunProcess({Cli, "--lint-data", db.string(), "/no/such.mdb"});
  EXPECT_EQ(withData.ExitCode, 1);  // one database did not open
  EXPECT_NE(withData.Out.find("  [oversized-text] テーブル \"得意先\" のフィールド \"得意先名\": "
                              "サイズ 255 ですが、最も長い値は 18 文字です（2 行）\n"),
            std::string::npos)
      << withData.Out;
  EXPECT_NE(withData.Err.find("/no/such.mdb"), std::string::npos);
}

}  // namespace
}  // namespace tabulon::test
