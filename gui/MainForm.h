#pragma once
// The main window, TMainForm ("MainForm"): on tab "MAIN" the target list
// (MemTarget), the check, start and version buttons with two progress bars
// (PnlButton) and the unexpected-error list (MemOut); on "CONFIG" and
// "CONFIG2" the settings of the report. Its state and, when asked to, its
// list are kept from one start to the next. Files dropped anywhere on it
// become target lines.
//
// Its code is split by concern: MainFormLayout.cpp (the controls),
// MainFormFiles.cpp (settings and list files), MainFormDrops.cpp (drops),
// MainFormActions.cpp (the three buttons).
//
// The check and the report run work on a thread of their own, so the
// window keeps painting and its bars move; meanwhile the list and the
// buttons are disabled, drops are refused, and closing asks whether to stop
// (the work then ends after the current file and the window closes).

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <QList>
#include <QUrl>

#include <gui/Form.h>
#include <gui/MainFormEnvironment.h>
#include <report/AnchorRegistry.h>
#include <text/TextCompare.h>

class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace tabulon {

class TDao360;
class TMemo;
class TOverlayLabel;
class TSaveDialog;
class Wording;

class TMainForm : public TForm {
  Q_OBJECT

 public:
  // Where and how large the window is by design.
  static constexpr QPoint DesignPosition{243, 139};
  static constexpr QSize DesignSize{385, 446};

  // Builds the window and restores its state (FormCreate). `dao` and
  // `wording` must outlive the window. Failures to read the settings or the
  // list file are shown, and the window still comes up.
  TMainForm(TDao360& dao, Wording& wording, MainFormEnvironment environment);
  ~TMainForm() override;

  // The end of the program: writes the list file when ChkRestoreList is
  // checked, then the settings file, also when the list could not be
  // written. Each failure is shown in its own error box.
  void FormDestroy();

  // Adds dropped files as target lines (see dropEvent). Returns false when
  // the drop is refused because MemTarget is disabled.
  bool DropFiles(const QList<QUrl>& urls);
  // Adds files as a drop does (files given on the command line, "Open
  // with"): the list is cleared first when ChkClearListOnDrop says so; a
  // file already dropped since then is not added again; a folder adds the
  // .mdb and .accdb files in it and its subfolders; what does not exist is
  // passed over. False when refused because MemTarget is disabled.
  bool AddFiles(const std::vector<std::string>& paths);

  // An inventory of the Access databases under `folders` (a drop of
  // folders with Shift held): index.html, inventory.csv, inventory.json and
  // links.svg in a new folder "<name>_inventory_yymmdd" of the desktop's
  // "<name>_out", read on the worker as the run is. False, and nothing
  // starts, while a job works or when no folder is given.
  bool InventoryFolders(const std::vector<std::string>& folders);

  void BtnCheckClick();
  void BtnDoitClick();
  void BtnVersionClick();

  // True while the check or the report run works (from the button until
  // the window has applied the work's end).
  bool OperationRunning() const { return FOperationRunning; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  friend class TMainFormFront;

  void CreateComponents();
  void CreateMainTab();
  void CreateConfigTab();
  void CreateConfig2Tab();
  QLabel* NewLabel(QWidget* parent, const char* name, const char* text, int left, int top,
                   bool bold = false);
  void PlaceSamplePassword();
  void FormCreate();
  void SetBusy(bool busy);
  // The controls a job disables while it works, the check and the run alike.
  void SetJobControlsEnabled(bool enabled);
  // The one gate every job passes: false, and nothing changes, while a job
  // works; else the job counts as running from here.
  bool BeginJob();
  // How the last run ended, on the total bar, where it shows whether or not
  // a notification service is there to tell; `detail` as its tooltip.
  void ShowRunStatus(const QString& status, const QString& detail);
  void ShowError(const std::string& text) const;
  // A line of the unexpected-error list, brought into view.
  void AppendFailure(const std::string& text);
  // The line that marks where a job's lines begin, when earlier ones are
  // there.
  void MarkJobStart(const char* what);
  // Runs `work` on the worker thread; then, on the window's thread and
  // after every call the work queued, `done`, and the close the user asked
  // for meanwhile.
  void StartWorker(std::function<void()> work, std::function<void()> done);
  void WorkerFinished(const std::function<void()>& done);

  TDao360& FDao;
  Wording& FWording;
  MainFormEnvironment FEnvironment;
  // Paths added by drops since a drop last cleared the list; letter case
  // ignored.
  std::set<std::string, NoCaseLess> FDroppedFiles;
  AnchorRegistry FAnchors;
  bool FOperationRunning = false;
  // Counts the jobs begun, so that an answer can tell which job it was for.
  std::uint64_t FJobSerial = 0;
  bool FBusy = false;
  std::thread FWorker;
  std::atomic<bool> FStopRequested = false;
  bool FCloseWhenDone = false;

  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QFrame* Panel1 = nullptr;
  QLabel* Label4 = nullptr;
  TOverlayLabel* Label19 = nullptr;
  QCheckBox* ChkClearListOnDrop = nullptr;
  TMemo* MemTarget = nullptr;
  QFrame* PnlButton = nullptr;
  QPushButton* BtnCheck = nullptr;
  QPushButton* BtnDoit = nullptr;
  QPushButton* BtnVersion = nullptr;
  QProgressBar* ProgTotal = nullptr;
  QProgressBar* ProgPart = nullptr;
  QFrame* Bevel1 = nullptr;
  TMemo* MemOut = nullptr;
  QRadioButton* RbtnPutDesktop = nullptr;
  QRadioButton* RbtnPutWhere = nullptr;
  QCheckBox* ChkVerbose = nullptr;
  QCheckBox* ChkRestoreList = nullptr;
  QCheckBox* ChkObjects = nullptr;
  QRadioButton* RdoTypeLong = nullptr;
  QRadioButton* RdoTypeMiddle = nullptr;
  QRadioButton* RdoTypeShort = nullptr;
  QRadioButton* RdoAttrLong = nullptr;
  QRadioButton* RdoAttrMiddle = nullptr;
  QRadioButton* RdoAttrShort = nullptr;
  TSaveDialog* SaveHere = nullptr;
};

}  // namespace tabulon
