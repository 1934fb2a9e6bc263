#include <cli/SqlCommand.h>

#include <filesystem>
#include <map>
#include <ostream>

#include <migrate/SqlSchemaWriter.h>
#include <schema/SchemaReader.h>
#include <servers/Migration.h>
#include <targets/ForEachDatabase.h>
#include <text/AtomicFile.h>
#include <text/TextCompare.h>

#include <cli/ExitStatus.h>
#include <targets/OpenFailureText.h>

namespace tabulon {

namespace {

constexpr mode_t FileMode = 0644;

// The tables and rows of one database as a script: to `out`, or through a
// temporary file renamed onto DATABASE-STEM.sql when whole.
void WriteDataScript(const Target& target, TDao360& open, const SqlRequest& request,
                     bool toStandardOutput, bool toFile, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err, int& status) {
  const std::filesystem::path path =
      toFile ? std::filesystem::path(request.Output)
             : folder / (std::filesystem::path(target.Path).stem().string() + ".sql");
  servers::MigrationOptions options;
  options.RejectFolder = toStandardOutput || path.parent_path().empty() ? std::filesystem::path(".")
                                                                        : path.parent_path();
  servers::MigrationOutcome outcome;
  if (toStandardOutput) {
    outcome = servers::WriteMigrationScript(
        *open.Database(), FileNameOf(target.Path), request.Dialect,
        [&](std::string_view text) { out << text; }, options);
    out << std::flush;
  } else {
    // The file takes its name only once the script is whole.
    try {
      AtomicFile file(path, FileMode);
      outcome = servers::WriteMigrationScript(
          *open.Database(), FileNameOf(target.Path), request.Dialect,
          [&](std::string_view text) { file.Write(text); }, options);
      if (outcome.Failure.empty()) {
        file.Commit();
        out << path.string() << "\n";
      }
    } catch (const std::exception& e) {
      outcome.Failure = e.what();
    }
  }
  for (const migrate::MigrationNote& note : outcome.Notes) {
    err << request.Program << ": " << target.Path << ": " << migrate::NoteLine(note) << "\n";
  }
  for (const std::string& problem : outcome.Problems) {
    err << request.Program << ": " << target.Path << ": " << problem << "\n";
  }
  for (const servers::TableOutcome& table : outcome.Tables) {
    if (table.Rejected > 0) {
      err << request.Program << ": " << target.Path << ": テーブル \"" << table.Table
          << "\": " << table.Rejected << " 行を移せません（" << table.RejectFile << "）\n";
    }
    if (!table.ReadFailure.empty()) {
      err << request.Program << ": " << target.Path << ": テーブル \"" << table.Table
          << "\": " << table.Read << " 行目より後が読めません: " << table.ReadFailure << "\n";
    }
  }
  if (!outcome.Failure.empty()) {
    err << request.Program << ": " << path.string() << ": " << outcome.Failure << "\n";
  }
  if (!outcome.Clean()) status = exit_status::Failed;
}

}  // namespace

int WriteSqlFiles(TDao360& dao, const SqlRequest& request, std::ostream& out, std::ostream& err) {
  const std::vector<Target> targets = TargetsOfLines(request.Lines);
  const bool toStandardOutput = request.Output == "-";
  if (toStandardOutput && targets.size() != 1) {
    err << request.Program << ": -o - writes one database to standard output, not "
        << targets.size() << "\n";
    return exit_status::Usage;
  }
  // A name ending in .sql names the file itself (not a folder to make),
  // which only one database can fill.
  std::error_code isFolderError;
  const bool toFile =
      request.Output.size() > 4 &&
      EqualsNoCase(std::string_view(request.Output).substr(request.Output.size() - 4), ".sql") &&
      !std::filesystem::is_directory(request.Output, isFolderError);
  if (toFile && targets.size() != 1) {
    err << request.Program << ": -o " << request.Output << " names one file, for one database, not "
        << targets.size() << "\n";
    return exit_status::Usage;
  }
  const std::filesystem::path folder =
      toFile ? std::filesystem::path(request.Output).parent_path()
             : std::filesystem::path(request.Output.empty() ? "." : request.Output);
  std::map<std::string, std::string> byFile;
  for (const Target& target : targets) {
    const std::string file = std::filesystem::path(target.Path).stem().string() + ".sql";
    const auto [other, added] = byFile.emplace(file, target.Path);
    if (!added && !toStandardOutput) {
      err << request.Program << ": " << other->second << " and " << target.Path
          << " would both be written to " << (folder / file).string() << "\n";
      return exit_status::Usage;
    }
  }
  if (!toStandardOutput && !folder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
      err << request.Program << ": " << folder.string() << ": " << error.message() << "\n";
      return exit_status::Failed;
    }
  }

  int status = exit_status::Ok;
  ForEachHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) {
    err << OpenFailureLine(request.Program, failure) << "\n";
    status = exit_status::Failed;
  };
  ForEachDatabase(
      dao, targets,
      [&](const Target& target, TDao360& open) {
        if (request.Data) {
          WriteDataScript(target, open, request, toStandardOutput, toFile, folder, out, err,
                          status);
          return;
        }
        const schema::Database schema = schema::ReadSchema(*open.Database());
        const migrate::SqlSchema sql =
            migrate::WriteSqlSchema(schema, FileNameOf(target.Path), request.Dialect);
        for (const migrate::MigrationNote& note : sql.Notes) {
          err << request.Program << ": " << target.Path << ": " << migrate::NoteLine(note) << "\n";
        }
        if (toStandardOutput) {
          out << sql.Text << std::flush;
          return;
        }
        const std::filesystem::path path =
            toFile ? std::filesystem::path(request.Output)
                   : folder / (std::filesystem::path(target.Path).stem().string() + ".sql");
        try {
          WriteFileAtomically(path, sql.Text, FileMode);
          out << path.string() << "\n";
        } catch (const std::exception& e) {
          err << request.Program << ": " << path.string() << ": " << e.what() << "\n";
          status = exit_status::Failed;
        }
      },
      hooks);
  return status;
}

}  // namespace tabulon
