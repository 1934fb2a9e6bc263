// Target lines: the one splitting and writing rule every reader shares.

#include <gtest/gtest.h>

#include <random>

#include <targets/DatabaseFiles.h>
#include <targets/TargetLine.h>

#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

using Fields = std::vector<std::string>;

TEST(TargetLine, SplitGivesTheFields) {
  const std::pair<std::string, Fields> cases[] = {
      {R"("??"|"PASSWORD_HERE"|"/data/Sample.mdb")", {"??", "PASSWORD_HERE", "/data/Sample.mdb"}},
      {"OK|secret|/data/Sample.mdb", {"OK", "secret", "/data/Sample.mdb"}},
      {"??|pw|/my data/a.mdb", {"??", "pw", "/my", "data/a.mdb"}},  // unquoted: a space ends it
      {R"("??"|"pw"|"/my data/a.mdb")", {"??", "pw", "/my data/a.mdb"}},
      {R"("a""b"|"""")", {"a\"b", "\""}},
      {R"("??"|"pw"|)", {"??", "pw", ""}},  // delimiter last: an empty field
      {R"("??"|"pw"| )", {"??", "pw"}},     // delimiter then blank: nothing
      {"a||b", {"a", "", "b"}},
      {"  \t\"a\" |  \"b\"\t|c  ", {"a", "b", "c"}},
      {"", {}},
      {" \t ", {}},
      {R"("a"|"b|c)", {"a", "b|c"}},   // an unclosed quote takes the rest
      {R"("a"b|c)", {"a", "b", "c"}},  // text after a closing quote is a field
      {R"(a"b|c)", {"a\"b", "c"}},
      {R"("1"|"2"|"3"|"4")", {"1", "2", "3", "4"}},
      {"\u3000a|b", {"\u3000a", "b"}},  // a full-width space is no blank
      {"??|pw|/表/ソ｜ト.mdb", {"??", "pw", "/表/ソ｜ト.mdb"}},
  };
  for (const auto& [line, fields] : cases) EXPECT_EQ(SplitTargetLine(line), fields) << line;
}

TEST(TargetLine, WrittenFieldsAreQuotedWithNothingBetween) {
  EXPECT_EQ(QuoteField(""), R"("")");
  EXPECT_EQ(QuoteField("say \"hi\""), R"("say ""hi""")");
  EXPECT_EQ(NewTargetLine("/data/表.mdb"), R"("??"|"PASSWORD_HERE"|"/data/表.mdb")");
  EXPECT_EQ(JoinTargetLine({"pw", "/a b"}), R"("pw"|"/a b")");
}

TEST(TargetLine, EveryWrittenLineSplitsBackToItsFields) {
  // Fields made of the characters that matter to the rule.
  const std::vector<std::string> pieces = {"\"", "|",  " ",  "\t",     "a",    "表",
                                           "ソ", "\\", "｜", "\u3000", "\"\"", ""};
  std::mt19937 random(20261206);
  for (int round = 0; round < 2000; ++round) {
    Fields fields(1 + random() % 4);
    for (std::string& field : fields) {
      const int length = static_cast<int>(random() % 6);
      for (int i = 0; i < length; ++i) field += pieces[random() % pieces.size()];
    }
    ASSERT_EQ(SplitTargetLine(JoinTargetLine(fields)), fields) << JoinTargetLine(fields);
  }
}

TEST(TargetLine, ALineHoldingOnlyAPathIsThatFileDropped) {
  test::TempDir dir;
  const std::string spaced = (dir / "my data 表.mdb").string();
  test::WriteBytes(spaced, "x");
  std::filesystem::create_directory(dir / "folder.mdb");
  const auto dropped = [](const std::string& path) {
    return std::optional<Target>(Target{"??", "PASSWORD_HERE", path, {}});
  };
  const auto targetOf = [](const std::string& line) {
    std::optional<Target> target = TargetOfLine(line);
    return target ? TargetLineOf(*target) : std::string("note");
  };
  EXPECT_EQ(targetOf(spaced), TargetLineOf(*dropped(spaced)));
  EXPECT_EQ(targetOf("  \"" + spaced + "\"\t"), TargetLineOf(*dropped(spaced)));
  // A path of nothing, or of a folder, is still a target: its check says
  // NG rather than nothing.
  for (const std::string& path : {(dir / "none.mdb").string(), (dir / "folder.mdb").string()}) {
    EXPECT_EQ(targetOf(path), TargetLineOf(*dropped(path)));
  }
  for (const std::string& note :
       {"\"" + spaced, "\"pw\"|\"" + spaced + "\"", std::string("a note"), std::string()}) {
    EXPECT_EQ(targetOf(note), "note") << note;
  }
  EXPECT_EQ(targetOf("OK|pw|/none.mdb|more"), R"("OK"|"pw"|"/none.mdb"|"more")");
}

TEST(DatabaseFiles, AFolderGivesItsDatabasesInOrderWithoutFollowingLinks) {
  test::TempDir dir;
  for (const char* name : {"b.mdb", "a.ACCDB", "notes.txt", "sub/c.mdb", "sub/deeper/d.accdb",
                           "a-sub/e.mdb", "elsewhere/f.mdb"}) {
    std::filesystem::create_directories((dir / name).parent_path());
    test::WriteBytes(dir / name, "x");
  }
  std::filesystem::create_directory(dir / "g.mdb");  // a folder with a database's name
  std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "sub" / "link");
  std::filesystem::create_symlink(dir / "elsewhere" / "f.mdb", dir / "sub" / "f-link.mdb");
  const auto found = [&](std::size_t limit) {
    std::vector<std::string> names;
    for (const auto& path : FindDatabaseFiles(dir / "", limit)) {
      names.push_back(path.lexically_relative(dir.Path()).string());
    }
    return names;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(found(100), (Names{"a.ACCDB", "b.mdb", "a-sub/e.mdb", "elsewhere/f.mdb", "sub/c.mdb",
                               "sub/deeper/d.accdb"}));
  EXPECT_EQ(found(3), (Names{"a.ACCDB", "b.mdb", "a-sub/e.mdb"}));
  EXPECT_TRUE(FindDatabaseFiles(dir / "missing").empty());
}

}  // namespace
}  // namespace tabulon
