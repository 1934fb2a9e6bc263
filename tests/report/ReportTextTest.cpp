// The report's text helpers: escaping, anchor ids and the file's bytes.

#include <gtest/gtest.h>

#include <report/AnchorRegistry.h>
#include <report/HtmlEscape.h>
#include <report/ReportFile.h>

#include <tests/support/FileLimit.h>
#include <tests/support/TestSupport.h>

namespace tabulon {
namespace {

TEST(HtmlEscape, ReplacesTheFourCharactersOnce) {
  EXPECT_EQ(HtmlEscape(R"(a<b>\c)"), "a&lt;b&gt;&yen;c");
  EXPECT_EQ(HtmlEscape("&lt;"), "&amp;lt;");
  EXPECT_EQ(HtmlEscape("\"it's\""), "\"it's\"");
  EXPECT_EQ(HtmlEscape(""), "");
  EXPECT_EQ(HtmlEscape("¥100"), "&yen;100");
}

TEST(HtmlEscape, DoubleByteCharactersEndingIn5CPassThrough) {
  const std::string escaped = HtmlEscape("表\\ソ");
  EXPECT_EQ(escaped, "表&yen;ソ");
  // What reaches the file: 表 and ソ keep their 0x5C, the lone "\" is an
  // entity, and no reference is made for characters CP932 holds.
  EXPECT_EQ(ReportFile::Encode(escaped), "\x95\x5C&yen;\x83\x5C");
  // References for characters CP932 lacks are not escaped again.
  EXPECT_EQ(ReportFile::Encode(HtmlEscape("é<")), "&#233;&lt;");
}

TEST(HtmlEscape, ForbiddenControlCharactersBecomeAVisibleReplacement) {
  // A description with U+0001, U+0007, U+001B, DEL and U+0085: none may
  // reach the page; tab, CR and LF stay.
  const std::string escaped = HtmlEscape(
      "a\x01"
      "b\x07"
      "c\x1B d\x7F e\xC2\x85"
      "f\tg\r\nh\xC2\xA0");
  EXPECT_EQ(escaped,
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD"
            "c\xEF\xBF\xBD d\xEF\xBF\xBD e\xEF\xBF\xBD"
            "f\tg\r\nh\xC2\xA0");
  const std::string written = ReportFile::Encode(escaped);
  for (const char c : written) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_FALSE(byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') << int{byte};
    EXPECT_NE(byte, 0x7F);
  }
  EXPECT_NE(written.find("&#65533;"), std::string::npos) << written;
}

TEST(ReportFile, EightCharactersAreWrittenAsTheirCp932NeighboursAsWindowsDoes) {
  EXPECT_EQ(ReportFile::Encode("〜—‖−¢£¬‾"), ReportFile::Encode("～―∥－￠￡￢~"));
  EXPECT_EQ(ReportFile::Encode("〜—‖−¢£¬‾").find("&#"), std::string::npos);
}

TEST(AnchorRegistry, NumbersNewNamesInOneSequence) {
  AnchorRegistry anchors;
  EXPECT_EQ(anchors.GetAnchorId("Sales.mdb"), "ID0000");
  EXPECT_EQ(anchors.GetAnchorId("Customers"), "ID0001");
  EXPECT_EQ(anchors.GetAnchorId("Sales.mdb"), "ID0000");
  EXPECT_EQ(anchors.GetAnchorId(""), "ID0002");
  EXPECT_EQ(anchors.GetAnchorId(""), "ID0002");
  for (int i = 3; i < 16; ++i) anchors.GetAnchorId("t" + std::to_string(i));
  EXPECT_EQ(anchors.GetAnchorId("seventeenth"), "ID0010");
  for (int i = 17; i < 0x10000; ++i) anchors.GetAnchorId("n" + std::to_string(i));
  EXPECT_EQ(anchors.GetAnchorId("the 65537th"), "ID10000");
  EXPECT_EQ(anchors.GetAnchorId("Customers"), "ID0001");
}

TEST(AnchorRegistry, NamesDifferingInCaseShareAnIdInEveryScript) {
  AnchorRegistry anchors;
  const std::pair<const char*, const char*> same[] = {{"Customers", "CUSTOMERS"},
                                                      {"Äpfel", "äPFEL"},
                                                      {"ΣΟΦΙΑ", "σοφια"},
                                                      {"Заказы", "ЗАКАЗЫ"},
                                                      {"ＡＢＣ", "ａｂｃ"}};
  for (const auto& [a, b] : same) EXPECT_EQ(anchors.GetAnchorId(a), anchors.GetAnchorId(b)) << a;
  // Σ, σ and final ς are one letter.
  EXPECT_EQ(anchors.GetAnchorId("σας"), anchors.GetAnchorId("ΣΑΣ"));
  EXPECT_EQ(anchors.GetAnchorId("σασ"), anchors.GetAnchorId("ΣΑΣ"));
  // Distinct names stay distinct, even where a collation might merge them
  // or an upper-casing comparison would (dotless ı, long ſ, micro µ).
  EXPECT_NE(anchors.GetAnchorId("ı"), anchors.GetAnchorId("i"));
  EXPECT_NE(anchors.GetAnchorId("ſ"), anchors.GetAnchorId("s"));
  EXPECT_NE(anchors.GetAnchorId("µ"), anchors.GetAnchorId("μ"));
  EXPECT_NE(anchors.GetAnchorId("ABC"), anchors.GetAnchorId("ＡＢＣ"));
  EXPECT_NE(anchors.GetAnchorId("ｶﾅ"), anchors.GetAnchorId("カナ"));
  EXPECT_NE(anchors.GetAnchorId("表"), anchors.GetAnchorId("ソ"));
}

TEST(ReportEncoding, WritesCp932AndReferencesForTheRest) {
  EXPECT_EQ(ReportFile::Encode("表ソ\\"), "\x95\x5C\x83\x5C\x5C");
  EXPECT_EQ(ReportFile::Encode("café"), "caf&#233;");
  EXPECT_EQ(ReportFile::Encode("a😀b"), "a&#128512;b");
  EXPECT_EQ(ReportFile::Encode("\u3000●"), "\x81\x40\x81\x9C");
  // Malformed input cannot reach the file as raw bytes.
  EXPECT_EQ(ReportFile::Encode("x\xFFy"), "x&#65533;y");
}

TEST(ReportFile, ALongReportReachesTheFileWhole) {
  // Lines of every length, so the writes fall at every place in a line.
  test::TempDir dir;
  std::string expected;
  {
    ReportFile file(dir / "r.html");
    for (int i = 0; expected.size() < 3 * ReportFile::BufferSize; ++i) {
      const std::string line = std::to_string(i) + " 表<" + std::string(i % 97, 'x') + "é";
      file.WriteLine(line);
      std::string bytes = "<i>";
      file.AppendEscaped(bytes, "a\\表");
      file.AppendEncoded(bytes, "é");
      file.WriteEncodedLine(bytes);
      file.Write("");
      expected += ReportFile::Encode(line) + "\r\n<i>a&yen;\x95\x5C&#233;\r\n";
    }
    file.Close();
    EXPECT_THROW(file.WriteLine("after"), ReportFileError);
  }
  EXPECT_EQ(test::ReadBytes(dir / "r.html"), expected);
}

TEST(ReportFile, AFailedWriteIsReportedNoLaterThanClose) {
  test::TempDir dir;
  const test::FileSizeLimit limit(1000);
  ReportFile file(dir / "r.html");
  try {
    for (int i = 0; i < 10000; ++i) file.WriteLine(std::string(100, 'x'));
    file.Close();
    ADD_FAILURE() << "no failure reported";
  } catch (const ReportFileError& e) {
    EXPECT_NE(std::string(e.what()).find("に書き込めません"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tabulon
