#include <report/ReportRun.h>

#include <ctime>
#include <exception>
#include <system_error>

#include <fmt/format.h>

#include <platform/DesktopFolder.h>
#include <platform/OsDescription.h>
#include <platform/VersionInfo.h>
#include <report/DatabaseSection.h>
#include <report/FieldListing.h>
#include <report/OutputPath.h>
#include <report/RelationshipSection.h>
#include <report/ReportHead.h>
#include <targets/OpenTarget.h>

namespace tabulon {

namespace {

std::uint32_t SystemTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

std::tm LocalTime(std::chrono::system_clock::time_point when) {
  const std::time_t time = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

// Whatever happens in the run, the front's controls come back: a failure
// must never leave the window disabled or busy.
class FrontRestorer {
 public:
  explicit FrontRestorer(ReportFront& front) : FFront(front) {}
  ~FrontRestorer() {
    try {
      if (FBusy) FFront.SetBusy(false);
      FFront.SetControlsEnabled(true);
    } catch (...) {
      // The front failed to restore itself; nothing more can be done here.
    }
  }
  FrontRestorer(const FrontRestorer&) = delete;
  FrontRestorer& operator=(const FrontRestorer&) = delete;
  void Busy() {
    FFront.SetBusy(true);
    FBusy = true;
  }

 private:
  ReportFront& FFront;
  bool FBusy = false;
};

// Steps a bar and remembers where it stands.
class Bar {
 public:
  Bar(ReportFront& front, ProgressBar bar) : FFront(front), FBar(bar) {}
  void Reset(int maximum) {
    FPosition = 0;
    FFront.SetProgressPosition(FBar, 0);
    FFront.SetProgressMaximum(FBar, maximum);
  }
  void Step() { FFront.SetProgressPosition(FBar, ++FPosition); }

 private:
  ReportFront& FFront;
  ProgressBar FBar;
  int FPosition = 0;
};

void WriteDatabases(ReportContext& context, const std::vector<std::string>& openedTargets,
                    ReportFront& front) {
  Bar total(front, ProgressBar::Total);
  Bar part(front, ProgressBar::Part);
  front.SetProgressMaximum(ProgressBar::Total, static_cast<int>(openedTargets.size()));
  KeyNameSets keys;
  for (const std::string& target : openedTargets) {
    part.Reset(5);
    std::string errorText;
    OpenTarget(context.Dao, target, errorText);
    if (!context.Dao.Connected()) continue;
    WriteDatabaseHeading(context);
    part.Step();
    const int tableCount = WriteTableList(context);
    part.Step();
    for (int i = 0; i < tableCount; ++i) {
      WriteFieldListing(context, keys, context.Dao.Database()->TableDefs().Item(i));
    }
    part.Step();
    WriteRelationshipSection(context);
    part.Step();
    context.Dao.Close();
    part.Step();
    total.Step();
  }
}

}  // namespace

ReportOutcome RunReport(TDao360& dao, Wording& wording, AnchorRegistry& anchors,
                        const std::vector<std::string>& targetLines, const ReportSettings& settings,
                        ReportFront& front) {
  wording.SetStyles(settings.TypeStyle, settings.AttrStyle);
  front.SetProgressPosition(ProgressBar::Total, 0);
  front.SetProgressPosition(ProgressBar::Part, 0);
  const auto tickCount = settings.TickCount ? settings.TickCount : SystemTickCount;
  const std::uint32_t startTick = tickCount();
  ReportOutcome outcome;
  if (targetLines.empty()) return outcome;

  front.SetControlsEnabled(false);
  FrontRestorer restorer(front);
  const std::tm now = LocalTime(settings.Now ? settings.Now() : std::chrono::system_clock::now());
  const std::string defaultName = DefaultReportFileName(settings.ExecutablePath, now);

  std::filesystem::path path;
  switch (settings.Where) {
    case Destination::Desktop: {
      const std::string desktop =
          settings.DesktopFolder ? settings.DesktopFolder() : GetDesktopFolder();
      if (desktop.empty()) {
        front.ReportFailure(
            "デスクトップのフォルダが分からないため、レポートを書けません。"
            "環境変数 HOME を確かめてください。");
        return outcome;
      }
      path = UniqueReportPath(DesktopReportFolder(desktop, settings.ExecutablePath), defaultName);
      break;
    }
    case Destination::AskEachTime:
      if (auto chosen = front.AskSavePath(defaultName)) path = *chosen;
      break;
    case Destination::Nowhere:
      break;
  }
  if (path.empty()) return outcome;
  outcome.Path = path;

  std::error_code ignored;
  std::filesystem::create_directories(path.parent_path(), ignored);
  restorer.Busy();

  std::vector<std::string> openedTargets;
  try {
    ReportFile file(path);
    ReportContext context{file, dao, wording, anchors, settings.Verbose};
    ReportIdentity identity;
    identity.ExecutableName = settings.ExecutablePath.filename().string();
    ReadVersionString("FileVersion", settings.ExecutablePath, identity.FileVersion);
    identity.DateTime =
        fmt::format("{:04d}/{:02d}/{:02d} {:02d}:{:02d}:{:02d}", now.tm_year + 1900, now.tm_mon + 1,
                    now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
    identity.OsDescription = settings.OsDescription ? settings.OsDescription() : GetOSDescription();
    WriteReportHead(context, identity, targetLines, openedTargets,
                    [&front](const std::string& target, const std::string& error) {
                      front.TargetNotOpened(target, error);
                    });
    WriteDatabases(context, openedTargets, front);
    const std::uint32_t elapsed = tickCount() - startTick;
    file.WriteLine("<p>" + std::to_string(elapsed) + "msec.");
    file.WriteLine(R"(<a href="#PAGE_TOP">TOP</a></p></body></html>)");
    file.Close();
    outcome.Complete = true;
  } catch (const std::exception& e) {
    front.ReportFailure(e.what());
  }
  return outcome;
}

}  // namespace tabulon
