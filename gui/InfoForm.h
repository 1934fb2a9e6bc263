#pragma once
// The About window: the program's icon, name, version and description,
// links to the maker, a desktop shortcut and the program's folder, and live
// figures of the system and this process, refreshed every 500 ms. It is
// modal, created for each showing; any key closes it.

#include <filesystem>
#include <functional>
#include <string>

#include <QDialog>

#include <platform/SystemFigures.h>

class QLabel;
class QTimer;

namespace tabulon {

class TClickLabel;

// What the About window reads from outside; tests replace parts of it.
struct InfoFormEnvironment {
  std::filesystem::path Executable;            // the program itself
  std::function<SystemFigures()> ReadFigures;  // the live figures
  std::function<std::string()> OsDescription;
  std::function<std::string()> DesktopFolder;     // "" when unknown
  std::function<void(const QString&)> ShowError;  // the standard error box
};

// The running program's environment.
InfoFormEnvironment DefaultInfoFormEnvironment();

class TInfoForm : public QDialog {
  Q_OBJECT

 public:
  TInfoForm(QWidget* parent, InfoFormEnvironment environment);

  // Refills the nine figure labels.
  void UpdateStatus();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void CreateComponents();
  void FormCreate();
  void AutoSize();
  void lblURLClick();
  void lblMailClick();
  void Label1Click();
  void LblExeNameClick();
  void LblLaunchOnStartupClick(QObject* sender);
  void LblOpenStartupClick(QObject* sender);
  void Timer1Timer();

  InfoFormEnvironment FEnvironment;
  QWidget* PnlBack = nullptr;
  QLabel* AppIcon = nullptr;
  TClickLabel* LblExeName = nullptr;
  QLabel* lblComment = nullptr;
  QLabel* LblOsVersion = nullptr;
  QLabel* LblPhys = nullptr;
  QLabel* LblExeVersion = nullptr;
  TClickLabel* lblURL = nullptr;
  TClickLabel* lblMail = nullptr;
  TClickLabel* LblLaunchOnStartup = nullptr;
  TClickLabel* LblOpenStartup = nullptr;
  TClickLabel* LblLaunchOnDesktop = nullptr;
  TClickLabel* LblOpenFolderIn = nullptr;
  TClickLabel* LblLaunchOnSendTo = nullptr;
  TClickLabel* LblOpenSendTo = nullptr;
  TClickLabel* Label1 = nullptr;
  QLabel* LblFileDescription = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* LblPageFile = nullptr;
  QLabel* LblVirtual = nullptr;
  QLabel* LblWorkingSetSize = nullptr;
  QLabel* LblPageFaultCount = nullptr;
  QLabel* LblPagefileUsage = nullptr;
  QLabel* LblPagedPoolUsage = nullptr;
  QLabel* LblNonPagedPoolUsage = nullptr;
  QTimer* Timer1 = nullptr;
  QLabel* LblProcessTime = nullptr;
  QLabel* Label4 = nullptr;
};

// Shows a new About window modally over `owner` and frees it when it
// closes.
void ShowInfoWindow(QWidget* owner, InfoFormEnvironment environment);

}  // namespace tabulon
