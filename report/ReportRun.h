#pragma once
// The report run: chooses the output file, writes the report of every
// target that opens, and reports progress and failures to a front (the main
// window or the command-line tool). It knows no window.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <report/AnchorRegistry.h>
#include <targets/OpenTarget.h>
#include <words/Wording.h>

namespace tabulon {

using DiagramDone = std::function<std::optional<std::string>()>;
using DiagramHook =
    std::function<DiagramDone(dao::Database&, const std::filesystem::path&, const std::string&)>;

// Where the report goes.
enum class Destination {
  Desktop,      // a dated, unique file in "<name>_out" on the desktop
  AskEachTime,  // the front asks (the save dialog)
  Nowhere,      // neither is chosen: the run stops before writing
  GivenPath,    // ReportSettings::OutputPath (a folder: the dated name in it)
};

struct ReportSettings {
  bool Verbose = false;
  // Each database's queries and other objects after its relationships,
  // and linked tables' sources where they have no description.
  bool Objects = false;
  WordStyle TypeStyle = WordStyle::Middle;
  WordStyle AttrStyle = WordStyle::Long;
  Destination Where = Destination::Desktop;
  // Destination::GivenPath: the file, or a folder that gets the dated name.
  std::filesystem::path OutputPath;
  // The running executable: its name makes the file names and the title,
  // its version the generated-by line.
  std::filesystem::path ExecutablePath;
  // When set (tabulon-cli --diagram): called as each database's section
  // starts, with the open database, the report's path and the database's
  // anchor id. It reads what it needs and may draw while the section is
  // written; the call it returns, made when the section ends, waits for
  // the diagram's files and names the one the section links in one line
  // (nullopt links nothing). Unset, the report has no such line.
  DiagramHook DatabaseDiagram;

  // Environment of the run; the defaults use the system's. Tests replace
  // them to pin the output.
  std::function<std::string()> DesktopFolder;                  // "" = unresolvable
  std::function<std::chrono::system_clock::time_point()> Now;  // local date and time
  std::function<std::uint32_t()> TickCount;                    // milliseconds, wraps
  std::function<std::string()> OsDescription;
};

enum class ProgressBar { Total, Part };

// What the run asks of its front, in the order of the run. PlanReport calls
// it on the caller's thread; WriteReport on the thread that writes, so a
// window that writes on a worker applies the calls on its own thread.
class ReportFront {
 public:
  virtual ~ReportFront() = default;
  // Disables (false) or enables (true) the list and the buttons.
  virtual void SetControlsEnabled(bool enabled) = 0;
  // Destination::AskEachTime: the path chosen for `defaultFileName`, or
  // nullopt when the user cancels.
  virtual std::optional<std::filesystem::path> AskSavePath(const std::string& defaultFileName) = 0;
  // Shows or leaves the busy state.
  virtual void SetBusy(bool busy) = 0;
  // The two progress bars: Total steps once per database, Part five times
  // per database and once per table (its maximum is set to 5 when a
  // database is begun and to 5 plus its table count once that is known).
  // Maximum and position are set separately, as a bar keeps its maximum
  // from one run to the next.
  virtual void SetProgressMaximum(ProgressBar bar, int maximum) = 0;
  virtual void SetProgressPosition(ProgressBar bar, int position) = 0;
  // A failure that ended the run: one new line of the unexpected-error list.
  virtual void ReportFailure(const std::string& text) = 0;
  // A target line whose database did not open in the index pass. The
  // report leaves it out silently; a front may tell.
  virtual void TargetNotOpened(const OpenFailure& failure) { (void)failure; }
  // Asked before each database is written: true ends the run there, with a
  // line in the report that says so before its footer.
  virtual bool StopRequested() { return false; }
};

struct ReportOutcome {
  // The report's path when one was chosen (also when writing then failed).
  std::optional<std::filesystem::path> Path;
  // True when the report was written to its end, footer included.
  bool Complete = false;
  // True when the front asked to stop and the run ended early (the report
  // is still complete HTML).
  bool Stopped = false;
  // The databases whose sections were written; 0 leaves a report of its
  // index only, which is no result to announce.
  int Written = 0;
};

// What PlanReport chose for a run that is to write.
struct ReportPlan {
  std::filesystem::path Path;
  std::tm Now{};
  std::uint32_t StartTick = 0;
};

// The first half of a run, on the front's thread: sets the wording styles,
// resets the bars, disables the front's controls and chooses the output
// path (asking the front where the settings say so). nullopt when nothing
// is to be written (an empty list, no destination, a cancelled dialog, an
// unknown desktop: then a failure was reported); the controls are then
// enabled again. Otherwise they stay disabled for WriteReport.
std::optional<ReportPlan> PlanReport(Wording& wording, const std::vector<std::string>& targetLines,
                                     const ReportSettings& settings, ReportFront& front);

// The second half: creates the folder and the report, writes it, and
// enables the front's controls again whatever happens. `plan` comes from
// PlanReport.
ReportOutcome WriteReport(const ReportPlan& plan, TDao360& dao, Wording& wording,
                          AnchorRegistry& anchors, const std::vector<std::string>& targetLines,
                          const ReportSettings& settings, ReportFront& front);

// Both halves on the caller's thread: the report over `targetLines` (target
// lines of status, password and path; other lines are passed over).
ReportOutcome RunReport(TDao360& dao, Wording& wording, AnchorRegistry& anchors,
                        const std::vector<std::string>& targetLines, const ReportSettings& settings,
                        ReportFront& front);

}  // namespace tabulon
