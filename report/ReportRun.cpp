#include <report/ReportRun.h>

#include <ctime>
#include <exception>
#include <set>
#include <system_error>

#include <fmt/format.h>
#include <fmt/printf.h>

#include <platform/DesktopFolder.h>
#include <platform/OsDescription.h>
#include <platform/VersionInfo.h>
#include <report/DatabaseSection.h>
#include <report/FieldListing.h>
#include <report/ObjectSection.h>
#include <report/OutputPath.h>
#include <report/RelationshipSection.h>
#include <report/ReportHead.h>
#include <targets/ForEachDatabase.h>
#include <text/FileNameUrl.h>
#include <text/OneLine.h>
#include <text/SystemReason.h>

namespace tabulon {

namespace {

std::uint32_t SystemTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

// Called on the settings' own function object, so that a counter kept in it
// counts on from one call to the next.
std::uint32_t TickCount(const ReportSettings& settings) {
  return settings.TickCount ? settings.TickCount() : SystemTickCount();
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
    if (FReleased) return;
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
  // The controls stay disabled: the next half of the run restores them.
  void Release() { FReleased = true; }

 private:
  ReportFront& FFront;
  bool FBusy = false;
  bool FReleased = false;
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
  void SetMaximum(int maximum) { FFront.SetProgressMaximum(FBar, maximum); }

 private:
  ReportFront& FFront;
  ProgressBar FBar;
  int FPosition = 0;
};

// The per-database bar's steps besides one per table: the heading, the table
// list, the field listings, the relationships, the close.
constexpr int FixedSteps = 5;

// The line that links the database's diagram, when the run makes them.
void WriteDiagramLink(ReportContext& context, const DiagramDone& done) {
  if (!done) return;
  const std::optional<std::string> name = done();
  if (name) {
    context.File.WriteLine(fmt::sprintf(R"(<p><a href="%s">ER 図 (SVG)</a>)", FileNameUrl(*name)));
  }
}

// How many sections were written, and whether the front asked to stop
// before every database was.
ForEachCounts WriteDatabases(ReportContext& context, const std::vector<Target>& openedTargets,
                             ReportFront& front) {
  Bar total(front, ProgressBar::Total);
  Bar part(front, ProgressBar::Part);
  front.SetProgressMaximum(ProgressBar::Total, static_cast<int>(openedTargets.size()));
  FieldListing listing;
  ForEachHooks hooks;
  hooks.StopRequested = [&] {
    if (front.StopRequested()) return true;
    part.Reset(FixedSteps);
    return false;
  };
  hooks.NotOpened = [&](const OpenFailure& failure) {
    // It opened for the index a moment ago, so its entry there leads
    // nowhere now: the user is told why, as of any other failure.
    front.ReportFailure("'" + failure.Path +
                        "' を開けないため、その節を書けません: " + OneLine(failure.Text));
  };
  const auto writeSection = [&](const Target&, TDao360&) {
    // The diagram is drawn while the section is written.
    const DiagramDone diagram = context.DatabaseDiagram
                                    ? context.DatabaseDiagram(*context.Dao.Database(),
                                                              context.File.Path(), context.FileId())
                                    : DiagramDone();
    WriteDatabaseHeading(context);
    part.Step();
    const int tableCount = WriteTableList(context);
    part.Step();
    // A step per table, so a large database does not sit still.
    part.SetMaximum(FixedSteps + tableCount);
    for (int i = 0; i < tableCount; ++i) {
      listing.Write(context, context.Dao.Database()->TableDefs().Item(i));
      part.Step();
    }
    part.Step();
    WriteRelationshipSection(context);
    if (context.Objects) WriteObjectSection(context);
    WriteDiagramLink(context, diagram);
    part.Step();
    part.Step();
    total.Step();
  };
  return ForEachDatabase(context.Dao, openedTargets, writeSection, hooks);
}

// After a stop, the databases the index lists but the run did not reach:
// each gets the heading its index entry links to and says it was not
// written, so that no entry leads nowhere.
void WriteNotReached(ReportContext& context, const std::vector<Target>& listed,
                     std::size_t reached) {
  std::set<std::string> done;
  for (std::size_t i = 0; i < reached && i < listed.size(); ++i) {
    done.insert(context.Anchors.GetAnchorId(listed[i].Path));
  }
  for (std::size_t i = reached; i < listed.size(); ++i) {
    const std::string id = context.Anchors.GetAnchorId(listed[i].Path);
    if (!done.insert(id).second) continue;
    context.File.WriteLine(DatabaseHeadingLine(id, FileNameOf(listed[i].Path)));
    context.File.WriteLine("<p>解析を中止したため、このデータベースは書かれていません。");
  }
}

}  // namespace

std::optional<ReportPlan> PlanReport(Wording& wording, const std::vector<std::string>& targetLines,
                                     const ReportSettings& settings, ReportFront& front) {
  wording.SetStyles(settings.TypeStyle, settings.AttrStyle);
  front.SetProgressPosition(ProgressBar::Total, 0);
  front.SetProgressPosition(ProgressBar::Part, 0);
  ReportPlan plan;
  plan.StartTick = TickCount(settings);
  if (targetLines.empty()) return std::nullopt;

  front.SetControlsEnabled(false);
  FrontRestorer restorer(front);
  plan.Now = LocalTime(settings.Now ? settings.Now() : std::chrono::system_clock::now());
  const std::string defaultName = DefaultReportFileName(settings.ExecutablePath, plan.Now);

  switch (settings.Where) {
    case Destination::Desktop: {
      const std::string desktop =
          settings.DesktopFolder ? settings.DesktopFolder() : GetDesktopFolder();
      if (desktop.empty()) {
        front.ReportFailure(
            "デスクトップのフォルダが分からないため、レポートを書けません。"
            "環境変数 HOME を確かめてください。");
        return std::nullopt;
      }
      plan.Path =
          UniqueReportPath(DesktopReportFolder(desktop, settings.ExecutablePath), defaultName);
      break;
    }
    case Destination::AskEachTime:
      if (auto chosen = front.AskSavePath(defaultName)) plan.Path = *chosen;
      break;
    case Destination::GivenPath: {
      std::error_code error;
      plan.Path = std::filesystem::is_directory(settings.OutputPath, error)
                      ? settings.OutputPath / defaultName
                      : settings.OutputPath;
      break;
    }
    case Destination::Nowhere:
      break;
  }
  if (plan.Path.empty()) return std::nullopt;
  restorer.Release();
  return plan;
}

ReportOutcome WriteReport(const ReportPlan& plan, TDao360& dao, Wording& wording,
                          AnchorRegistry& anchors, const std::vector<std::string>& targetLines,
                          const ReportSettings& settings, ReportFront& front) {
  FrontRestorer restorer(front);
  ReportOutcome outcome;
  outcome.Path = plan.Path;
  const std::filesystem::path& path = plan.Path;
  const std::filesystem::path folder = path.parent_path();
  std::error_code error;
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
    std::filesystem::create_directories(folder, error);
    if (error) {
      front.ReportFailure("ファイル '" + path.string() +
                          "' のフォルダを作成できません: " + SystemReason(error));
      return outcome;
    }
  }
  restorer.Busy();

  const std::tm& now = plan.Now;
  std::vector<Target> openedTargets;
  try {
    ReportFile file(path);
    ReportContext context{
        file, dao, wording, anchors, settings.Verbose, settings.Objects, settings.DatabaseDiagram};
    ReportIdentity identity;
    identity.ExecutableName = settings.ExecutablePath.filename().string();
    ReadVersionString("FileVersion", settings.ExecutablePath, identity.FileVersion);
    identity.DateTime =
        fmt::format("{:04d}/{:02d}/{:02d} {:02d}:{:02d}:{:02d}", now.tm_year + 1900, now.tm_mon + 1,
                    now.tm_mday, now.tm_hour, now.tm_min, now.tm_sec);
    identity.OsDescription = settings.OsDescription ? settings.OsDescription() : GetOSDescription();
    WriteReportHead(context, identity, targetLines, openedTargets,
                    [&front](const OpenFailure& failure) { front.TargetNotOpened(failure); });
    const ForEachCounts written = WriteDatabases(context, openedTargets, front);
    outcome.Written = written.Opened;
    if (written.Stopped) {
      outcome.Stopped = true;
      file.WriteLine("<p>解析は途中で中止されました。");
      WriteNotReached(context, openedTargets,
                      static_cast<std::size_t>(written.Opened + written.Failed));
    }
    const std::uint32_t elapsed = TickCount(settings) - plan.StartTick;
    file.WriteLine("<p>" + std::to_string(elapsed) + "msec.");
    file.WriteLine(R"(<a href="#PAGE_TOP">TOP</a></p></body></html>)");
    file.Close();
    outcome.Complete = true;
  } catch (const std::exception& e) {
    front.ReportFailure(e.what());
  }
  return outcome;
}

ReportOutcome RunReport(TDao360& dao, Wording& wording, AnchorRegistry& anchors,
                        const std::vector<std::string>& targetLines, const ReportSettings& settings,
                        ReportFront& front) {
  const std::optional<ReportPlan> plan = PlanReport(wording, targetLines, settings, front);
  if (!plan) return {};
  return WriteReport(*plan, dao, wording, anchors, targetLines, settings, front);
}

}  // namespace tabulon
