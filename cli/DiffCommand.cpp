#include <cli/DiffCommand.h>

#include <optional>
#include <ostream>

#include <outputs/DiffDocument.h>
#include <outputs/JsonWriter.h>
#include <outputs/SchemaDiff.h>
#include <schema/SchemaReader.h>
#include <targets/ForEachDatabase.h>
#include <text/OneLine.h>

#include <cli/ExitStatus.h>
#include <targets/OpenFailureText.h>

namespace tabulon {

namespace {

std::optional<schema::Database> ReadOne(TDao360& dao, const std::string& path,
                                        const std::string& password, const std::string& program,
                                        std::ostream& err) {
  std::optional<schema::Database> read;
  ForEachHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) {
    err << OpenFailureLine(program, failure) << "\n";
  };
  ForEachDatabase(
      dao, {Target{"", password, path, {}}},
      [&](const Target&, TDao360& open) { read = schema::ReadSchema(*open.Database()); }, hooks);
  return read;
}

}  // namespace

int RunDiff(TDao360& dao, const DiffRequest& request, std::ostream& out, std::ostream& err) {
  const auto old = ReadOne(dao, request.Old, request.OldPassword, request.Program, err);
  if (!old) return exit_status::Trouble;
  const auto now = ReadOne(dao, request.New, request.NewPassword, request.Program, err);
  if (!now) return exit_status::Trouble;
  const outputs::SchemaDiff diff = outputs::DiffSchemas(*old, *now, *request.Words);
  const std::vector<outputs::SchemaChange>& changes = diff.Changes;
  if (request.Format == "json") {
    outputs::JsonWriter json([&](std::string_view text) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
    });
    outputs::WriteDiffJson(json, changes, request.Old, request.New, diff.Unreadable);
  } else if (request.Format == "markdown") {
    out << outputs::DiffMarkdown(changes, request.Old, request.New);
  } else {
    out << outputs::DiffText(changes, request.Old, request.New);
  }
  out.flush();
  if (!out) {
    err << request.Program << ": cannot write the differences\n";
    return exit_status::Trouble;
  }
  // What could not be read was not compared: the result is not "the same"
  // nor only "different", whatever was found around it.
  for (const outputs::UnreadablePart& part : diff.Unreadable) {
    err << request.Program << ": "
        << OneLine(part.Side == outputs::DiffSide::Old ? request.Old : request.New)
        << ": cannot read " << OneLine(part.What) << ": " << OneLine(part.Error) << "\n";
  }
  if (!diff.Unreadable.empty()) {
    err << request.Program << ": " << diff.Unreadable.size()
        << (diff.Unreadable.size() == 1 ? " part" : " parts")
        << " could not be read and were not compared\n";
    return exit_status::Trouble;
  }
  return changes.empty() ? exit_status::Same : exit_status::Different;
}

}  // namespace tabulon
