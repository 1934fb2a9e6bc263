#include <cli/InventoryCommand.h>

#include <unistd.h>

#include <chrono>
#include <ostream>

#include <cli/ExitStatus.h>
#include <cli/StopSignals.h>
#include <jet/JetEngine.h>
#include <platform/VersionInfo.h>

namespace tabulon {

int RunInventoryCommand(const InventoryRequest& request, const std::string& program,
                        std::ostream& err) {
  const StopSignals signals;
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const auto started = std::chrono::steady_clock::now();
  bool progressShown = false;
  InventoryObserver observer;
  observer.StopRequested = [] { return StopRequested(); };
  observer.Problem = [&](const std::string& line) {
    if (progressShown) err << "\r\033[K";
    progressShown = false;
    err << program << ": " << line << "\n";
  };
  observer.Progress = [&](std::size_t done, std::size_t total) {
    if (!terminal) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    err << "\r" << program << ": " << done << " / " << total << " files";
    if (rate > 0 && done < total) {
      err << " (" << static_cast<long long>(rate) << " files/s, about "
          << static_cast<long long>(static_cast<double>(total - done) / rate) << " s left)";
    }
    err << "\033[K" << std::flush;
    progressShown = true;
  };
  const InventoryOutcome outcome = RunInventory(
      request,
      [] {
        return jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())});
      },
      observer);
  if (progressShown) err << "\r\033[K";
  if (outcome.Refused) return exit_status::Usage;
  if (!outcome.Complete) {
    err << program << ": stopped after " << outcome.Read << " of " << outcome.Found
        << " files; the index says it is incomplete\n";
  }
  err << program << ": " << outcome.Read << " databases (" << outcome.Opened << " opened, "
      << outcome.Read - outcome.Opened << " not) -> " << outcome.Index.string() << "\n";
  const bool whole = outcome.Complete && !outcome.Truncated && outcome.UnreadableFolders == 0 &&
                     !outcome.WriteFailed;
  return whole ? exit_status::Ok : exit_status::Failed;
}

}  // namespace tabulon
