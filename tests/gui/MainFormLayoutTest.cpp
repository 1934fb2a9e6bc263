// The main window's controls: names, kinds, captions, defaults, places;
// the sample password over the example; the title.

#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "WindowWorld.h"

namespace tabulon::test {
namespace {

struct Control {
  const char* Name;
  const char* Kind;  // Qt class the control is or derives from
  const char* Caption;
  QRect Geometry;  // width or height -1 where the design gives none
};

const Control Inventory[] = {
    {"Label1", "QLabel", "解析する mdb ファイル一覧", {8, 6, -1, -1}},
    {"Label2", "QLabel", "　1.ファイルをドラッグ＆ドロップで登録", {8, 22, -1, -1}},
    {"Label3", "QLabel", "　2.パスワード付きなら「PASSWORD_HERE」を書き換え", {8, 38, -1, -1}},
    {"Label4", "QLabel", "　例)　\"??\"|\"sample password\"|\"C:\\Sample.mdb\"", {8, 54, -1, -1}},
    {"Label5", "QLabel", "　※  パスワード無の場合、そのままで問題なし", {8, 70, -1, -1}},
    {"Label19", "QLabel", "sample password", {-1, 54, -1, -1}},
    {"ChkClearListOnDrop",
     "QCheckBox",
     "ドラッグ＆ドロップ時、リストをクリアする",
     {8, 88, -1, -1}},
    {"Panel1", "QFrame", "", {0, 0, -1, 110}},
    {"MemTarget", "QPlainTextEdit", "", {0, 110, -1, -1}},
    {"PnlButton", "QFrame", "", {-1, -1, -1, 89}},
    {"BtnCheck", "QPushButton", "接続チェック", {8, 8, 113, 25}},
    {"BtnDoit", "QPushButton", "解析開始", {128, 8, 113, 25}},
    {"BtnVersion", "QPushButton", "バージョン情報", {248, 8, 113, 25}},
    {"ProgTotal", "QProgressBar", "", {8, 40, 353, 17}},
    {"ProgPart", "QProgressBar", "", {8, 64, 353, 17}},
    {"Bevel1", "QFrame", "", {0, 87, -1, 2}},
    {"Panel3", "QFrame", "", {-1, -1, -1, 26}},
    {"Label6", "QLabel", "想定外エラー欄", {8, 6, -1, -1}},
    {"MemOut", "QPlainTextEdit", "", {-1, -1, -1, 60}},
    {"Label7", "QLabel", "出力結果の保存先", {6, 8, -1, -1}},
    {"RbtnPutDesktop", "QRadioButton", "デスクトップ", {16, 32, -1, -1}},
    {"RbtnPutWhere", "QRadioButton", "毎回指定", {136, 32, -1, -1}},
    {"Label11", "QLabel", "※「デスクトップ」", {16, 56, -1, -1}},
    {"Label12", "QLabel", "デスクトップに「tabulon_out」フォルダを作成し", {32, 80, -1, -1}},
    {"Label13", "QLabel", "日付.html で出力結果を保存します。", {32, 96, -1, -1}},
    {"Label14", "QLabel", "同一名称のファイルがあれば重複しないように", {32, 112, -1, -1}},
    {"Label15", "QLabel", "努力します。", {32, 128, -1, -1}},
    {"Label16", "QLabel", "※「毎回指定」", {8, 152, -1, -1}},
    {"Label17", "QLabel", "解析の度に保存先を確認します。", {32, 176, -1, -1}},
    {"Label18", "QLabel", "前回保存パスを再現するよう努力します。", {32, 192, -1, -1}},
    {"Label8", "QLabel", "出力設定", {6, 216, -1, -1}},
    {"ChkVerbose", "QCheckBox", "たぶん役に立たない情報も出力", {16, 240, -1, -1}},
    {"Label10", "QLabel", "※得られる結果に比べてかなりの時間がかかります。", {16, 264, -1, -1}},
    {"Label9", "QLabel", "解析対象のファイル", {6, 288, -1, -1}},
    {"ChkRestoreList", "QCheckBox", "対象ファイル一覧を次回起動時に再現する", {16, 312, -1, -1}},
    {"Panel2", "QFrame", "", {0, 0, -1, 105}},
    {"Label20", "QLabel", "フィールドの型表示", {6, 8, -1, -1}},
    {"RdoTypeLong", "QRadioButton", "併記　　例)単精度浮動小数点数型(Single)", {16, 32, -1, -1}},
    {"RdoTypeMiddle", "QRadioButton", "翻訳　　例)単精度浮動小数点数型", {16, 56, -1, -1}},
    {"RdoTypeShort", "QRadioButton", "原文　　例)Single　※横幅最短", {16, 80, -1, -1}},
    {"Panel4", "QFrame", "", {0, 105, -1, 105}},
    {"Label21", "QLabel", "フィールドの属性表示", {6, 8, -1, -1}},
    {"RdoAttrLong", "QRadioButton", "カナ使用　例)サイズ固定", {16, 32, -1, -1}},
    {"RdoAttrMiddle", "QRadioButton", "英字混在　例)Size固定　※横幅短め", {16, 56, -1, -1}},
    {"RdoAttrShort", "QRadioButton", "漢字のみ　例)桁数固定　※横幅最短", {16, 80, -1, -1}},
    {"Panel5", "QFrame", "", {0, 210, -1, 60}},
    {"Label22", "QLabel", "レポートの内容", {6, 8, -1, -1}},
    {"ChkObjects", "QCheckBox", "クエリの SQL、フォーム・レポートなども出力", {16, 32, -1, -1}},
};

QString CaptionOf(const QWidget& w) {
  if (const auto* label = qobject_cast<const QLabel*>(&w)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(&w)) return button->text();
  return {};
}

TEST(MainFormLayout, EveryControlUnderItsNameWithCaptionAndPlace) {
  WindowWorld world;
  TMainForm& form = world.Open();
  EXPECT_EQ(form.objectName().toStdString(), "MainForm");
  EXPECT_EQ(form.windowTitle().toStdString(),
            std::string("tabulon Ver.") + TABULON_VERSION + " - MainForm");
  EXPECT_EQ(form.pos(), QPoint(243, 139));
  EXPECT_EQ(form.size(), QSize(385, 446));
  EXPECT_TRUE(form.acceptDrops());
  form.show();
  auto& tabs = world.Child<QTabWidget>("PageControl1");
  for (int i = 0; i < tabs.count(); ++i) tabs.setCurrentIndex(i);  // lays out every tab
  tabs.setCurrentIndex(0);
  QApplication::processEvents();

  for (const Control& c : Inventory) {
    SCOPED_TRACE(c.Name);
    const QWidget& w = world.Child(c.Name);
    EXPECT_TRUE(w.inherits(c.Kind)) << w.metaObject()->className();
    EXPECT_EQ(CaptionOf(w).toStdString(), c.Caption);
    const QRect g = w.geometry();
    const int expected[] = {c.Geometry.x(), c.Geometry.y(), c.Geometry.width(),
                            c.Geometry.height()};
    const int actual[] = {g.x(), g.y(), g.width(), g.height()};
    for (int i = 0; i < 4; ++i) {
      if (expected[i] >= 0) {
        EXPECT_EQ(actual[i], expected[i]) << "coordinate " << i;
      }
    }
    EXPECT_EQ(w.font().pixelSize(), 13);
    const std::set<std::string_view> headings = {"Label1", "Label6",  "Label7",  "Label8",
                                                 "Label9", "Label20", "Label21", "Label22"};
    EXPECT_EQ(w.font().bold(), headings.count(c.Name) == 1);
  }

  ASSERT_EQ(tabs.count(), 3);
  EXPECT_EQ(tabs.currentIndex(), 0);
  const char* const tabNames[][2] = {
      {"TabSheet1", "&MAIN"}, {"CONFIG", "&CONFIG"}, {"TabSheet2", "CONFIG&2"}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(tabs.widget(i)->objectName().toStdString(), tabNames[i][0]);
    EXPECT_EQ(tabs.tabText(i).toStdString(), tabNames[i][1]);
  }

  // The list fills what the panels leave, down to the error list at the
  // bottom; the bars count from 0 to 100.
  const QWidget& sheet = world.Child("TabSheet1");
  EXPECT_EQ(world.Child("MemOut").geometry().bottom(), sheet.height() - 1);
  EXPECT_EQ(world.Targets().geometry().bottom() + 1, world.Child("PnlButton").y());
  EXPECT_GT(world.Targets().height(), 60);
  for (const char* bar : {"ProgTotal", "ProgPart"}) {
    EXPECT_EQ(world.Child<QProgressBar>(bar).minimum(), 0);
    EXPECT_EQ(world.Child<QProgressBar>(bar).maximum(), 100);
    EXPECT_EQ(world.Child<QProgressBar>(bar).value(), 0);
  }
  for (const char* memo : {"MemTarget", "MemOut"}) {
    const auto& box = world.Child<QPlainTextEdit>(memo);
    EXPECT_EQ(box.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(box.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_TRUE(box.toPlainText().isEmpty());
  }

  // The defaults of the check boxes and radio buttons: see the first save.
  const auto& dialog = world.Child<TSaveDialog>("SaveHere");
  EXPECT_EQ(dialog.DefaultExt.toStdString(), "html");
  EXPECT_EQ(dialog.Filter.toStdString(), "htmlファイル(*.htm;*.html)|*.htm;*.html");
  EXPECT_TRUE(dialog.InitialDir.isEmpty());
  EXPECT_EQ(NameFiltersOf(dialog.Filter),
            QStringList{QStringLiteral("htmlファイル(*.htm;*.html) (*.htm *.html)")});
}

TEST(MainFormLayout, EveryControlATabReachesHasAnAccessibleName) {
  WindowWorld world;
  TMainForm& form = world.Open();
  form.show();
  QApplication::processEvents();
  // What an assistive client reads: the accessible name, else the caption.
  for (QWidget* w : form.findChildren<QWidget*>()) {
    // A tab bar's tabs are named by their texts.
    if (!w->isVisible() || (w->focusPolicy() & Qt::TabFocus) == 0 ||
        qobject_cast<QScrollBar*>(w) != nullptr || qobject_cast<QTabBar*>(w) != nullptr) {
      continue;
    }
    SCOPED_TRACE(w->objectName().toStdString());
    EXPECT_FALSE(w->accessibleName().isEmpty() && CaptionOf(*w).isEmpty());
  }
  EXPECT_EQ(world.Child("MemOut").accessibleName().toStdString(), "想定外エラー欄");
  for (const char* bar : {"ProgTotal", "ProgPart"}) {
    EXPECT_FALSE(world.Child(bar).accessibleName().isEmpty()) << bar;
  }
  EXPECT_NE(world.Child("ProgTotal").accessibleName(), world.Child("ProgPart").accessibleName());
}

TEST(MainFormLayout, TabLeavesTheListInsteadOfTypingATab) {
  WindowWorld world;
  world.Open().show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(world.Form.get()));
  world.Targets().setFocus();
  QTest::keyClick(&world.Targets(), Qt::Key_Tab);
  EXPECT_EQ(world.Targets().Text(), "");
  EXPECT_FALSE(world.Targets().hasFocus());
}

// Label19 repeats the example's password in red: no dark pixel of the
// password beneath may show beside it, whatever font was found.
TEST(MainFormLayout, SamplePasswordLiesExactlyOverTheExample) {
  WindowWorld world;
  world.Open().show();
  QApplication::processEvents();
  auto& overlay = world.Child<QLabel>("Label19");
  auto& panel = world.Child("Panel1");
  const QRect area = overlay.geometry();

  const auto darkPixels = [&](bool withOverlay, int* redPixels) {
    overlay.setVisible(withOverlay);
    const QImage image = panel.grab(area).toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() < 128 && c.green() < 128 && c.blue() < 128) ++dark;
        if (redPixels && c.red() > 160 && c.green() < 96 && c.blue() < 96) ++*redPixels;
      }
    }
    return dark;
  };
  EXPECT_GT(darkPixels(false, nullptr), 50) << "the example's password is drawn beneath";
  int red = 0;
  EXPECT_EQ(darkPixels(true, &red), 0);
  EXPECT_GT(red, 50);
}

TEST(MainFormKeys, TheListHasTheFocusEnterAndSpacePressButtonsAltLettersOpenTabs) {
  WindowWorld world;
  TMainForm& form = world.Open();
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_EQ(QApplication::focusWidget(), &world.Targets());

  // The list is empty: the check has nothing to do, but is pressed.
  auto& check = world.Child<QPushButton>("BtnCheck");
  QSignalSpy pressed(&check, &QPushButton::clicked);
  check.setFocus();
  QTest::keyClick(&check, Qt::Key_Return);
  QTest::keyClick(&check, Qt::Key_Enter);
  QTest::keyClick(&check, Qt::Key_Space);
  EXPECT_EQ(pressed.count(), 3);

  auto& tabs = world.Child<QTabWidget>("PageControl1");
  QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
  EXPECT_EQ(tabs.currentIndex(), 1);
  QTest::keyClick(&form, Qt::Key_2, Qt::AltModifier);
  EXPECT_EQ(tabs.currentIndex(), 2);
  QTest::keyClick(&form, Qt::Key_M, Qt::AltModifier);
  EXPECT_EQ(tabs.currentIndex(), 0);

  // Tab goes through the page in the order it is laid out.
  world.Child("ChkClearListOnDrop").setFocus();
  std::vector<std::string> order;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  EXPECT_EQ(order,
            (std::vector<std::string>{"MemTarget", "BtnCheck", "BtnDoit", "BtnVersion", "MemOut"}));
}

}  // namespace
}  // namespace tabulon::test
