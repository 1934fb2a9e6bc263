// tabulon-cli inventory over a tree of every case a share holds: what each
// row says, the three files, and that nothing under the tree is touched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <text/TextFile.h>

#include <tests/support/ProcessRunner.h>

namespace tabulon::test {
namespace {

const std::string Cli = BuiltProgram("tabulon-cli");

// The inventory draws its links with Graphviz, which keeps what it loads
// until the process ends: a sanitizer build is told that is not ours.
ProcessResult RunCli(const std::vector<std::string>& argv) {
  return RunProcess(
      argv, "",
      {{"LSAN_OPTIONS", "suppressions=" TABULON_SOURCE_DIR "/tests/outputs/graphviz-leaks.supp"}});
}

void Make(const std::vector<std::string>& options, const std::string& json,
          const std::filesystem::path& path) {
  std::vector<std::string> argv{BuiltProgram("mkmdb")};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(std::string(TABULON_SOURCE_DIR) + "/" + json);
  argv.push_back(path.string());
  const ProcessResult made = RunProcess(argv);
  ASSERT_EQ(made.ExitCode, 0) << made.Err;
}

// Every file under `folder` with its size and modification time.
std::map<std::string, std::pair<std::int64_t, std::int64_t>> Snapshot(
    const std::filesystem::path& folder) {
  std::map<std::string, std::pair<std::int64_t, std::int64_t>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat status {};
    if (lstat(entry.path().c_str(), &status) != 0) continue;
    files[entry.path().string()] = {status.st_size, status.st_mtim.tv_nsec + status.st_mtim.tv_sec};
  }
  return files;
}

TEST(Inventory, EveryKindOfFileInATreeGetsItsRow) {
  const TempDir dir;
  const std::filesystem::path tree = dir / "共有";
  std::filesystem::create_directories(tree / "販売" / "古い");
  std::filesystem::create_directories(tree / "b");
  Make({}, "tools/mkmdb/samples/sample.json", tree / "販売" / "見本.mdb");
  std::filesystem::copy_file(tree / "販売" / "見本.mdb", tree / "b" / "copy, <b>&\"x\".mdb");
  Make({}, "tools/fuzz/seed.json", tree / "販売" / "古い" / "locked.mdb");
  Make({"--encrypt", "agile-sha512", "--spin-count", "10"}, "tools/fuzz/seed.json",
       tree / "b" / "agile.accdb");
  const std::string whole = ReadBytes(tree / "販売" / "見本.mdb");
  WriteBytes(tree / "b" / "cut.mdb", whole.substr(0, 3 * 4096));
  WriteBytes(tree / "b" / "text.accdb", "not a database");
  WriteBytes(tree / "b" / "notes.txt", "passed over");
  // A loop of links is not followed.
  std::filesystem::create_directory_symlink("..", tree / "b" / "loop");
  const auto before = Snapshot(tree);

  const std::filesystem::path out = dir / "out";
  const ProcessResult result =
      RunCli({Cli, "inventory", tree.string(), "-o", out.string(), "--workers", "2"});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  EXPECT_NE(result.Err.find("6 databases (2 opened, 4 not)"), std::string::npos) << result.Err;
  // Nothing under the tree was written, moved or added.
  EXPECT_EQ(Snapshot(tree), before);

  const nlohmann::json index = nlohmann::json::parse(ReadBytes(out / "inventory.json"));
  EXPECT_TRUE(index["complete"].get<bool>());
  std::map<std::string, nlohmann::json> rows;
  for (const nlohmann::json& file : index["files"]) {
    rows[std::filesystem::path(file["path"].get<std::string>()).filename().string()] = file;
  }
  ASSERT_EQ(rows.size(), 6u) << index.dump(1);
  const nlohmann::json& sample = rows["見本.mdb"];
  EXPECT_TRUE(sample["opened"].get<bool>());
  EXPECT_EQ(sample["format"], "Jet 4");
  EXPECT_EQ(sample["localTables"], 6);
  EXPECT_EQ(sample["odbcTables"], 1);
  EXPECT_EQ(sample["enforcedRelationships"], 4);
  EXPECT_EQ(sample["selectQueries"], 3);
  EXPECT_EQ(sample["updateQueries"], 1);
  EXPECT_EQ(sample["size"], static_cast<std::int64_t>(whole.size()));
  // Two copies of one schema share a fingerprint.
  EXPECT_EQ(rows["copy, <b>&\"x\".mdb"]["fingerprint"], sample["fingerprint"]);
  EXPECT_EQ(rows["locked.mdb"]["protection"], "database password");
  EXPECT_EQ(rows["locked.mdb"]["failure"].get<std::string>().rfind("wrong password: ", 0), 0u);
  EXPECT_EQ(rows["agile.accdb"]["protection"], "Office encryption (agile 4.4)");
  EXPECT_EQ(rows["cut.mdb"]["failure"].get<std::string>().rfind("damaged: ", 0), 0u)
      << rows["cut.mdb"];
  EXPECT_EQ(rows["text.accdb"]["failure"].get<std::string>().rfind("not a database: ", 0), 0u);

  // The CSV quotes what needs it; the HTML escapes names.
  const std::string csv = ReadBytes(out / "inventory.csv");
  EXPECT_NE(csv.find("/b/copy, <b>&\"\"x\"\".mdb\","), std::string::npos);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
  const std::string html = ReadBytes(out / "index.html");
  EXPECT_NE(html.find("copy, &lt;b&gt;&amp;&quot;x&quot;.mdb"), std::string::npos);
  EXPECT_EQ(html.find("<b>&"), std::string::npos);
  EXPECT_EQ(html.find("http"), std::string::npos);  // no network resource
}

TEST(Inventory, LinksPasswordsAndCopiesAcrossTheTree) {
  const TempDir dir;
  const std::filesystem::path tree = dir / "tree";
  std::filesystem::create_directories(tree / "back");
  std::filesystem::create_directories(tree / "front");
  Make({}, "tools/mkmdb/samples/sample.json", tree / "back" / "back.mdb");
  std::filesystem::copy_file(tree / "back" / "back.mdb", tree / "front" / "beside.mdb");
  Make({}, "tools/fuzz/seed.json", tree / "back" / "locked.mdb");
  const std::string back = (tree / "back" / "back.mdb").string();
  WriteBytes(
      dir / "front.json",
      "{\"tables\": [{\"name\": \"own\", \"columns\": [{\"name\": \"ID\", \"type\": \"long\"}]}],"
      " \"linkedTables\": [{\"name\": \"sibling\", \"database\": \"" +
          back +
          "\"},"
          " {\"name\": \"moved\", \"database\": \"C:\\\\old\\\\BESIDE.MDB\"},"
          " {\"name\": \"gone\", \"database\": \"C:\\\\gone\\\\missing.mdb\"}]}");
  const ProcessResult made = RunProcess({BuiltProgram("mkmdb"), (dir / "front.json").string(),
                                         (tree / "front" / "front.mdb").string()});
  ASSERT_EQ(made.ExitCode, 0) << made.Err;

  // A passwords file others may read is refused before anything is done.
  const std::filesystem::path passwords = dir / "passwords";
  WriteBytes(passwords, "wrong\r\nパスワード\n");
  chmod(passwords.c_str(), 0644);
  const std::filesystem::path out = dir / "out";
  const ProcessResult open = RunCli(
      {Cli, "inventory", tree.string(), "-o", out.string(), "--passwords", passwords.string()});
  EXPECT_EQ(open.ExitCode, 2);
  EXPECT_NE(open.Err.find("chmod 600"), std::string::npos) << open.Err;
  EXPECT_FALSE(std::filesystem::exists(out));
  chmod(passwords.c_str(), 0600);
  const ProcessResult result = RunCli(
      {Cli, "inventory", tree.string(), "-o", out.string(), "--passwords", passwords.string()});
  EXPECT_EQ(result.ExitCode, 0) << result.Err;
  const std::string json = ReadBytes(out / "inventory.json");
  // No password is written anywhere.
  EXPECT_EQ(json.find("パスワード\""), std::string::npos);
  EXPECT_EQ(ReadBytes(out / "index.html").find("wrong"), std::string::npos);
  const nlohmann::json index = nlohmann::json::parse(json);
  std::map<std::string, nlohmann::json> rows;
  for (const nlohmann::json& file : index["files"]) {
    rows[std::filesystem::path(file["path"].get<std::string>()).filename().string()] = file;
  }
  EXPECT_TRUE(rows["locked.mdb"]["opened"].get<bool>());
  EXPECT_EQ(rows["locked.mdb"]["protection"], "database password");
  EXPECT_EQ(rows["locked.mdb"]["localTables"], 2);
  EXPECT_EQ(rows["front.mdb"]["links"], 3);
  EXPECT_EQ(rows["front.mdb"]["missingLinks"], 1);
  std::map<std::string, std::string> resolved;
  for (const nlohmann::json& link : index["links"]) {
    resolved[link["table"].get<std::string>()] = link["resolved"].get<std::string>();
  }
  EXPECT_EQ(resolved["sibling"], back);
  EXPECT_EQ(resolved["moved"], (tree / "front" / "beside.mdb").string());
  EXPECT_EQ(resolved["gone"], "");
  // The copy is one schema and the same bytes as its original.
  EXPECT_EQ(rows["beside.mdb"]["identicalFiles"], 1);
  EXPECT_EQ(rows["back.mdb"]["sameSchemaFiles"], 1);
  ASSERT_EQ(index["identical"].size(), 1u);
  EXPECT_EQ(index["identical"][0]["files"].size(), 2u);
  ASSERT_EQ(index["odbcSources"].size(), 1u);
  EXPECT_EQ(index["odbcSources"][0]["source"], "DSN=基幹システム;DATABASE=purchase");
}

// Ctrl-C ends the workers between files; what is done is written, marked.
TEST(Inventory, AnInterruptWritesAnIncompleteIndex) {
  if (!HaveTool("timeout")) GTEST_SKIP() << "timeout(1) is not installed";
  const TempDir dir;
  const std::filesystem::path shape = dir / "shape.mdb";
  const ProcessResult made =
      RunProcess({BuiltProgram("mkmdb"), "--synthetic",
                  "tables=400,fields=20,indexes=3,relations=80", shape.string()});
  ASSERT_EQ(made.ExitCode, 0) << made.Err;
  std::filesystem::create_directories(dir / "tree");
  for (int i = 0; i < 400; ++i) {
    std::filesystem::create_hard_link(shape, dir / "tree" / ("f" + std::to_string(i) + ".mdb"));
  }
  const ProcessResult stopped =
      RunCli({"timeout", "--preserve-status", "-s", "INT", "1", Cli, "inventory",
              (dir / "tree").string(), "-o", (dir / "out").string()});
  EXPECT_EQ(stopped.ExitCode, 1) << stopped.Err;
  EXPECT_NE(stopped.Err.find("the index says it is incomplete"), std::string::npos) << stopped.Err;
  const nlohmann::json index = nlohmann::json::parse(ReadBytes(dir / "out" / "inventory.json"));
  EXPECT_FALSE(index["complete"].get<bool>());
  EXPECT_LT(index["files"].size(), 400u);
  for (const nlohmann::json& file : index["files"]) EXPECT_TRUE(file["opened"].get<bool>());
  EXPECT_NE(ReadBytes(dir / "out" / "index.html").find("この一覧は途中までです"),
            std::string::npos);
}

TEST(Inventory, WhatCannotBeWalkedIsSaidAndMarksTheIndex) {
  const TempDir dir;
  const ProcessResult none =
      RunCli({Cli, "inventory", (dir / "missing").string(), "-o", (dir / "o").string()});
  EXPECT_EQ(none.ExitCode, 1);
  EXPECT_NE(none.Err.find("missing: "), std::string::npos) << none.Err;
  const nlohmann::json index = nlohmann::json::parse(ReadBytes(dir / "o" / "inventory.json"));
  EXPECT_EQ(index["unreadableFolders"].size(), 1u);
  EXPECT_TRUE(index["files"].empty());
  const ProcessResult usage = RunCli({Cli, "inventory"});
  EXPECT_EQ(usage.ExitCode, 2);
  if (geteuid() == 0) return;  // root lists any folder
  std::filesystem::create_directories(dir / "t" / "closed");
  chmod((dir / "t" / "closed").c_str(), 0);
  const ProcessResult closed =
      RunCli({Cli, "inventory", (dir / "t").string(), "-o", (dir / "o2").string()});
  chmod((dir / "t" / "closed").c_str(), 0700);
  EXPECT_EQ(closed.ExitCode, 1);
  EXPECT_NE(closed.Err.find("closed: "), std::string::npos) << closed.Err;
}

}  // namespace
}  // namespace tabulon::test
