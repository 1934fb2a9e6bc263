// tabulon-cli: the report and the connection check from the command line,
// over the same core as the desktop program.

#include <unistd.h>

#include <exception>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include <cli/DiagramFiles.h>
#include <cli/DiffCommand.h>
#include <cli/DocumentCommand.h>
#include <cli/ExitStatus.h>
#include <cli/InventoryCommand.h>
#include <cli/LintCommand.h>
#include <cli/MigrateCommand.h>
#include <cli/SqlCommand.h>
#include <dao/Dao360.h>
#include <jet/JetEngine.h>
#include <platform/VersionInfo.h>
#include <report/AnchorRegistry.h>
#include <report/OutputPath.h>
#include <report/ReportRun.h>
#include <targets/ConnectionCheck.h>
#include <targets/OpenFailureText.h>
#include <targets/TargetLine.h>
#include <text/TextFile.h>
#include <words/Wording.h>

namespace tabulon {
namespace {

// What lint's reading of the rows adds, for both ways of asking for it.
constexpr const char* LintDataHelp =
    "read the rows: text fields of size 255 that hold only short values, texts with U+0000, "
    "time-only and pre-1900 dates, unique keys repeated where they hold a Null, values that "
    "cannot be read (a text that is not valid UTF-16), repeated rows without a primary key, "
    "rows that break an unenforced relationship";

struct Options {
  std::vector<std::string> Databases;
  std::string ListFile;
  std::string Password;
  std::string Output;
  bool Verbose = false;
  bool Objects = false;
  WordStyle TypeStyle = WordStyle::Middle;
  WordStyle AttrStyle = WordStyle::Long;
  bool Check = false;
  std::string Format = "html";
  std::string Dialect;
  bool Lint = false;
  bool LintData = false;
  bool Diagram = false;
  bool Data = false;
};

// Prints progress on standard error when it is a terminal, and the failure
// texts always.
class CliFront : public ReportFront {
 public:
  explicit CliFront(std::string program)
      : FProgram(std::move(program)), FTerminal(isatty(STDERR_FILENO) == 1) {}

  int NotOpened = 0;
  bool Failed = false;

  void SetControlsEnabled(bool) override {}
  void SetBusy(bool busy) override {
    if (!busy && FTerminal && FShown) std::cerr << "\r\033[K" << std::flush;
  }
  std::optional<std::filesystem::path> AskSavePath(const std::string&) override {
    return std::nullopt;
  }
  void SetProgressMaximum(ProgressBar bar, int maximum) override {
    if (bar == ProgressBar::Total) FTotal = maximum;
    if (bar == ProgressBar::Part) FPartMaximum = maximum;
  }
  void SetProgressPosition(ProgressBar bar, int position) override {
    if (!FTerminal || FTotal <= 0) return;
    if (bar == ProgressBar::Total) FDone = position;
    if (bar == ProgressBar::Part) FPart = position;
    std::cerr << "\r" << FProgram << ": " << FDone << "/" << FTotal << " databases";
    if (FPartMaximum > 0 && FDone < FTotal) {
      std::cerr << ", " << FPart * 100 / FPartMaximum << "% of the next";
    }
    std::cerr << "\033[K" << std::flush;
    FShown = true;
  }
  void ReportFailure(const std::string& text) override {
    Failed = true;
    std::cerr << FProgram << ": " << text << "\n";
  }
  void TargetNotOpened(const OpenFailure& failure) override {
    ++NotOpened;
    std::cerr << OpenFailureLine(FProgram, failure) << "\n";
  }

 private:
  std::string FProgram;
  bool FTerminal;
  bool FShown = false;
  int FTotal = 0;
  int FDone = 0;
  int FPart = 0;
  int FPartMaximum = 0;
};

std::vector<std::string> TargetLines(const Options& options) {
  if (!options.ListFile.empty()) {
    std::string bytes;
    if (options.ListFile == "-") {
      bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
      bytes = ReadFileBytes(options.ListFile);
    }
    return SplitListLines(DecodeTextFile(bytes));
  }
  std::vector<std::string> lines;
  for (const std::string& path : options.Databases) {
    lines.push_back(JoinTargetLine({std::string(UncheckedStatus), options.Password, path}));
  }
  return lines;
}

int Check(TDao360& dao, std::vector<std::string> lines, const std::string& program) {
  CheckHooks hooks;
  hooks.NotOpened = [&program](const OpenFailure& failure) {
    std::cerr << program << ": " << failure.Path << ": " << KindWords(failure.Kind) << "\n";
  };
  const CheckCounts counts = RunConnectionCheck(dao, lines, hooks);
  for (const std::string& line : lines) std::cout << line << "\n";
  std::string summary = CheckSummaryText(counts);
  for (std::size_t at; (at = summary.find("\r\n")) != std::string::npos;)
    summary.replace(at, 2, "\n");
  std::cerr << summary << "\n";
  return counts.Failed > 0 ? exit_status::Failed : exit_status::Ok;
}

int Report(TDao360& dao, Wording& wording, const std::vector<std::string>& lines,
           const Options& options, const std::filesystem::path& executable,
           const std::string& program) {
  ReportSettings settings;
  settings.Verbose = options.Verbose;
  settings.Objects = options.Objects;
  settings.TypeStyle = options.TypeStyle;
  settings.AttrStyle = options.AttrStyle;
  settings.Where = options.Output.empty() ? Destination::Desktop : Destination::GivenPath;
  settings.OutputPath = options.Output;
  settings.ExecutablePath = executable;
  bool diagramFailed = false;
  if (options.Diagram)
    settings.DatabaseDiagram = DiagramWriter(dao, program, std::cerr, diagramFailed);
  CliFront front(program);
  AnchorRegistry anchors;
  const ReportOutcome outcome = RunReport(dao, wording, anchors, lines, settings, front);
  if (outcome.Path && !front.Failed) std::cout << outcome.Path->string() << "\n";
  if (!outcome.Complete || diagramFailed) return exit_status::Failed;
  int targets = 0;
  for (const std::string& line : lines) targets += TargetOfLine(line) ? 1 : 0;
  if (targets > 0 && front.NotOpened == targets) {
    std::cerr << program << ": no database could be opened\n";
    return exit_status::Failed;
  }
  return exit_status::Ok;
}

int RunDiffCommand(DiffRequest& request, const Options& options,
                   const std::filesystem::path& executable, const std::string& program) {
  try {
    TDao360 dao(jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())}));
    Wording wording;
    if (auto error = wording.Words.Load(executable.parent_path() / WordsFileName)) {
      std::cerr << program << ": " << *error << "\n";
    }
    wording.SetStyles(options.TypeStyle, options.AttrStyle);
    request.Program = program;
    request.Words = &wording;
    return RunDiff(dao, request, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << program << ": " << e.what() << "\n";
    return exit_status::Trouble;
  }
}

int Main(int argc, char** argv) {
  const std::filesystem::path executable = ExecutablePath(argc > 0 ? argv[0] : "tabulon-cli");
  const std::string program = executable.filename().string();
  std::string version;
  ReadVersionString("FileVersion", executable, version);

  Options options;
  CLI::App app(
      "Writes the structure of Microsoft Access databases (.mdb, .accdb) as one HTML "
      "report in Shift-JIS.\n"
      "Without -o the report goes to a dated file in the folder " +
          ExecutableStem(executable) +
          "_out on the desktop.\n"
          "Other tasks: check, json, markdown, sql, lint, diff (as subcommands, each with "
          "its own --help; report is the default).\n"
          "Exit status: 0 done, 1 the run failed or no database opened (with --check: a "
          "target did not open), 2 usage error.",
      program);
  app.add_option("DATABASE", options.Databases, "database files to document");
  app.add_option(
         "--list", options.ListFile,
         "read target lines (\"status\"|\"password\"|\"path\") from FILE, - for standard input")
      ->option_text("FILE");
  app.add_option("--password", options.Password, "password for the DATABASE arguments")
      ->option_text("PW");
  app.add_option("-o,--output", options.Output,
                 "write the report to PATH (a folder: a dated name in it); with --format sql, "
                 "PATH is a folder for DATABASE-STEM.sql files (made when missing; default: "
                 "the current folder), a file NAME.sql for one database, or - for standard "
                 "output")
      ->option_text("PATH");
  app.add_option("--format", options.Format,
                 "html (default): the report; sql: each database's tables, keys and indexes "
                 "as SQL for --dialect, UTF-8 (what cannot be carried over is listed at the "
                 "top of the file and on standard error); json: everything the databases "
                 "present as one UTF-8 JSON document (described by tabulon.schema.json); "
                 "markdown: one UTF-8 Markdown document with tables and a Mermaid ER diagram. "
                 "json and markdown go to standard output, or to the file -o names")
      ->check(CLI::IsMember({"html", "sql", "json", "markdown"}))
      ->option_text("FORMAT");
  app.add_option("--dialect", options.Dialect,
                 "the server --format sql writes for: postgresql or sqlite")
      ->check(CLI::IsMember({"postgresql", "sqlite"}))
      ->option_text("SERVER");
  app.add_flag("--data", options.Data, "with --format sql: the rows too, as one script");
  app.add_flag("--lint", options.Lint,
               "instead of a report, list findings that help before a migration: tables "
               "without a primary key, foreign keys without an index, unenforced "
               "relationships, key-like fields without one, names PostgreSQL needs quoted, "
               "duplicate indexes (exit status 0 with findings)");
  app.add_flag("--lint-data", options.LintData, std::string("--lint, and ") + LintDataHelp);
  app.add_flag("--diagram", options.Diagram,
               "with the report: each database's ER diagram as SVG beside it "
               "(<report name>_<file id>.svg), linked from the database's section");
  app.add_flag("--verbose", options.Verbose, "add the engine, workspace and database properties");
  app.add_flag("--objects", options.Objects,
               "add the saved queries with their SQL, the other objects (forms, reports, macros, "
               "modules) and linked tables' sources");
  std::string typeStyle = "middle";
  std::string attrStyle = "long";
  const std::vector<std::string> styleNames{"long", "middle", "short"};
  app.add_option("--type-style", typeStyle, "wording of field types: long, middle (default), short")
      ->check(CLI::IsMember(styleNames))
      ->option_text("STYLE");
  app.add_option("--attr-style", attrStyle,
                 "wording of field attributes: long (default), middle, short")
      ->check(CLI::IsMember(styleNames))
      ->option_text("STYLE");
  app.add_flag(
      "--check", options.Check,
      "check that every target opens instead: print each line with its status, then a summary");
  DiffRequest diff;
  CLI::App* diffCommand = app.add_subcommand(
      "diff",
      "tabulon-cli diff OLD NEW: what changed between two versions of a schema (tables, fields, "
      "indexes, relationships, queries), each added, removed or changed with old and new "
      "values. Exit status as diff(1): 0 the same, 1 different, 2 trouble.");
  diffCommand->add_option("OLD", diff.Old, "the older database")->required();
  diffCommand->add_option("NEW", diff.New, "the newer database")->required();
  diffCommand->add_option("--old-password", diff.OldPassword, "password for OLD")
      ->option_text("PW");
  diffCommand->add_option("--new-password", diff.NewPassword, "password for NEW")
      ->option_text("PW");
  std::string diffPassword;
  diffCommand->add_option("--password", diffPassword, "password for both")->option_text("PW");
  diffCommand
      ->add_option("--format", diff.Format,
                   "text (default, like diff), json or markdown; json is always a document, "
                   "the others print nothing when nothing changed")
      ->check(CLI::IsMember({"text", "json", "markdown"}))
      ->option_text("FORMAT");
  InventoryRequest inventory;
  CLI::App* inventoryCommand = app.add_subcommand(
      "inventory",
      "tabulon-cli inventory FOLDER... [-o DIR]: every Access database under the folders "
      "(links not followed), each opened read-only on a worker per core, in one index: "
      "DIR/index.html (sortable), inventory.csv, inventory.json and links.svg (the links "
      "between files). Ctrl-C writes what is "
      "done, marked incomplete. Exit status: 0 complete, 1 incomplete or not written.");
  inventoryCommand->add_option("FOLDER", inventory.Folders, "folders (or files) to look in")
      ->required();
  inventoryCommand->add_option("-o,--output", inventory.Output, "the folder to write into")
      ->option_text("DIR");
  inventoryCommand
      ->add_option("--passwords", inventory.Passwords,
                   "try these passwords (one a line; the file readable by its owner only) on "
                   "protected files; which one opened a file is not written anywhere")
      ->option_text("FILE");
  inventoryCommand->add_flag("--reports", inventory.Reports,
                             "also each opened database's full report, DIR/reports/<n>.html, "
                             "linked from its row");
  inventoryCommand->add_option("--workers", inventory.Workers, "workers (default: one per core)")
      ->check(CLI::Range(1, 256))
      ->option_text("N");
  app.set_version_flag("--version", ApplicationTitle(executable) + " " + version);

  // The tasks as subcommands, each with the options it takes; the flags
  // above stay as their aliases, so every earlier invocation keeps working.
  const auto task = [&](const char* name, const char* description) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("DATABASE", options.Databases, "database files");
    command
        ->add_option("--list", options.ListFile,
                     "read target lines (\"status\"|\"password\"|\"path\") from FILE, - for "
                     "standard input")
        ->option_text("FILE");
    command->add_option("--password", options.Password, "password for the DATABASE arguments")
        ->option_text("PW");
    return command;
  };
  const auto styles = [&](CLI::App* command) {
    command->add_option("--type-style", typeStyle, "wording of field types: long, middle, short")
        ->check(CLI::IsMember(styleNames))
        ->option_text("STYLE");
    command
        ->add_option("--attr-style", attrStyle, "wording of field attributes: long, middle, short")
        ->check(CLI::IsMember(styleNames))
        ->option_text("STYLE");
  };
  CLI::App* reportCommand =
      task("report", "the HTML report in Shift-JIS (the default task: tabulon-cli DATABASE...)");
  reportCommand
      ->add_option("-o,--output", options.Output,
                   "write the report to PATH (a folder: a dated name in it)")
      ->option_text("PATH");
  reportCommand->add_flag("--verbose", options.Verbose,
                          "add the engine, workspace and database properties");
  reportCommand->add_flag("--objects", options.Objects,
                          "add the saved queries, the other objects and linked tables' sources");
  reportCommand->add_flag("--diagram", options.Diagram,
                          "each database's ER diagram as SVG beside it");
  styles(reportCommand);
  CLI::App* checkCommand =
      task("check",
           "check that every target opens: each line with its status, then a summary "
           "(the same as --check)");
  CLI::App* jsonCommand = task(
      "json", "everything the databases present as one UTF-8 JSON document (tabulon.schema.json)");
  jsonCommand
      ->add_option("-o,--output", options.Output, "the file to write (default: standard output)")
      ->option_text("FILE");
  CLI::App* markdownCommand =
      task("markdown", "one UTF-8 Markdown document with tables and a Mermaid ER diagram");
  markdownCommand
      ->add_option("-o,--output", options.Output, "the file to write (default: standard output)")
      ->option_text("FILE");
  styles(markdownCommand);
  CLI::App* sqlCommand =
      task("sql",
           "each database's tables, keys and indexes as SQL, UTF-8; what cannot be carried "
           "over is listed at the top of the file and on standard error");
  sqlCommand
      ->add_option("--dialect", options.Dialect, "the server to write for: postgresql or sqlite")
      ->check(CLI::IsMember({"postgresql", "sqlite"}))
      ->option_text("SERVER")
      ->required();
  sqlCommand->add_flag("--data", options.Data,
                       "with the rows: one script per database (COPY blocks for psql, one "
                       "transaction of INSERTs for sqlite3); rows that cannot be carried go to "
                       "TABLE.rejects.csv beside it");
  sqlCommand
      ->add_option("-o,--output", options.Output,
                   "a folder for DATABASE-STEM.sql files (default: the current folder), a file "
                   "NAME.sql for one database, or - for standard output")
      ->option_text("PATH");
  CLI::App* lintCommand =
      task("lint",
           "findings that help before a migration (the same as --lint; exit status 0 "
           "with findings)");
  lintCommand->add_flag("--data", options.LintData, std::string("also ") + LintDataHelp);
  MigrateRequest migrateRequest;
  CLI::App* migrateCommand =
      task("migrate",
           "each database's tables and rows into PostgreSQL or an SQLite file, then every table "
           "read back and compared with its source (a summary on standard error)");
  migrateCommand
      ->add_option("--to", migrateRequest.To,
                   "postgresql://user@host/db or a libpq key=value text (the password as libpq "
                   "finds it: PGPASSWORD, ~/.pgpass); sqlite:PATH or a path ending in .sqlite, "
                   ".sqlite3 or .db")
      ->option_text("TARGET")
      ->required();
  migrateCommand
      ->add_option("--schema", migrateRequest.Schema,
                   "the PostgreSQL schema for the tables (default: public; made when "
                   "missing)")
      ->option_text("NAME");
  migrateCommand->add_flag("--replace", migrateRequest.Replace,
                           "drop tables of the same names (PostgreSQL) or replace the file "
                           "(SQLite); without it they are refused");
  migrateCommand
      ->add_option("--rejects", migrateRequest.Rejects,
                   "a folder for TABLE.rejects.csv files (default: beside the SQLite file, or "
                   "the current folder)")
      ->option_text("DIR");
  migrateCommand->add_option("--report", migrateRequest.Report, "the summary as JSON in FILE")
      ->option_text("FILE");
  const auto styleOf = [](const std::string& name) {
    return name == "long"    ? WordStyle::Long
           : name == "short" ? WordStyle::Short
                             : WordStyle::Middle;
  };
  try {
    app.parse(argc, argv);
    options.TypeStyle = styleOf(typeStyle);
    options.AttrStyle = styleOf(attrStyle);
    if (*diffCommand) {
      if (!diffPassword.empty()) {
        if (diff.OldPassword.empty()) diff.OldPassword = diffPassword;
        if (diff.NewPassword.empty()) diff.NewPassword = diffPassword;
      }
      return RunDiffCommand(diff, options, executable, program);
    }
    if (*inventoryCommand) {
      Wording wording;
      if (inventory.Reports) {
        if (auto error = wording.Words.Load(executable.parent_path() / WordsFileName)) {
          std::cerr << program << ": " << *error << "\n";
        }
        inventory.ReportWording = &wording;
        inventory.ExecutablePath = executable;
      }
      return RunInventoryCommand(inventory, program, std::cerr);
    }
    if (*checkCommand) options.Check = true;
    if (*jsonCommand) options.Format = "json";
    if (*markdownCommand) options.Format = "markdown";
    if (*sqlCommand) options.Format = "sql";
    if (*lintCommand) options.Lint = true;
    if (options.Databases.empty() == options.ListFile.empty()) {
      throw CLI::ValidationError("give either DATABASE arguments or --list FILE");
    }
    if (!options.ListFile.empty() && !options.Password.empty()) {
      throw CLI::ValidationError(
          "--password applies to DATABASE arguments; a list line carries its own");
    }
    options.Lint = options.Lint || options.LintData;
    if (options.Data && options.Format != "sql") {
      throw CLI::ValidationError("--data goes with --format sql (or the sql command)");
    }
    if ((options.Format == "sql") != !options.Dialect.empty()) {
      throw CLI::ValidationError("--format sql needs --dialect, and --dialect needs --format sql");
    }
    if (options.Diagram && (options.Format != "html" || options.Check || options.Lint)) {
      throw CLI::ValidationError("--diagram goes with the HTML report only");
    }
    const int tasks =
        (options.Check ? 1 : 0) + (options.Lint ? 1 : 0) + (options.Format != "html" ? 1 : 0);
    if (tasks > 1) {
      throw CLI::ValidationError(
          "--check, --lint and --format sql|json|markdown are separate tasks; give one");
    }
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << program << ": " << e.what() << "\n"
              << "Try '" << program << " --help' for more information.\n";
    return exit_status::Usage;
  }

  try {
    std::vector<std::string> lines = TargetLines(options);
    TDao360 dao(jet::CreateJetEngine({std::string(ReaderName), std::string(ProgramVersion())}));
    Wording wording;
    if (auto error = wording.Words.Load(executable.parent_path() / WordsFileName)) {
      std::cerr << program << ": " << *error << "\n";
    }
    if (options.Check) return Check(dao, std::move(lines), program);
    if (*migrateCommand) {
      migrateRequest.Lines = std::move(lines);
      migrateRequest.Program = program;
      return Migrate(dao, migrateRequest, std::cerr);
    }
    if (options.Format == "sql") {
      return WriteSqlFiles(
          dao,
          {lines, *migrate::DialectNamed(options.Dialect), options.Output, program, options.Data},
          std::cout, std::cerr);
    }
    if (options.Format == "json" || options.Format == "markdown") {
      wording.SetStyles(options.TypeStyle, options.AttrStyle);
      const DocumentFormat format =
          options.Format == "json" ? DocumentFormat::Json : DocumentFormat::Markdown;
      return WriteDocument(dao,
                           {lines, format, options.Output, program,
                            version.empty() ? std::string(ProgramVersion()) : version, &wording},
                           std::cout, std::cerr);
    }
    if (options.Lint)
      return PrintLint(dao, {lines, options.LintData, program}, std::cout, std::cerr);
    return Report(dao, wording, lines, options, executable, program);
  } catch (const std::exception& e) {
    std::cerr << program << ": " << e.what() << "\n";
    return exit_status::Failed;
  }
}

}  // namespace
}  // namespace tabulon

int main(int argc, char** argv) { return tabulon::Main(argc, argv); }
