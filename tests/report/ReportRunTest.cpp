// The frame of the report run: output paths, the front's states, progress,
// and the failures that end a run.

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <platform/VersionInfo.h>
#include <report/OutputPath.h>
#include <text/TextFile.h>

#include "ReportFixture.h"

namespace tabulon::test {
namespace {

using Lines = std::vector<std::string>;

TEST(ReportRun, EmptyListChangesOnlyStylesAndBars) {
  RunWorld world({});
  world.Settings.TypeStyle = WordStyle::Long;
  world.Settings.AttrStyle = WordStyle::Short;
  const ReportOutcome outcome = world.Run({});
  EXPECT_FALSE(outcome.Path);
  EXPECT_EQ(world.Front.Calls, (Lines{"total 0", "part 0"}));
  EXPECT_EQ(world.Words.TypeSection, "FIELD_TYPE_1");
  EXPECT_EQ(world.Words.AttrSection, "FIELD_ATTR_3");
  EXPECT_TRUE(std::filesystem::is_empty(world.Desktop.Path()));
}

TEST(ReportRun, DesktopReportsAreDatedAndNumbered) {
  RunWorld world({{"/a.mdb", OneTableDatabase()}});
  const std::filesystem::path folder = world.Desktop / "tabulon_out";
  for (const char* expected :
       {"tabulon_261205.html", "tabulon_261205(01).html", "tabulon_261205(02).html"}) {
    const ReportOutcome outcome = world.Run({R"("??"|""|"/a.mdb")"});
    EXPECT_TRUE(outcome.Complete);
    EXPECT_EQ(outcome.Path, folder / expected);
  }
  EXPECT_TRUE(std::filesystem::exists(folder / "tabulon_261205(02).html"));
  world.Settings.ExecutablePath = "/usr/bin/Tabulon.Bin";
  EXPECT_EQ(world.Run({R"("??"|""|"/a.mdb")"}).Path,
            world.Desktop / "Tabulon_out" / "Tabulon_261205.html");
}

TEST(ReportRun, NumbersAreHexadecimalWithAtLeastTwoDigits) {
  TempDir dir;
  WriteBytes(dir / "r.html", "");
  std::vector<std::string> names;
  for (int n = 1; n <= 0x10; ++n) {
    names.push_back(UniqueReportPath(dir.Path(), "r.html").filename().string());
    WriteBytes(dir / names.back(), "");
  }
  EXPECT_EQ(names[8] + names[9] + names[15], "r(09).htmlr(0A).htmlr(10).html");
  for (int n = 0x11; n <= 0xFF; ++n) WriteBytes(dir / fmt::format("r({:02X}).html", n), "");
  EXPECT_EQ(UniqueReportPath(dir.Path(), "r.html").filename(), "r(100).html");
}

TEST(ReportRun, UnresolvableDesktopFailsWithALine) {
  RunWorld world({{"/a.mdb", OneTableDatabase()}});
  world.Settings.DesktopFolder = [] { return std::string(); };
  const ReportOutcome outcome = world.Run({R"("??"|""|"/a.mdb")"});
  EXPECT_FALSE(outcome.Path);
  ASSERT_EQ(world.Front.Failures.size(), 1u);
  EXPECT_NE(world.Front.Failures[0].find("デスクトップ"), std::string::npos);
  EXPECT_EQ(world.Front.Calls, (Lines{"total 0", "part 0", "disable", "failure", "enable"}));
  EXPECT_FALSE(std::filesystem::exists("/tabulon_out"));
}

TEST(ReportRun, CancelledDialogWritesNothing) {
  RunWorld world({{"/a.mdb", OneTableDatabase()}});
  world.Settings.Where = Destination::AskEachTime;
  const ReportOutcome outcome = world.Run({R"("??"|""|"/a.mdb")"});
  EXPECT_FALSE(outcome.Path);
  EXPECT_EQ(world.Front.DialogDefault, "tabulon_261205.html");
  EXPECT_EQ(world.Front.Calls, (Lines{"total 0", "part 0", "disable", "dialog", "enable"}));
  EXPECT_EQ(world.Calls->Opens, 0);

  world.Settings.Where = Destination::Nowhere;
  world.Front.Calls.clear();
  EXPECT_FALSE(world.Run({R"("??"|""|"/a.mdb")"}).Path);
  EXPECT_EQ(world.Front.Calls, (Lines{"total 0", "part 0", "disable", "enable"}));
}

TEST(ReportRun, ChosenPathGetsItsFoldersAndTheReport) {
  RunWorld world({{"/a.mdb", OneTableDatabase()}});
  world.Settings.Where = Destination::AskEachTime;
  TempDir dir;
  world.Front.DialogAnswer = dir / "new" / "folders" / "out.html";
  const ReportOutcome outcome = world.Run({R"("??"|""|"/a.mdb")", R"("??"|""|"/a.mdb")"});
  EXPECT_TRUE(outcome.Complete);
  const std::string report = DecodeTextFile(ReadBytes(*world.Front.DialogAnswer));
  EXPECT_TRUE(report.ends_with("<a href=\"#PAGE_TOP\">TOP</a></p></body></html>\r\n"));
  // A file listed twice is analysed twice.
  std::size_t headings = 0;
  for (std::size_t at = 0; (at = report.find("<h3 ", at)) != std::string::npos; ++at) ++headings;
  EXPECT_EQ(headings, 2u);
  EXPECT_EQ(world.Front.Calls,
            (Lines{"total 0", "part 0",     "disable",    "dialog",  "busy",       "total max 2",
                   "part 0",  "part max 5", "part 1",     "part 2",  "part max 6", "part 3",
                   "part 4",  "part 5",     "part 6",     "total 1", "part 0",     "part max 5",
                   "part 1",  "part 2",     "part max 6", "part 3",  "part 4",     "part 5",
                   "part 6",  "total 2",    "idle",       "enable"}));
}

TEST(ReportRun, UncreatableReportFailsWithOneLineAndNoFile) {
  RunWorld world({{"/a.mdb", OneTableDatabase()}});
  world.Settings.Where = Destination::AskEachTime;
  TempDir dir;
  WriteBytes(dir / "plain-file", "x");
  world.Front.DialogAnswer = dir / "plain-file" / "out.html";
  const ReportOutcome outcome = world.Run({R"("??"|""|"/a.mdb")"});
  EXPECT_FALSE(outcome.Complete);
  ASSERT_EQ(world.Front.Failures.size(), 1u);
  EXPECT_NE(world.Front.Failures[0].find("plain-file/out.html"), std::string::npos);
  EXPECT_FALSE(world.Front.Busy);
  EXPECT_TRUE(world.Front.Enabled);
  EXPECT_EQ(world.Calls->Opens, 0);
}

TEST(ReportRun, TargetThatOpensOnlyOnceHasNoSectionAndIsReported) {
  FakeDatabaseData once = OneTableDatabase();
  once.OpenLimit = 1;
  RunWorld world({{"/once.mdb", once}, {"/b.mdb", OneTableDatabase()}});
  const ReportOutcome outcome = world.Run({R"("??"|""|"/once.mdb")", R"("??"|""|"/b.mdb")"});
  ASSERT_TRUE(outcome.Complete);
  const std::string report = DecodeTextFile(ReadBytes(*outcome.Path));
  EXPECT_NE(report.find(R"(<li><a href="#ID0000">once.mdb</a></li>)"), std::string::npos);
  EXPECT_EQ(report.find(R"(<h3 id="ID0000">)"), std::string::npos);
  EXPECT_NE(report.find(R"(<h3 id="ID0001">)"), std::string::npos);
  EXPECT_EQ(world.Front.TotalMaximum, 2);
  EXPECT_EQ(world.Front.TotalPosition, 1);
  EXPECT_EQ(world.Calls->Opens, world.Calls->Closes);
  ASSERT_EQ(world.Front.Failures.size(), 1u) << "not skipped silently";
  EXPECT_TRUE(
      world.Front.Failures[0].starts_with("'/once.mdb' を開けないため、その節を書けません: "))
      << world.Front.Failures[0];
}

TEST(ReportRun, AStoppedRunsIndexLeadsToAHeadingForEveryDatabase) {
  RunWorld world({{"/a.mdb", OneTableDatabase()},
                  {"/b<&>.mdb", OneTableDatabase()},
                  {"/c.mdb", OneTableDatabase()}});
  world.Front.StopAfter = 1;
  const ReportOutcome outcome = world.Run({R"("??"|""|"/a.mdb")", R"("??"|""|"/b<&>.mdb")",
                                           R"("??"|""|"/a.mdb")", R"("??"|""|"/c.mdb")"});
  ASSERT_TRUE(outcome.Complete);
  EXPECT_TRUE(outcome.Stopped);
  EXPECT_EQ(outcome.Written, 1);
  const std::string report = DecodeTextFile(ReadBytes(*outcome.Path));
  const auto count = [&](const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = report.find(text, at)) != std::string::npos; ++at) ++n;
    return n;
  };
  // a.mdb written once, the rest marked after the stop, each id one heading.
  for (const char* id : {"ID0000", "ID0001", "ID0002"}) {
    EXPECT_EQ(count(std::string("<h3 id=\"") + id + "\">"), 1u) << id;
  }
  EXPECT_NE(report.find("<p>解析は途中で中止されました。\r\n"
                        R"(<h3 id="ID0001"><a href="#IDFILES">b&lt;&amp;&gt;.mdb</a></h3>)"
                        "\r\n<p>解析を中止したため、このデータベースは書かれていません。\r\n"
                        R"(<h3 id="ID0002"><a href="#IDFILES">c.mdb</a></h3>)"),
            std::string::npos)
      << report;
  EXPECT_EQ(count("このデータベースは書かれていません"), 2u);
}

TEST(ReportRun, IdsContinueAcrossRunsOfOneRegistry) {
  RunWorld world({{"/a.mdb", OneTableDatabase()}, {"/b.mdb", OneTableDatabase()}});
  world.Run({R"("??"|""|"/a.mdb")"});
  const ReportOutcome second = world.Run({R"("??"|""|"/b.mdb")", R"("??"|""|"/a.mdb")"});
  const std::string report = DecodeTextFile(ReadBytes(*second.Path));
  EXPECT_NE(report.find(R"(<li><a href="#ID0002">b.mdb</a></li>)"
                        "\r\n"
                        R"(<li><a href="#ID0000">a.mdb</a></li>)"),
            std::string::npos);
}

TEST(ReportRun, VersionOfTheRunningExecutableIsShown) {
  RunWorld world({});
  world.Settings.ExecutablePath = ExecutablePath();
  const std::string name = world.Settings.ExecutablePath.filename().string();
  const ReportOutcome outcome = world.Run({"note"});
  const std::string report = DecodeTextFile(ReadBytes(*outcome.Path));
  EXPECT_NE(report.find(">" + name + " Ver." + TABULON_VERSION +
                        "</a> at 2026/12/05 09:08:07<br>on TestOS"),
            std::string::npos);
  EXPECT_NE(report.find("by " + name + "</title>"), std::string::npos);
}

TEST(ReportRun, PasswordsReachTheEngineAsTyped) {
  FakeDatabaseData locked = OneTableDatabase();
  locked.Password = "p;w=d\"x";
  RunWorld world({{"/l.mdb", locked}});
  const ReportOutcome outcome = world.Run({R"("??"|"p;w=d""x"|"/l.mdb")"});
  ASSERT_TRUE(outcome.Complete);
  EXPECT_EQ(world.Calls->Connects, (Lines{";pwd=p;w=d\"x", ";pwd=p;w=d\"x"}));
}

}  // namespace
}  // namespace tabulon::test
