#pragma once
// The report run: chooses the output file, writes the report of every
// target that opens, and reports progress and failures to a front (the main
// window or the command-line tool). It knows no window.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <report/AnchorRegistry.h>
#include <report/Wording.h>

namespace tabulon {

// Where the report goes.
enum class Destination {
  Desktop,      // a dated, unique file in "<name>_out" on the desktop
  AskEachTime,  // the front asks (the save dialog)
  Nowhere,      // neither is chosen: the run stops before writing
};

struct ReportSettings {
  bool Verbose = false;
  WordStyle TypeStyle = WordStyle::Middle;
  WordStyle AttrStyle = WordStyle::Long;
  Destination Where = Destination::Desktop;
  // The running executable: its name makes the file names and the title,
  // its version the generated-by line.
  std::filesystem::path ExecutablePath;

  // Environment of the run; the defaults use the system's. Tests replace
  // them to pin the output.
  std::function<std::string()> DesktopFolder;                  // "" = unresolvable
  std::function<std::chrono::system_clock::time_point()> Now;  // local date and time
  std::function<std::uint32_t()> TickCount;                    // milliseconds, wraps
  std::function<std::string()> OsDescription;
};

enum class ProgressBar { Total, Part };

// What the run asks of its front. Every call happens on the caller's thread,
// in the order of the run.
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
  // per database. Maximum and position are set separately, as a bar keeps
  // its maximum from one run to the next.
  virtual void SetProgressMaximum(ProgressBar bar, int maximum) = 0;
  virtual void SetProgressPosition(ProgressBar bar, int position) = 0;
  // A failure that ended the run: one new line of the unexpected-error list.
  virtual void ReportFailure(const std::string& text) = 0;
  // A target line whose database did not open in the index pass, with the
  // engine's text. The report leaves it out silently; a front may tell.
  virtual void TargetNotOpened(const std::string& path, const std::string& errorText) {
    (void)path;
    (void)errorText;
  }
};

struct ReportOutcome {
  // The report's path when one was chosen (also when writing then failed).
  std::optional<std::filesystem::path> Path;
  // True when the report was written to its end, footer included.
  bool Complete = false;
};

// Runs the report over `targetLines` (target lines of status, password and
// path; lines with fewer than three fields are passed over).
ReportOutcome RunReport(TDao360& dao, Wording& wording, AnchorRegistry& anchors,
                        const std::vector<std::string>& targetLines, const ReportSettings& settings,
                        ReportFront& front);

}  // namespace tabulon
