// The mkmdb command: exit status, messages, and no partial file.

#include <gtest/gtest.h>

#include <filesystem>

#include <tests/support/ProcessRunner.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {
namespace {

const std::string Mkmdb = BuiltProgram("mkmdb");

class MkmdbTest : public ::testing::Test {
 protected:
  ProcessResult Run(const std::vector<std::string>& args) {
    std::vector<std::string> command{Mkmdb};
    command.insert(command.end(), args.begin(), args.end());
    return RunProcess(command);
  }
  std::string Schema(const std::string& json) {
    const std::filesystem::path path = FDir / "schema.json";
    WriteBytes(path, json);
    return path.string();
  }
  // Files left in the folder besides the schema.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FDir.Path())) {
      if (entry.path().filename() != "schema.json")
        names.push_back(entry.path().filename().string());
    }
    return names;
  }

  TempDir FDir;
};

TEST_F(MkmdbTest, WrongUsageExitsWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"only.json"},
           {"a.json", "b.mdb", "c"},
           {"--bogus", "x.mdb"},
           {"--synthetic", "tables=1,fields=2", (FDir / "x.mdb").string()},
           {"--synthetic", "tables=1,fields=2,indexes=1,relations=0,extra=1",
            (FDir / "x.mdb").string()},
           {"--synthetic", "tables=x,fields=2,indexes=1,relations=0", (FDir / "x.mdb").string()},
           {"--encrypt", "agile", "a.json", (FDir / "x.accdb").string()},
           {"--encrypt", "aes", "--spin-count", "10000001", "a.json", (FDir / "x.accdb").string()},
           {"--encrypt", "aes", "--synthetic", "tables=1,fields=2,indexes=1,relations=0",
            (FDir / "x.accdb").string()}}) {
    const ProcessResult result = Run(args);
    EXPECT_EQ(result.ExitCode, 2) << (args.empty() ? "" : args[0]);
    EXPECT_NE(result.Err.find("usage: mkmdb SCHEMA.json OUT.mdb"), std::string::npos);
  }
  EXPECT_TRUE(Leftovers().empty());
  const ProcessResult help = Run({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Out.find(
                "--synthetic tables=N,fields=M,indexes=K,relations=R[,rows=N[,edges=0]] OUT.mdb"),
            std::string::npos);
}

TEST_F(MkmdbTest, BadInputExitsWithOneAndLeavesNoFile) {
  const std::string out = (FDir / "out.mdb").string();
  struct Case {
    std::string Json;
    std::string Message;
  };
  const Case cases[] = {
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "numbr"}]}]})",
       "unknown type \"numbr\""},
      {R"({"tables": [{"name": "T", "columns": [{"name": "A", "type": "long"}]}],
           "relationships": [{"name": "R", "table": "T", "foreignTable": "T", "columns": [{"name": "A", "foreignName": "B"}]}]})",
       "relationship \"R\": table \"T\" has no column \"B\""},
      {R"({"tables": [{"name": "12345678901234567890123456789012345678901234567890123456789012345", "columns": []}]})",
       "is longer than 64 characters"},
  };
  for (const Case& c : cases) {
    const ProcessResult result = Run({Schema(c.Json), out});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find(c.Message), std::string::npos) << result.Err;
    EXPECT_TRUE(Leftovers().empty());
  }
  const ProcessResult noPassword = Run({"--encrypt", "aes", Schema(R"({"tables": []})"), out});
  EXPECT_EQ(noPassword.ExitCode, 1);
  EXPECT_NE(noPassword.Err.find("an encrypted file needs a password"), std::string::npos);
  EXPECT_TRUE(Leftovers().empty());
  const ProcessResult missing = Run({(FDir / "missing.json").string(), out});
  EXPECT_EQ(missing.ExitCode, 1);
  EXPECT_NE(missing.Err.find("cannot read"), std::string::npos);

  // A failed run leaves an existing output as it was.
  WriteBytes(out, "keep");
  EXPECT_EQ(Run({Schema(cases[0].Json), out}).ExitCode, 1);
  EXPECT_EQ(ReadBytes(out), "keep");
  // A missing folder is made; one that cannot be made is a failure.
  EXPECT_EQ(Run({Schema(R"({"tables": []})"), (FDir / "new" / "x.mdb").string()}).ExitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(FDir / "new" / "x.mdb"));
  const ProcessResult unwritable =
      Run({Schema(R"({"tables": []})"), (FDir / "out.mdb" / "x.mdb").string()});
  EXPECT_EQ(unwritable.ExitCode, 1);
  EXPECT_NE(unwritable.Err.find("cannot create the folder"), std::string::npos) << unwritable.Err;
  EXPECT_EQ(ReadBytes(out), "keep");
}

TEST_F(MkmdbTest, WritesTheSampleAndSyntheticSchemas) {
  if (!HaveTool("mdb-tables")) GTEST_SKIP() << "mdbtools is not installed";
  const std::string sample = (FDir / "sample.mdb").string();
  ASSERT_EQ(Run({std::string(WRITER_SAMPLES) + "/sample.json", sample}).ExitCode, 0);
  const ProcessResult tables = RunProcess({"mdb-tables", "-1", sample});
  EXPECT_EQ(tables.Out, "社員\n顧客\n商品\n受注\n受注明細\n表示設定\n");
  EXPECT_EQ(tables.Err, "");

  // The complete example of the format's documentation stays valid.
  const std::string readme = ReadBytes(std::string(TABULON_SOURCE_DIR) + "/tools/mkmdb/README.md");
  const std::size_t start = readme.find("```json\n", readme.find("## A complete example")) + 8;
  const ProcessResult example =
      Run({Schema(readme.substr(start, readme.find("```", start) - start)),
           (FDir / "example.mdb").string()});
  EXPECT_EQ(example.ExitCode, 0) << example.Err;

  const std::string synthetic = (FDir / "synthetic.mdb").string();
  const ProcessResult written =
      Run({"--synthetic", "tables=120,fields=40,indexes=4,relations=45", synthetic});
  ASSERT_EQ(written.ExitCode, 0) << written.Err;
  // Beyond 512 pages the usage maps must reach further than the engine's
  // standard inline maps.
  EXPECT_GT(std::filesystem::file_size(synthetic), 512u * 4096u);
  const ProcessResult last = RunProcess({"mdb-prop", synthetic, "表示設定0112"});
  EXPECT_EQ(last.Err, "");
  EXPECT_NE(last.Out.find("Description: 表示設定0112の一覧（合成データ）"), std::string::npos);
  const ProcessResult schema = RunProcess({"mdb-schema", synthetic, "postgres"});
  EXPECT_EQ(schema.Err, "");
  std::size_t foreignKeys = 0;
  for (std::size_t at = schema.Out.find("FOREIGN KEY"); at != std::string::npos;
       at = schema.Out.find("FOREIGN KEY", at + 1)) {
    ++foreignKeys;
  }
  EXPECT_EQ(foreignKeys, 36u);  // the unenforced fifth of 45 are no foreign keys
  EXPECT_NE(schema.Out.find("CREATE TABLE IF NOT EXISTS \"表示設定0016\""), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(synthetic));
}

}  // namespace
}  // namespace tabulon::test
