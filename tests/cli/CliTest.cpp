// tabulon-cli as a user runs it: options, exit codes, outputs.

#include <gtest/gtest.h>

#include <text/TextFile.h>

#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

const std::string Cli = BuiltProgram("tabulon-cli");

TEST(Cli, HelpAndVersion) {
  const ProcessResult help = RunProcess({Cli, "--help"});
  EXPECT_EQ(help.ExitCode, 0);
  for (const char* option : {"--list", "--password", "-o", "--verbose", "--type-style",
                             "--attr-style", "--check", "--version"}) {
    EXPECT_NE(help.Out.find(option), std::string::npos) << option;
  }
  const ProcessResult version = RunProcess({Cli, "--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out, std::string("tabulon-cli ") + TABULON_VERSION + "\n");
}

// Each task as a subcommand with its own help; the flags that came first
// stay as aliases that give the same output.
TEST(Cli, SubcommandsAndTheirAliasesAgree) {
  const ProcessResult help = RunProcess({Cli, "--help"});
  for (const char* task : {"report", "check", "json", "markdown", "sql", "lint", "diff"}) {
    EXPECT_NE(help.Out.find(std::string("  ") + task), std::string::npos) << task;
    const ProcessResult own = RunProcess({Cli, task, "--help"});
    EXPECT_EQ(own.ExitCode, 0) << task;
    EXPECT_NE(own.Out.find("--help"), std::string::npos) << task;
  }
  EXPECT_NE(RunProcess({Cli, "sql", "--help"}).Out.find("--dialect"), std::string::npos);
  EXPECT_NE(RunProcess({Cli, "lint", "--help"}).Out.find("--data"), std::string::npos);

  TempDir dir;
  WriteBytes(dir / "schema.json",
             R"({"tables": [{"name": "表", "columns": [{"name": "ID", "type": "long"},
      {"name": "名前", "type": "text", "size": 255}]}]})");
  const std::string path = (dir / "a.mdb").string();
  ASSERT_EQ(RunProcess({BuiltProgram("mkmdb"), (dir / "schema.json").string(), path}).ExitCode, 0);
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> pairs = {
      {{"json", path}, {"--format", "json", path}},
      {{"markdown", "--type-style", "short", path},
       {"--format", "markdown", "--type-style", "short", path}},
      {{"sql", "--dialect", "sqlite", "-o", "-", path},
       {"--format", "sql", "--dialect", "sqlite", "-o", "-", path}},
      {{"lint", "--data", path}, {"--lint-data", path}},
      {{"check", path}, {"--check", path}},
  };
  for (const auto& [task, alias] : pairs) {
    std::vector<std::string> a{Cli}, b{Cli};
    a.insert(a.end(), task.begin(), task.end());
    b.insert(b.end(), alias.begin(), alias.end());
    const ProcessResult byTask = RunProcess(a);
    const ProcessResult byAlias = RunProcess(b);
    EXPECT_EQ(byTask.ExitCode, 0) << task[0] << ": " << byTask.Err;
    EXPECT_EQ(byTask.ExitCode, byAlias.ExitCode) << task[0];
    EXPECT_EQ(byTask.Out, byAlias.Out) << task[0];
    EXPECT_FALSE(byTask.Out.empty()) << task[0];
  }
  const ProcessResult report = RunProcess({Cli, "report", "-o", (dir / "r.html").string(), path});
  EXPECT_EQ(report.ExitCode, 0) << report.Err;
  EXPECT_NE(DecodeTextFile(ReadBytes(dir / "r.html")).find("表"), std::string::npos);
  // An option of another task is refused, not ignored.
  EXPECT_EQ(RunProcess({Cli, "json", "--dialect", "sqlite", path}).ExitCode, 2);
  EXPECT_EQ(RunProcess({Cli, "sql", path}).ExitCode, 2) << "sql needs --dialect";
}

TEST(Cli, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> wrong = {
      {Cli},
      {Cli, "--type-style", "huge", "a.mdb"},
      {Cli, "--no-such-option", "a.mdb"},
      {Cli, "--list", "l.dat", "a.mdb"},
      {Cli, "--list", "l.dat", "--password", "x"},
  };
  for (const auto& argv : wrong) {
    const ProcessResult result = RunProcess(argv);
    EXPECT_EQ(result.ExitCode, 2) << argv.back();
    EXPECT_NE(result.Err.find("--help"), std::string::npos);
    EXPECT_TRUE(result.Out.empty());
  }
}

TEST(Cli, MissingDatabaseIsNamedAndFails) {
  TempDir dir;
  const ProcessResult result = RunProcess({Cli, "-o", (dir / "r.html").string(), "/no/such.mdb"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("/no/such.mdb"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "r.html"));
}

// One small database from the writer, then damaged copies of it.
std::string WriteSample(const TempDir& dir, const std::string& name, const std::string& password) {
  WriteBytes(dir / "schema.json", R"({"password": ")" + password + R"(",
      "tables": [{"name": "t", "columns": [{"name": "ID", "type": "long"}]}]})");
  const std::string path = (dir / name).string();
  EXPECT_EQ(RunProcess({BuiltProgram("mkmdb"), (dir / "schema.json").string(), path}).ExitCode, 0);
  return path;
}

// A stored password in a linked table's or a pass-through query's connect
// text: hidden alike in every output a user can ask for.
TEST(Cli, AStoredPasswordIsShownMaskedInEveryOutput) {
  TempDir dir;
  const std::string secret = "秘密の語";
  // The same schema with another server: diff then shows the connect texts.
  const auto make = [&](const std::string& name, const std::string& dsn) {
    WriteBytes(dir / "schema.json", R"({"tables": [
        {"name": "t", "columns": [{"name": "ID", "type": "long"}]},
        {"name": "在庫", "connect": "ODBC;DSN=)" +
                                        dsn + ";UID=sa;PWD=" + secret + R"(;APP=x",
         "foreignName": "dbo.在庫", "columns": [{"name": "品番", "type": "text", "size": 10}]}],
      "linkedTables": [{"name": "外", "database": "other.mdb", "connect": ";PWD=)" +
                                        secret + R"("}],
      "queries": [{"name": "直接", "type": "passThrough", "sql": "EXEC 集計 1",
                   "connect": "ODBC;DSN=)" +
                                        dsn + ";pwd=" + secret + R"("}]})");
    const std::string path = (dir / name).string();
    EXPECT_EQ(RunProcess({BuiltProgram("mkmdb"), (dir / "schema.json").string(), path}).ExitCode,
              0);
    return path;
  };
  const std::string path = make("linked.mdb", "基幹");
  const std::string other = make("other-server.mdb", "予備");

  std::vector<std::pair<std::string, std::string>> outputs;
  const auto run = [&](const std::string& name, const std::vector<std::string>& argv) {
    const ProcessResult result = RunProcess(argv);
    // diff says 2: the linked table's source is not there to compare.
    EXPECT_LE(result.ExitCode, name.starts_with("diff") ? 2 : 1) << name << ": " << result.Err;
    outputs.emplace_back(name, result.Out + result.Err);
  };
  run("json", {Cli, "--format", "json", "--verbose", path});
  run("markdown", {Cli, "--format", "markdown", path});
  run("sql postgresql", {Cli, "--format", "sql", "--dialect", "postgresql", "-o", "-", path});
  run("sql sqlite", {Cli, "--format", "sql", "--dialect", "sqlite", "-o", "-", path});
  run("diff text", {Cli, "diff", other, path});
  run("diff json", {Cli, "diff", "--format", "json", path, other});
  run("jetdump", {BuiltProgram("jetdump"), "--all-queries", path});
  run("report", {Cli, "--verbose", "--objects", "-o", (dir / "r.html").string(), path});
  outputs.emplace_back("report file", DecodeTextFile(ReadBytes(dir / "r.html")));
  for (const auto& [name, text] : outputs) {
    EXPECT_EQ(text.find(secret), std::string::npos) << name << " shows the password";
    if (name != "report" && name != "markdown") {
      EXPECT_NE(text.find("PWD=****"), std::string::npos) << name << " shows the connect text";
    }
  }
}

TEST(Cli, EachKindOfOpenFailureIsNamed) {
  TempDir dir;
  const std::string plain = WriteSample(dir, "plain.mdb", "");
  const std::string locked = WriteSample(dir, "locked.mdb", "secret");
  std::string bytes = ReadBytes(plain);
  // The catalog's table definition (page 2) loses its column count.
  std::fill_n(bytes.begin() + 2 * 4096 + 8, 40, '\xFF');
  WriteBytes(dir / "damaged.mdb", bytes);
  // An ACE file whose encoding key is set, encrypted with the extensible
  // scheme (version 4.3), which is refused.
  bytes = ReadBytes(plain);
  bytes.replace(4, 16, std::string("Standard ACE DB\0", 16));
  bytes[0x14] = 0x02;
  bytes[0x3E] = static_cast<char>(bytes[0x3E] ^ 0x01);
  bytes.replace(0x299, 10, std::string("\x08\x00\x04\x00\x03\x00\x00\x00\x00\x00", 10));
  WriteBytes(dir / "encrypted.accdb", bytes);
  WriteBytes(dir / "text.mdb", std::string(8192, 'x'));
  const std::pair<std::string, std::string> cases[] = {
      {(dir / "none.mdb").string(), "file not found: ファイル '"},
      {(dir / "text.mdb").string(), "not a database: データベース形式 '"},
      {locked, "wrong password: パスワードが無効です。"},
      {(dir / "damaged.mdb").string(), "damaged: ファイル '"},
      {(dir / "encrypted.accdb").string(), "unsupported: ファイル '"},
  };
  for (const auto& [path, said] : cases) {
    SCOPED_TRACE(path);
    const ProcessResult result = RunProcess({Cli, "-o", (dir / "r.html").string(), path});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find("tabulon-cli: " + path + ": " + said), std::string::npos)
        << result.Err;
    const ProcessResult check =
        RunProcess({Cli, "--check", "--list", "-"}, EncodeTextFile("??||" + path));
    EXPECT_EQ(check.ExitCode, 1);
    EXPECT_NE(check.Err.find(path + ": " + said.substr(0, said.find(':'))), std::string::npos);
  }
  EXPECT_EQ(RunProcess({Cli, "-o", (dir / "r.html").string(), plain}).ExitCode, 0);
}

TEST(Cli, EncryptedAccdbOpensOnlyWithItsPassword) {
  TempDir dir;
  WriteBytes(dir / "schema.json", R"({"password": "秘密",
      "tables": [{"name": "表", "columns": [{"name": "ID", "type": "long"}]}]})");
  const std::string path = (dir / "暗号.accdb").string();
  ASSERT_EQ(RunProcess({BuiltProgram("mkmdb"), "--encrypt", "agile-sha512", "--spin-count", "1000",
                        (dir / "schema.json").string(), path})
                .ExitCode,
            0);
  const ProcessResult report =
      RunProcess({Cli, "--password", "秘密", "-o", (dir / "r.html").string(), path});
  EXPECT_EQ(report.ExitCode, 0) << report.Err;
  EXPECT_NE(DecodeTextFile(ReadBytes(dir / "r.html")).find("表"), std::string::npos);
  const ProcessResult check =
      RunProcess({Cli, "--check", "--list", "-"},
                 EncodeTextFile("??|秘密|" + path + "\n??||" + path + "\n??|秘蜜|" + path + "\n"));
  EXPECT_EQ(check.ExitCode, 1);
  EXPECT_TRUE(check.Out.starts_with("\"OK\"|\"秘密\"|")) << check.Out;
  EXPECT_NE(check.Err.find(path + ": wrong password"), std::string::npos) << check.Err;
  EXPECT_NE(check.Err.find("3 行のリストのうち、1 個に接続でき、2 個に接続できませんでした。"),
            std::string::npos)
      << check.Err;
}

TEST(Cli, UnwritableOutputFailsWithTheReason) {
  TempDir dir;
  WriteBytes(dir / "file", "");
  const ProcessResult result =
      RunProcess({Cli, "-o", (dir / "file" / "r.html").string(), "/x.mdb"});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Err.find("file/r.html"), std::string::npos);
  EXPECT_TRUE(result.Out.empty());
}

TEST(Cli, CheckRewritesTheListFromStandardInput) {
  const std::string list = EncodeTextFile("\"??\"|\"PASSWORD_HERE\"|\"/no/表.mdb\"\r\nメモ\r\n");
  const ProcessResult result = RunProcess({Cli, "--check", "--list", "-"}, list);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_TRUE(result.Out.starts_with("\"NG "));
  EXPECT_NE(result.Out.find("|\"PASSWORD_HERE\"|\"/no/表.mdb\"\nメモ\n"), std::string::npos);
  // The count is of the lines that name a file; the note is counted apart.
  EXPECT_NE(result.Err.find("1 行のリストのうち、0 個に接続でき、1 個に接続できませんでした。\n"
                            "（ファイルを指さない 1 行は数えていません。）\n"),
            std::string::npos)
      << result.Err;
}

TEST(Cli, RenamedExecutableNamesItsDesktopReport) {
  TempDir home;
  std::filesystem::create_directories(home / "bin");
  const std::filesystem::path renamed = home / "bin" / "Mytool.x";
  std::filesystem::copy_file(Cli, renamed);
  std::filesystem::permissions(renamed, std::filesystem::perms::owner_all);
  WriteBytes(home / "list.dat", EncodeTextFile("\"??\"|\"\"|\"/none.mdb\""));
  const ProcessResult version = RunProcess({renamed.string(), "--version"});
  EXPECT_EQ(version.Out, std::string("Mytool ") + TABULON_VERSION + "\n");
  const ProcessResult result =
      RunProcess({renamed.string(), "--list", (home / "list.dat").string()}, "",
                 {{"HOME", home.Path().string()}, {"XDG_CONFIG_HOME", ""}});
  EXPECT_EQ(result.ExitCode, 1);  // nothing opened, but the report is there
  const std::filesystem::path folder = home / "Desktop" / "Mytool_out";
  ASSERT_TRUE(std::filesystem::is_directory(folder)) << result.Err;
  const auto entry = *std::filesystem::directory_iterator(folder);
  EXPECT_TRUE(entry.path().filename().string().starts_with("Mytool_"));
  EXPECT_EQ(result.Out, entry.path().string() + "\n");
  EXPECT_NE(DecodeTextFile(ReadBytes(entry.path())).find("by Mytool.x</title>"), std::string::npos);
}

}  // namespace
}  // namespace tabulon::test
