// The main window's controls: names, captions, defaults, positions.

#include <gui/MainForm.h>

#include <array>
#include <string>
#include <utility>

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextLayout>
#include <QVBoxLayout>

#include <gui/Memo.h>
#include <gui/OverlayLabel.h>
#include <gui/SaveDialog.h>
#include <platform/DesktopFolder.h>

namespace tabulon {

namespace {

// "ＭＳ ゴシック" where it is installed, else the Japanese gothic fonts
// Debian ships.
QFont UiFont(bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                    QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(13);
  font.setBold(bold);
  return font;
}

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// The part of Label4's example before the password, and the password.
constexpr const char* ExamplePrefix = "　例)　\"??\"|\"";
constexpr const char* ExamplePassword = "sample password";
constexpr const char* ExampleSuffix = "\"|\"C:\\Sample.mdb\"";

QFrame* NewPanel(QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  return panel;
}

}  // namespace

QLabel* TMainForm::NewLabel(QWidget* parent, const char* name, const char* text, int left, int top,
                            bool bold) {
  QLabel* label = Own(new QLabel(Utf8(text), parent), name);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  if (bold) label->setFont(UiFont(true));
  label->move(left, top);
  label->adjustSize();
  return label;
}

void TMainForm::CreateComponents() {
  setFont(UiFont());
  setAcceptDrops(true);
  move(DesignPosition);
  resize(DesignSize);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  PageControl1 = Own(new QTabWidget(this), "PageControl1");
  outer->addWidget(PageControl1);
  CreateMainTab();
  CreateConfigTab();
  CreateConfig2Tab();
  PageControl1->setCurrentIndex(0);
  // Typing or pasting the list is what the window is opened for.
  MemTarget->setFocus();

  SaveHere = Own(new TSaveDialog(this), "SaveHere");
  SaveHere->DefaultExt = QStringLiteral("html");
  SaveHere->Filter = Utf8("htmlファイル(*.htm;*.html)|*.htm;*.html");
  SaveHere->Title = Utf8("名前を付けて保存");
  const std::string desktop =
      FEnvironment.Report.DesktopFolder ? FEnvironment.Report.DesktopFolder() : GetDesktopFolder();
  SaveHere->FirstDir = desktop.empty() ? QDir::homePath() : QString::fromStdString(desktop);
}

void TMainForm::CreateMainTab() {
  TabSheet1 = Own(new QWidget, "TabSheet1");
  PageControl1->addTab(TabSheet1, QStringLiteral("&MAIN"));  // Alt+M
  auto* column = new QVBoxLayout(TabSheet1);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  Panel1 = Own(NewPanel(TabSheet1), "Panel1");
  Panel1->setFixedHeight(110);
  NewLabel(Panel1, "Label1", "解析する mdb ファイル一覧", 8, 6, true);
  NewLabel(Panel1, "Label2", "　1.ファイルをドラッグ＆ドロップで登録", 8, 22);
  NewLabel(Panel1, "Label3", "　2.パスワード付きなら「PASSWORD_HERE」を書き換え", 8, 38);
  Label4 = NewLabel(Panel1, "Label4",
                    (std::string(ExamplePrefix) + ExamplePassword + ExampleSuffix).c_str(), 8, 54);
  NewLabel(Panel1, "Label5", "　※  パスワード無の場合、そのままで問題なし", 8, 70);
  Label19 = Own(new TOverlayLabel(Utf8(ExamplePassword), Panel1), "Label19");
  PlaceSamplePassword();
  ChkClearListOnDrop = Own(new QCheckBox(Utf8("ドラッグ＆ドロップ時、リストをクリアする"), Panel1),
                           "ChkClearListOnDrop");
  ChkClearListOnDrop->move(8, 88);
  ChkClearListOnDrop->adjustSize();
  ChkClearListOnDrop->setChecked(true);
  column->addWidget(Panel1);

  MemTarget = Own(new TMemo(TabSheet1), "MemTarget");
  column->addWidget(MemTarget, 1);

  PnlButton = Own(NewPanel(TabSheet1), "PnlButton");
  PnlButton->setFixedHeight(89);
  BtnCheck = Own(new QPushButton(Utf8("接続チェック"), PnlButton), "BtnCheck");
  BtnCheck->setGeometry(8, 8, 113, 25);
  BtnDoit = Own(new QPushButton(Utf8("解析開始"), PnlButton), "BtnDoit");
  BtnDoit->setGeometry(128, 8, 113, 25);
  BtnVersion = Own(new QPushButton(Utf8("バージョン情報"), PnlButton), "BtnVersion");
  BtnVersion->setGeometry(248, 8, 113, 25);
  // Enter presses the focused button, as Space does.
  for (QPushButton* button : {BtnCheck, BtnDoit, BtnVersion}) button->setAutoDefault(true);
  ProgTotal = Own(new QProgressBar(PnlButton), "ProgTotal");
  ProgTotal->setGeometry(8, 40, 353, 17);
  ProgPart = Own(new QProgressBar(PnlButton), "ProgPart");
  ProgPart->setGeometry(8, 64, 353, 17);
  for (QProgressBar* bar : {ProgTotal, ProgPart}) {
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
  }
  Bevel1 = Own(new QFrame(PnlButton), "Bevel1");
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  PnlButton->installEventFilter(this);
  column->addWidget(PnlButton);

  QFrame* panel3 = Own(NewPanel(TabSheet1), "Panel3");
  panel3->setFixedHeight(26);
  NewLabel(panel3, "Label6", "想定外エラー欄", 8, 6, true);
  column->addWidget(panel3);

  MemOut = Own(new TMemo(TabSheet1), "MemOut");
  MemOut->setFixedHeight(60);
  column->addWidget(MemOut);

  for (TMemo* memo : {MemTarget, MemOut}) {
    memo->FileDrop = [this](const QList<QUrl>& urls) { return DropFiles(urls); };
  }
  // Buttons and tabs name themselves by their captions; these controls
  // have none, so a screen reader is told what each is.
  const std::pair<QWidget*, std::pair<const char*, const char*>> named[] = {
      {MemTarget, {"解析する mdb ファイル一覧", "1 行に 1 つ: \"状態\"|\"パスワード\"|\"パス\""}},
      {MemOut, {"想定外エラー欄", "うまくいかなかったことが 1 行ずつ書かれます"}},
      {ProgTotal, {"全体の進み具合", "解析するデータベースのうち済んだ数"}},
      {ProgPart, {"データベースの進み具合", "いま解析しているデータベースの進み具合"}},
      {PageControl1, {"タブ", "MAIN、CONFIG、CONFIG2"}},
  };
  for (const auto& [widget, text] : named) {
    widget->setAccessibleName(Utf8(text.first));
    widget->setAccessibleDescription(Utf8(text.second));
  }
  connect(BtnCheck, &QPushButton::clicked, this, &TMainForm::BtnCheckClick);
  connect(BtnDoit, &QPushButton::clicked, this, &TMainForm::BtnDoitClick);
  connect(BtnVersion, &QPushButton::clicked, this, &TMainForm::BtnVersionClick);
}

// Label19 repeats the example's password in red; it must cover the
// password exactly in whatever font was found, so its place comes from
// the layout of Label4's text.
void TMainForm::PlaceSamplePassword() {
  QPalette red = Label19->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  Label19->setPalette(red);
  QFont underlined = Label4->font();
  underlined.setUnderline(true);
  Label19->setFont(underlined);

  QTextLayout layout(Label4->text(), Label4->font());
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  const qreal x = layout.lineAt(0).cursorToX(static_cast<int>(Utf8(ExamplePrefix).size()));
  Label19->MoveTextTo(Label4->x() + x, Label4->y());
  Label19->raise();
}

void TMainForm::CreateConfigTab() {
  QWidget* config = Own(new QWidget, "CONFIG");
  PageControl1->addTab(config, QStringLiteral("&CONFIG"));  // Alt+C
  NewLabel(config, "Label7", "出力結果の保存先", 6, 8, true);
  RbtnPutDesktop = Own(new QRadioButton(Utf8("デスクトップ"), config), "RbtnPutDesktop");
  RbtnPutDesktop->move(16, 32);
  RbtnPutDesktop->adjustSize();
  RbtnPutDesktop->setChecked(true);
  RbtnPutWhere = Own(new QRadioButton(Utf8("毎回指定"), config), "RbtnPutWhere");
  RbtnPutWhere->move(136, 32);
  RbtnPutWhere->adjustSize();
  NewLabel(config, "Label11", "※「デスクトップ」", 16, 56);
  NewLabel(config, "Label12", "デスクトップに「tabulon_out」フォルダを作成し", 32, 80);
  NewLabel(config, "Label13", "日付.html で出力結果を保存します。", 32, 96);
  NewLabel(config, "Label14", "同一名称のファイルがあれば重複しないように", 32, 112);
  NewLabel(config, "Label15", "努力します。", 32, 128);
  NewLabel(config, "Label16", "※「毎回指定」", 8, 152);
  NewLabel(config, "Label17", "解析の度に保存先を確認します。", 32, 176);
  NewLabel(config, "Label18", "前回保存パスを再現するよう努力します。", 32, 192);
  NewLabel(config, "Label8", "出力設定", 6, 216, true);
  ChkVerbose = Own(new QCheckBox(Utf8("たぶん役に立たない情報も出力"), config), "ChkVerbose");
  ChkVerbose->move(16, 240);
  ChkVerbose->adjustSize();
  NewLabel(config, "Label10", "※得られる結果に比べてかなりの時間がかかります。", 16, 264);
  NewLabel(config, "Label9", "解析対象のファイル", 6, 288, true);
  ChkRestoreList =
      Own(new QCheckBox(Utf8("対象ファイル一覧を次回起動時に再現する"), config), "ChkRestoreList");
  ChkRestoreList->move(16, 312);
  ChkRestoreList->adjustSize();
}

void TMainForm::CreateConfig2Tab() {
  QWidget* sheet = Own(new QWidget, "TabSheet2");
  PageControl1->addTab(sheet, QStringLiteral("CONFIG&2"));  // Alt+2
  auto* column = new QVBoxLayout(sheet);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // A panel of a bold heading over three exclusive choices.
  const auto group = [&](const char* panelName, const char* headingName, const char* heading,
                         std::array<std::pair<const char*, const char*>, 3> choices) {
    QFrame* panel = Own(NewPanel(sheet), panelName);
    panel->setFixedHeight(105);
    NewLabel(panel, headingName, heading, 6, 8, true);
    std::array<QRadioButton*, 3> buttons{};
    for (std::size_t i = 0; i < 3; ++i) {
      buttons[i] = Own(new QRadioButton(Utf8(choices[i].second), panel), choices[i].first);
      buttons[i]->move(16, 32 + 24 * static_cast<int>(i));
      buttons[i]->adjustSize();
    }
    column->addWidget(panel);
    return buttons;
  };
  const auto types = group("Panel2", "Label20", "フィールドの型表示",
                           {{{"RdoTypeLong", "併記　　例)単精度浮動小数点数型(Single)"},
                             {"RdoTypeMiddle", "翻訳　　例)単精度浮動小数点数型"},
                             {"RdoTypeShort", "原文　　例)Single　※横幅最短"}}});
  RdoTypeLong = types[0];
  RdoTypeMiddle = types[1];
  RdoTypeShort = types[2];
  RdoTypeMiddle->setChecked(true);
  const auto attributes = group("Panel4", "Label21", "フィールドの属性表示",
                                {{{"RdoAttrLong", "カナ使用　例)サイズ固定"},
                                  {"RdoAttrMiddle", "英字混在　例)Size固定　※横幅短め"},
                                  {"RdoAttrShort", "漢字のみ　例)桁数固定　※横幅最短"}}});
  RdoAttrLong = attributes[0];
  RdoAttrMiddle = attributes[1];
  RdoAttrShort = attributes[2];
  RdoAttrLong->setChecked(true);
  QFrame* contents = Own(NewPanel(sheet), "Panel5");
  contents->setFixedHeight(60);
  NewLabel(contents, "Label22", "レポートの内容", 6, 8, true);
  ChkObjects = Own(new QCheckBox(Utf8("クエリの SQL、フォーム・レポートなども出力"), contents),
                   "ChkObjects");
  ChkObjects->move(16, 32);
  ChkObjects->adjustSize();
  column->addWidget(contents);
  column->addStretch(1);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  // Bevel1 runs along the bottom edge of the button panel.
  if (watched == PnlButton && event->type() == QEvent::Resize) {
    Bevel1->setGeometry(0, PnlButton->height() - 2, PnlButton->width(), 2);
  }
  return TForm::eventFilter(watched, event);
}

}  // namespace tabulon
