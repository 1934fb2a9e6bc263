#include <cli/MigrateCommand.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <ostream>

#include <nlohmann/json.hpp>

#include <migrate/Dialect.h>
#include <servers/PostgreSql.h>
#include <targets/ForEachDatabase.h>
#include <text/AtomicFile.h>

#include <cli/ExitStatus.h>
#include <cli/StopSignals.h>
#include <targets/OpenFailureText.h>

namespace tabulon {

namespace {

std::string Padded(std::string text, std::size_t width) {
  // Width in characters: UTF-8 continuation bytes take no column.
  std::size_t shown = 0;
  for (const char c : text) shown += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return text + std::string(shown < width ? width - shown : 1, ' ');
}

void PrintSummary(const std::string& database, const servers::MigrationOutcome& outcome,
                  std::ostream& err) {
  err << database << ":\n";
  err << "  " << Padded("table", 24) << Padded("read", 10) << Padded("loaded", 10)
      << Padded("rejected", 10) << "checksum\n";
  for (const servers::TableOutcome& table : outcome.Tables) {
    err << "  " << Padded(table.Table, 24) << Padded(std::to_string(table.Read), 10)
        << Padded(std::to_string(table.Loaded), 10) << Padded(std::to_string(table.Rejected), 10)
        << (!outcome.Committed ? "not loaded"
            : table.Matches()  ? "matches"
            : table.SourceChecksum == table.TargetChecksum && table.Loaded == table.ReadBack
                ? "matches the rows loaded"
                : "DIFFERS")
        << "\n";
    if (!table.ReadFailure.empty()) {
      err << "    rows after row " << table.Read << " could not be read: " << table.ReadFailure
          << "\n";
    }
    if (!table.RejectFile.empty()) err << "    rejected rows: " << table.RejectFile << "\n";
  }
  if (outcome.Views.empty() && outcome.NotCarriedQueries.empty()) return;
  std::size_t refused = 0;
  for (const servers::ViewOutcome& view : outcome.Views) refused += !view.Refused.empty();
  err << "  views: " << outcome.Views.size() - refused << " made and run, "
      << outcome.NotCarriedQueries.size() << " queries not carried (listed above), " << refused
      << " refused by the server\n";
  for (const servers::ViewOutcome& view : outcome.Views) {
    if (!view.Refused.empty()) err << "    " << view.Query << ": " << view.Refused << "\n";
  }
}

nlohmann::ordered_json OutcomeJson(const std::string& database,
                                   const servers::MigrationOutcome& outcome) {
  nlohmann::ordered_json tables = nlohmann::ordered_json::array();
  for (const servers::TableOutcome& table : outcome.Tables) {
    tables.push_back({{"table", table.Table},
                      {"rowsRead", table.Read},
                      {"rowsLoaded", table.Loaded},
                      {"rowsRejected", table.Rejected},
                      {"rowsReadBack", table.ReadBack},
                      {"sourceChecksum", table.SourceChecksum},
                      {"targetChecksum", table.TargetChecksum},
                      {"matches", outcome.Committed && table.Matches()},
                      {"readFailure", table.ReadFailure},
                      {"rejectFile", table.RejectFile}});
  }
  nlohmann::ordered_json notes = nlohmann::ordered_json::array();
  for (const migrate::MigrationNote& note : outcome.Notes) notes.push_back(migrate::NoteLine(note));
  nlohmann::ordered_json views = nlohmann::ordered_json::array();
  for (const servers::ViewOutcome& view : outcome.Views) {
    views.push_back({{"query", view.Query}, {"rows", view.Rows}, {"refused", view.Refused}});
  }
  nlohmann::ordered_json notCarried = nlohmann::ordered_json::array();
  for (const migrate::NotCarriedQuery& query : outcome.NotCarriedQueries) {
    notCarried.push_back({{"query", query.Query}, {"reason", query.Reason}});
  }
  return {{"database", database},
          {"committed", outcome.Committed},
          {"failure", outcome.Failure},
          {"clean", outcome.Clean()},
          {"tables", tables},
          {"views", views},
          {"queriesNotCarried", notCarried},
          {"problems", outcome.Problems},
          {"notes", notes}};
}

}  // namespace

int Migrate(TDao360& dao, const MigrateRequest& request, std::ostream& err) {
  const servers::MigrationTarget target = servers::MigrationTargetOf(request.To);
  const std::vector<Target> targets = TargetsOfLines(request.Lines);
  const bool sqlite = target.Server == migrate::Dialect::Sqlite;
  const std::string shownTarget =
      sqlite ? target.Connection : servers::MaskedConnection(request.To);
  if (sqlite && targets.size() > 1) {
    err << request.Program << ": one SQLite file takes one database, not " << targets.size()
        << "\n";
    return exit_status::Usage;
  }
  servers::MigrationOptions options;
  options.Schema = request.Schema;
  options.Replace = request.Replace;
  options.RejectFolder = !request.Rejects.empty() ? std::filesystem::path(request.Rejects)
                         : sqlite ? std::filesystem::path(target.Connection).parent_path()
                                  : std::filesystem::path(".");
  if (options.RejectFolder.empty()) options.RejectFolder = ".";
  std::error_code folderError;
  std::filesystem::create_directories(options.RejectFolder, folderError);
  if (folderError) {
    err << request.Program << ": " << options.RejectFolder.string() << ": " << folderError.message()
        << "\n";
    return exit_status::Failed;
  }
  const bool terminal = isatty(STDERR_FILENO) == 1;
  options.StopRequested = [] { return StopRequested(); };
  auto started = std::chrono::steady_clock::now();
  std::string current;
  options.Progress = [&](const std::string& table, std::int64_t rows) {
    if (!terminal) return;
    if (table != current) {
      current = table;
      started = std::chrono::steady_clock::now();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    err << "\r" << request.Program << ": " << table << ": " << rows << " rows";
    if (seconds > 0.1) err << " (" << static_cast<std::int64_t>(rows / seconds) << " rows/s)";
    err << "\033[K" << std::flush;
  };

  const StopSignals signals;
  int status = exit_status::Ok;
  nlohmann::ordered_json report = {{"target", shownTarget},
                                   {"server", std::string(migrate::DialectTitle(target.Server))},
                                   {"databases", nlohmann::ordered_json::array()}};
  ForEachHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) {
    err << OpenFailureLine(request.Program, failure) << "\n";
    status = exit_status::Failed;
  };
  hooks.StopRequested = [] { return StopRequested(); };
  ForEachDatabase(
      dao, targets,
      [&](const Target& database, TDao360& open) {
        const servers::MigrationOutcome outcome =
            servers::MigrateDatabase(*open.Database(), FileNameOf(database.Path), target, options);
        if (terminal) err << "\r\033[K";
        for (const migrate::MigrationNote& note : outcome.Notes) {
          err << request.Program << ": " << database.Path << ": " << migrate::NoteLine(note)
              << "\n";
        }
        for (const std::string& problem : outcome.Problems) {
          err << request.Program << ": " << database.Path << ": " << problem << "\n";
        }
        PrintSummary(database.Path, outcome, err);
        if (!outcome.Failure.empty()) {
          err << request.Program << ": " << database.Path << " -> " << shownTarget << ": "
              << outcome.Failure << "\n";
        } else {
          err << request.Program << ": " << database.Path << " -> " << shownTarget << ": "
              << (outcome.Clean() ? "every table matches its source"
                                  : "loaded, but not everything arrived as it is (above)")
              << "\n";
        }
        if (!outcome.Clean()) status = exit_status::Failed;
        report["databases"].push_back(OutcomeJson(database.Path, outcome));
      },
      hooks);
  if (StopRequested()) status = exit_status::Failed;
  if (!request.Report.empty()) {
    try {
      WriteFileAtomically(request.Report, report.dump(2) + "\n", 0644);
    } catch (const std::exception& e) {
      err << request.Program << ": " << request.Report << ": " << e.what() << "\n";
      status = exit_status::Failed;
    }
  }
  return status;
}

}  // namespace tabulon
