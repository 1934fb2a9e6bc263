#include <gui/InfoForm.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include <gui/AppIcon.h>
#include <gui/AppMessage.h>
#include <gui/ClickLabel.h>
#include <gui/DesktopShell.h>
#include <gui/FigureText.h>
#include <platform/DesktopFolder.h>
#include <platform/OsDescription.h>
#include <platform/Shortcut.h>
#include <platform/VersionInfo.h>

namespace tabulon {

namespace {

// The maker's name and the search for it; the addresses are set at build
// time (MakerHomePage, MakerMailAddress).
constexpr const char* MakerName = "(tabulon project)";
constexpr const char* MakerSearch = "https://duckduckgo.com/?q=%22tabulon+project%22";
constexpr const char* Credit = "Copyright (C) 2026 tabulon project";
constexpr const char* Thanks = "File format facts: mdbtools, Jackcess, mdb-reader";

const QColor Teal(0x00, 0x80, 0x80);
const QColor Navy(0x00, 0x00, 0x80);
const QColor Maroon(0x80, 0x00, 0x00);
const QColor Green(0x00, 0x80, 0x00);

QFont FontOf(const QStringList& families, int pixels, bool bold = false) {
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

const QStringList Arial{QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                        QStringLiteral("DejaVu Sans")};

template <class T>
T* Place(T* label, const char* name, int left, int top, const QColor& color = QColor()) {
  label->setObjectName(QString::fromLatin1(name));
  label->move(left, top);
  if (color.isValid()) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
  }
  return label;
}

void SetOpaque(QLabel* label, const QColor& background) {
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, background);
  label->setPalette(palette);
}

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// The startup folder of the desktop's session (freedesktop autostart).
std::string StartupFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && config[0] == '/') return std::string(config) + "/autostart";
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') return "";
  return std::string(home) + "/.config/autostart";
}

}  // namespace

InfoFormEnvironment DefaultInfoFormEnvironment() {
  InfoFormEnvironment e;
  e.Executable = ExecutablePath();
  e.ReadFigures = [] { return ReadSystemFigures(); };
  e.OsDescription = [] { return GetOSDescription(); };
  e.DesktopFolder = [] { return GetDesktopFolder(); };
  e.ShowError = [](const QString& text) { ShowErrorBox(text); };
  return e;
}

TInfoForm::TInfoForm(QWidget* parent, InfoFormEnvironment environment)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FEnvironment(std::move(environment)) {
  setObjectName(QStringLiteral("InfoForm"));
  setFont(FontOf(Arial, 13));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  move(256, 158);
  resize(357, 423);
  CreateComponents();
  FormCreate();
}

void TInfoForm::CreateComponents() {
  PnlBack = new QWidget(this);
  PnlBack->setObjectName(QStringLiteral("PnlBack"));
  PnlBack->setGeometry(8, 8, 329, 401);
  QWidget* p = PnlBack;

  AppIcon = Place(new QLabel(p), "AppIcon", 8, 8);
  AppIcon->resize(32, 32);
  LblExeName = Place(new TClickLabel(p), "LblExeName", 56, 16);
  LblExeName->setFont(FontOf(Arial, 27));
  lblComment = Place(new QLabel(QString::fromUtf8(Credit), p), "lblComment", 56, 64);
  LblOsVersion = Place(new QLabel(p), "LblOsVersion", 16, 200, Teal);
  LblPhys = Place(new QLabel(p), "LblPhys", 16, 216, Teal);
  LblExeVersion = Place(new QLabel(p), "LblExeVersion", 56, 48);
  lblURL = Place(new TClickLabel(p), "lblURL", 56, 104, Navy);
  lblURL->setText(Text(std::string(MakerHomePage())));
  lblMail = Place(new TClickLabel(p), "lblMail", 56, 120, Navy);
  lblMail->setText(Text(std::string(MakerMailAddress())));
  LblLaunchOnStartup = Place(new TClickLabel(p), "LblLaunchOnStartup", 104, 232, Maroon);
  LblLaunchOnStartup->setText(QStringLiteral("Create Shortcut into \"Startup\""));
  LblOpenStartup = Place(new TClickLabel(p), "LblOpenStartup", 288, 232, Maroon);
  LblOpenStartup->setText(QStringLiteral("(Open)"));
  LblLaunchOnDesktop = Place(new TClickLabel(p), "LblLaunchOnDesktop", 56, 160, Maroon);
  LblLaunchOnDesktop->setText(QStringLiteral("Create Shortcut on \"Desktop\""));
  LblOpenFolderIn = Place(new TClickLabel(p), "LblOpenFolderIn", 56, 144, Maroon);
  LblOpenFolderIn->setText(QStringLiteral("Open Folder This Program Installed"));
  LblLaunchOnSendTo = Place(new TClickLabel(p), "LblLaunchOnSendTo", 104, 248, Maroon);
  LblLaunchOnSendTo->setText(QStringLiteral("Create Shortcut into \"SendTo\""));
  LblOpenSendTo = Place(new TClickLabel(p), "LblOpenSendTo", 288, 248, Maroon);
  LblOpenSendTo->setText(QStringLiteral("(Open)"));
  Label1 = Place(new TClickLabel(p), "Label1", 224, 104, Navy);
  Label1->setText(QString::fromUtf8(MakerName));
  Label1->setToolTip(QString::fromUtf8(MakerSearch));
  LblFileDescription = Place(new QLabel(p), "LblFileDescription", 56, 6);
  LblFileDescription->setFont(
      FontOf({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic"),
              QStringLiteral("Noto Sans CJK JP")},
             12));
  SetOpaque(LblFileDescription, Qt::white);
  Label2 = Place(new QLabel(QStringLiteral("System Information"), p), "Label2", 8, 184, Teal);
  Label2->setFont(FontOf(Arial, 13, true));
  SetOpaque(Label2, Qt::white);
  Label3 = Place(new QLabel(QStringLiteral("Process Information"), p), "Label3", 8, 264, Green);
  Label3->setFont(FontOf(Arial, 13, true));
  SetOpaque(Label3, Qt::white);
  LblPageFile = Place(new QLabel(p), "LblPageFile", 16, 232, Teal);
  LblVirtual = Place(new QLabel(p), "LblVirtual", 16, 248, Teal);
  LblWorkingSetSize = Place(new QLabel(p), "LblWorkingSetSize", 16, 280, Green);
  LblPageFaultCount = Place(new QLabel(p), "LblPageFaultCount", 16, 296, Green);
  LblPagefileUsage = Place(new QLabel(p), "LblPagefileUsage", 16, 312, Green);
  LblPagedPoolUsage = Place(new QLabel(p), "LblPagedPoolUsage", 16, 328, Green);
  LblNonPagedPoolUsage = Place(new QLabel(p), "LblNonPagedPoolUsage", 16, 344, Green);
  for (QLabel* figure : {LblWorkingSetSize, LblPageFaultCount, LblPagefileUsage, LblPagedPoolUsage,
                         LblNonPagedPoolUsage}) {
    SetOpaque(figure, Qt::white);
  }
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(500);
  LblProcessTime = Place(new QLabel(p), "LblProcessTime", 16, 360, Green);
  SetOpaque(LblProcessTime, Qt::white);
  Label4 = Place(new QLabel(QString::fromUtf8(Thanks), p), "Label4", 56, 80);

  for (TClickLabel* link : {lblURL, lblMail, LblLaunchOnStartup, LblOpenStartup, LblLaunchOnDesktop,
                            LblOpenFolderIn, LblLaunchOnSendTo, LblOpenSendTo, Label1}) {
    link->MakeLink();
  }
  for (TClickLabel* link : {lblURL, lblMail, Label1}) {
    link->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }
  // Never shown: the desktop has no place for them that every user has.
  for (TClickLabel* hidden :
       {LblLaunchOnStartup, LblOpenStartup, LblLaunchOnSendTo, LblOpenSendTo}) {
    hidden->hide();
  }

  connect(lblURL, &TClickLabel::Clicked, this, &TInfoForm::lblURLClick);
  connect(lblMail, &TClickLabel::Clicked, this, &TInfoForm::lblMailClick);
  connect(Label1, &TClickLabel::Clicked, this, &TInfoForm::Label1Click);
  connect(LblExeName, &TClickLabel::Clicked, this, &TInfoForm::LblExeNameClick);
  for (TClickLabel* link : {LblLaunchOnStartup, LblLaunchOnDesktop, LblLaunchOnSendTo}) {
    connect(link, &TClickLabel::Clicked, this, [this, link] { LblLaunchOnStartupClick(link); });
  }
  for (TClickLabel* link : {LblOpenStartup, LblOpenFolderIn, LblOpenSendTo}) {
    connect(link, &TClickLabel::Clicked, this, [this, link] { LblOpenStartupClick(link); });
  }
  connect(Timer1, &QTimer::timeout, this, &TInfoForm::Timer1Timer);
  Timer1->start();
}

void TInfoForm::FormCreate() {
  SetVersionCaption(*this);
  std::string description;
  ReadVersionString("FileDescription", FEnvironment.Executable, description);
  LblFileDescription->setText(Text(description));
  LblExeName->setText(Text(FEnvironment.Executable.filename().string()));
  AppIcon->setPixmap(AppIconPixmap(32));
  UpdateStatus();
  std::string os = FEnvironment.OsDescription();
  if (const std::size_t at = os.find("Microsoft "); at != std::string::npos) os.erase(at, 10);
  LblOsVersion->setText(Text(os));
  std::string version;
  ReadVersionString("FileVersion", FEnvironment.Executable, version);
  LblExeVersion->setText(Text("Ver." + version));
  AutoSize();
  CenterOnWorkArea(*this);
}

void TInfoForm::AutoSize() {
  // The panel fits its visible contents and keeps its inner border of 10;
  // the window fits the panel.
  for (QObject* child : PnlBack->children()) {
    auto* label = qobject_cast<QLabel*>(child);
    if (label != nullptr && label != AppIcon) label->adjustSize();
  }
  // The maker's name follows the home-page address, which may be longer
  // than the room its design left.
  Label1->move(std::max(224, lblURL->geometry().right() + 9), Label1->y());
  int right = 0;
  int bottom = 0;
  for (QObject* child : PnlBack->children()) {
    auto* label = qobject_cast<QLabel*>(child);
    if (label == nullptr) continue;
    if (label->isHidden()) continue;
    right = std::max(right, label->geometry().right() + 1);
    bottom = std::max(bottom, label->geometry().bottom() + 1);
  }
  PnlBack->resize(right + 10, bottom + 10);
  setFixedSize(PnlBack->x() + PnlBack->width() + 8, PnlBack->y() + PnlBack->height() + 8);
}

void TInfoForm::UpdateStatus() {
  const FigureTexts t = DescribeFigures(FEnvironment.ReadFigures());
  const std::pair<QLabel*, const std::string*> fills[] = {
      {LblPhys, &t.Phys},
      {LblPageFile, &t.PageFile},
      {LblVirtual, &t.Virtual},
      {LblWorkingSetSize, &t.WorkingSetSize},
      {LblPageFaultCount, &t.PageFaultCount},
      {LblPagefileUsage, &t.PagefileUsage},
      {LblPagedPoolUsage, &t.PagedPoolUsage},
      {LblNonPagedPoolUsage, &t.NonPagedPoolUsage},
      {LblProcessTime, &t.ProcessTime},
  };
  for (const auto& [label, text] : fills) {
    label->setText(Text(*text));
  }
}

void TInfoForm::Timer1Timer() {
  // A slow refresh must not queue further ticks.
  Timer1->stop();
  UpdateStatus();
  AutoSize();
  Timer1->start();
}

void TInfoForm::keyPressEvent(QKeyEvent* event) {
  event->accept();
  reject();
}

void TInfoForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
}

void TInfoForm::lblURLClick() { ShellOpen(lblURL->text()); }

void TInfoForm::Label1Click() { ShellOpen(Label1->toolTip()); }

void TInfoForm::lblMailClick() {
  ShellOpen(QStringLiteral("MailTo:%1?subject=from [%2] user")
                .arg(lblMail->text(), Text(FEnvironment.Executable.filename().string())));
}

void TInfoForm::LblExeNameClick() { ShowFileProperties(Text(FEnvironment.Executable.string())); }

void TInfoForm::LblLaunchOnStartupClick(QObject* sender) {
  std::string folder;
  if (sender == LblLaunchOnStartup) {
    folder = StartupFolder();
  } else if (sender == LblLaunchOnDesktop) {
    folder = FEnvironment.DesktopFolder();
  } else {
    return;  // the desktop has no "Send To" folder
  }
  try {
    if (folder.empty()) throw std::runtime_error("フォルダが見つかりません。");
    CreateShortcut(FEnvironment.Executable, folder, FEnvironment.Executable.stem().string());
  } catch (const std::exception& e) {
    FEnvironment.ShowError(QString::fromStdString(e.what()));
  }
}

void TInfoForm::LblOpenStartupClick(QObject* sender) {
  if (sender == LblOpenStartup) {
    ShellOpen(Text(StartupFolder()));
  } else if (sender == LblOpenFolderIn) {
    ShellOpen(Text(FEnvironment.Executable.parent_path().string() + "/"));
  }
}

void ShowInfoWindow(QWidget* owner, InfoFormEnvironment environment) {
  TInfoForm form(owner, std::move(environment));
  form.exec();
}

}  // namespace tabulon
