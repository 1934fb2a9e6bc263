// The main window's settings file and list file across starts.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include <sstream>
#include <string_view>

#include <QLabel>
#include <QPushButton>

#include <targets/ListFile.h>
#include <text/TextFile.h>

#include "WindowWorld.h"

namespace tabulon::test {
namespace {

// The window's components in the order they are saved; after a colon what
// each keeps besides its tag and enabled state.
constexpr std::string_view ComponentOrder =
    "PageControl1 TabSheet1 Panel1 Label1 Label2 Label3 Label4 Label5 Label19 "
    "ChkClearListOnDrop:Checked=1 MemTarget PnlButton BtnCheck BtnDoit BtnVersion ProgTotal "
    "ProgPart Bevel1 Panel3 Label6 MemOut CONFIG Label7 RbtnPutDesktop:Checked=1 "
    "RbtnPutWhere:Checked=0 Label11 Label12 Label13 Label14 Label15 Label16 Label17 Label18 "
    "Label8 ChkVerbose:Checked=0 Label10 Label9 ChkRestoreList:Checked=0 TabSheet2 Panel2 "
    "Label20 RdoTypeLong:Checked=0 RdoTypeMiddle:Checked=1 RdoTypeShort:Checked=0 Panel4 "
    "Label21 RdoAttrLong:Checked=1 RdoAttrMiddle:Checked=0 RdoAttrShort:Checked=0 Panel5 "
    "Label22 ChkObjects:Checked=0";

TEST(MainFormFiles, FirstSaveWritesEveryComponentInOrder) {
  WindowWorld world;
  world.Open();
  world.Close();
  std::string expected =
      "[MainForm.MainForm]\r\nTop=139\r\nLeft=243\r\nWidth=385\r\nHeight=446\r\n";
  std::istringstream components{std::string(ComponentOrder)};
  for (std::string entry; components >> entry;) {
    const std::size_t colon = entry.find(':');
    expected += "\r\n[MainForm." + entry.substr(0, colon) + "]\r\nTag=0\r\nEnabled=1\r\n";
    if (colon != std::string::npos) expected += entry.substr(colon + 1) + "\r\n";
  }
  expected += "\r\n[MainForm.SaveHere]\r\nTag=0\r\nInitialDir=\r\n";
  EXPECT_EQ(ReadBytes(world.Dir / "tabulon.ini"), expected);
  EXPECT_TRUE(world.Errors.empty());
  EXPECT_FALSE(std::filesystem::exists(world.Dir / "tabulon.dat")) << "list not kept by default";
}

TEST(MainFormFiles, SettingsAndListComeBackAtTheNextStart) {
  WindowWorld world;
  const std::string list =
      "\"??\"|\"PASSWORD_HERE\"|\"/home/ユーザー/販売.mdb\"\n\"OK\"|\"秘密\"|\"/データ/"
      "ソフト.mdb\"\n";
  {
    TMainForm& form = world.Open();
    for (const char* name : {"ChkClearListOnDrop", "ChkVerbose", "ChkRestoreList", "ChkObjects"}) {
      world.Child<QCheckBox>(name).toggle();
    }
    for (const char* name : {"RbtnPutWhere", "RdoTypeShort", "RdoAttrMiddle"}) {
      world.Child<QRadioButton>(name).setChecked(true);
    }
    world.Child<TSaveDialog>("SaveHere").InitialDir = QStringLiteral("/home/ユーザー/出力");
    world.Child("Label5").setEnabled(false);
    SetComponentTag(world.Child("BtnDoit"), -7);
    world.Targets().SetText(list);
    form.move(300, 200);
    form.resize(500, 600);
    world.Close();
  }
  EXPECT_EQ(ReadBytes(world.Dir / "tabulon.dat"), ListFileBytes(list));
  EXPECT_NE(ReadBytes(world.Dir / "tabulon.dat").find("\r\n"), std::string::npos);

  TMainForm& form = world.Open();
  EXPECT_EQ(form.pos(), QPoint(300, 200));
  EXPECT_EQ(form.size(), QSize(500, 600));
  const std::pair<const char*, bool> states[] = {
      {"ChkClearListOnDrop", false}, {"ChkVerbose", true},   {"ChkRestoreList", true},
      {"RbtnPutDesktop", false},     {"RbtnPutWhere", true}, {"RdoTypeMiddle", false},
      {"RdoTypeShort", true},        {"RdoAttrLong", false}, {"RdoAttrMiddle", true},
      {"ChkObjects", true},
  };
  for (const auto& [name, checked] : states) EXPECT_EQ(world.Checked(name), checked) << name;
  EXPECT_EQ(world.Child<TSaveDialog>("SaveHere").InitialDir.toStdString(), "/home/ユーザー/出力");
  EXPECT_FALSE(world.Child("Label5").isEnabled());
  EXPECT_EQ(ComponentTag(world.Child("BtnDoit")), -7);
  EXPECT_EQ(world.Targets().Text(), list);
  EXPECT_TRUE(world.Errors.empty());
}

TEST(MainFormFiles, ReadingRulesOfHandWrittenSettings) {
  WindowWorld world;
  WriteBytes(world.Dir / "tabulon.ini",
             "[mainform.MAINFORM]\r\ntop=-20\r\nWidth=400\r\n"
             "[MainForm.ChkVerbose]\r\nChecked=0x1\r\n"
             "[MainForm.RbtnPutDesktop]\r\nChecked=0\r\n"
             "[MainForm.MemTarget]\r\nEnabled=0\r\n"
             "[MainForm.ChkRestoreList]\r\nChecked=0\r\n");
  WriteListFile(world.Dir / "tabulon.dat", "kept as it was\n");
  world.Open();
  EXPECT_EQ(world.Form->pos(), QPoint(243, -20)) << "partly off-screen stays";
  EXPECT_EQ(world.Form->size(), QSize(400, 446));
  EXPECT_TRUE(world.Checked("ChkVerbose"));
  EXPECT_FALSE(world.Checked("ChkObjects")) << "settings from before the box leave it off";
  EXPECT_FALSE(world.Checked("RbtnPutDesktop"));
  EXPECT_FALSE(world.Checked("RbtnPutWhere"));
  EXPECT_FALSE(world.Targets().isEnabled());
  EXPECT_TRUE(world.Targets().Text().empty()) << "the list is loaded only when asked to";
  world.Close();
  EXPECT_EQ(ReadListFile(world.Dir / "tabulon.dat"), "kept as it was\n");
}

TEST(MainFormFiles, WindowOnNoScreenReturnsToItsDesignPlace) {
  WindowWorld world;
  WriteBytes(world.Dir / "tabulon.ini",
             "[MainForm.MainForm]\r\nTop=-5000\r\nLeft=9000\r\nWidth=420\r\nHeight=480\r\n");
  world.Open();
  EXPECT_EQ(world.Form->pos(), QPoint(243, 139));
  EXPECT_EQ(world.Form->size(), QSize(420, 480));
}

TEST(MainFormFiles, ASizeLargerThanTheScreenIsFittedToIt) {
  WindowWorld world;
  const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size();
  WriteBytes(
      world.Dir / "tabulon.ini",
      "[MainForm.MainForm]\r\nTop=10\r\nLeft=20\r\nWidth=" + std::to_string(room.width() * 2) +
          "\r\nHeight=" + std::to_string(room.height() + 300) + "\r\n");
  world.Open();
  EXPECT_EQ(world.Form->pos(), QPoint(20, 10));
  EXPECT_LE(world.Form->width(), room.width());
  EXPECT_LE(world.Form->height(), room.height());
  EXPECT_GT(world.Form->height(), room.height() - 100);
}

TEST(MainFormFiles, FailuresAreShownAndTheWindowStillWorks) {
  WindowWorld world;
  std::filesystem::create_directory(world.Dir / "tabulon.ini");  // unreadable as a file
  world.Open();
  ASSERT_EQ(world.Errors.size(), 1U);
  EXPECT_NE(world.Errors[0].find("tabulon.ini"), std::string::npos);
  EXPECT_TRUE(world.Checked("RdoTypeMiddle"));
  world.Form.reset();
  std::filesystem::remove(world.Dir / "tabulon.ini");

  // The list file cannot be written: the settings are saved all the same,
  // and each failure has its own box.
  world.Errors.clear();
  world.Environment.Files.List = world.Dir / "file" / "tabulon.dat";
  WriteBytes(world.Dir / "file", "");
  world.Open();
  world.Child<QCheckBox>("ChkRestoreList").setChecked(true);
  world.Close();
  ASSERT_EQ(world.Errors.size(), 1U);
  EXPECT_NE(world.Errors[0].find("tabulon.dat"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(world.Dir / "tabulon.ini"));

  world.Errors.clear();
  world.Environment.Files.Settings = world.Dir / "file" / "tabulon.ini";
  world.Open();
  world.Child<QCheckBox>("ChkRestoreList").setChecked(true);
  world.Close();
  ASSERT_EQ(world.Errors.size(), 2U);
  EXPECT_EQ(world.Errors[1], (world.Dir / "file" / "tabulon.ini").string() + " に書き込めません");
}

TEST(MainFormFiles, SettingsGoToTheUsersFolderWhenNeeded) {
  WindowWorld world;
  world.Environment.Files = {world.Dir / "cfg" / "tabulon" / "tabulon.ini",
                             world.Dir / "cfg" / "tabulon" / "tabulon.dat"};
  world.Open();
  world.Child<QCheckBox>("ChkRestoreList").setChecked(true);
  world.Targets().SetText("a line");
  world.Close();
  EXPECT_TRUE(std::filesystem::exists(world.Dir / "cfg" / "tabulon" / "tabulon.ini"));
  EXPECT_EQ(ReadListFile(world.Dir / "cfg" / "tabulon" / "tabulon.dat"), "a line");
  EXPECT_TRUE(world.Errors.empty());
}

}  // namespace
}  // namespace tabulon::test
