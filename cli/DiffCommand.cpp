#include <cli/DiffCommand.h>

#include <optional>
#include <ostream>

#include <outputs/DiffDocument.h>
#include <outputs/JsonWriter.h>
#include <outputs/SchemaDiff.h>
#include <schema/SchemaReader.h>

#include <cli/OpenFailureText.h>

namespace tabulon {

namespace {

constexpr int ExitSame = 0;
constexpr int ExitDifferent = 1;
constexpr int ExitTrouble = 2;

std::optional<schema::Database> ReadOne(TDao360& dao, const std::string& path,
                                        const std::string& password, const std::string& program,
                                        std::ostream& err) {
  std::string errorText;
  dao.Open(password, path, errorText);
  if (!dao.Connected()) {
    err << OpenFailureLine(program, path, dao.FailureKind(), errorText) << "\n";
    return std::nullopt;
  }
  schema::Database read = schema::ReadSchema(*dao.Database());
  dao.Close();
  return read;
}

}  // namespace

int RunDiff(TDao360& dao, const DiffRequest& request, std::ostream& out, std::ostream& err) {
  const auto old = ReadOne(dao, request.Old, request.OldPassword, request.Program, err);
  if (!old) return ExitTrouble;
  const auto now = ReadOne(dao, request.New, request.NewPassword, request.Program, err);
  if (!now) return ExitTrouble;
  const std::vector<outputs::SchemaChange> changes =
      outputs::DiffSchemas(*old, *now, *request.Words);
  if (request.Format == "json") {
    outputs::JsonWriter json([&](std::string_view text) {
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
    });
    outputs::WriteDiffJson(json, changes, request.Old, request.New);
  } else if (request.Format == "markdown") {
    out << outputs::DiffMarkdown(changes, request.Old, request.New);
  } else {
    out << outputs::DiffText(changes, request.Old, request.New);
  }
  out.flush();
  if (!out) {
    err << request.Program << ": cannot write the differences\n";
    return ExitTrouble;
  }
  return changes.empty() ? ExitSame : ExitDifferent;
}

}  // namespace tabulon
