#include <cli/LintCommand.h>

#include <ostream>

#include <migrate/Lint.h>
#include <schema/SchemaReader.h>
#include <targets/TargetLine.h>

#include <cli/ExitStatus.h>
#include <cli/OpenFailureText.h>

namespace tabulon {

int PrintLint(TDao360& dao, const LintRequest& request, std::ostream& out, std::ostream& err) {
  int status = exit_status::Ok;
  for (const std::string& line : request.Lines) {
    const std::optional<Target> target = TargetOfLine(line);
    if (!target) continue;
    std::string errorText;
    dao.Open(target->Password, target->Path, errorText);
    if (!dao.Connected()) {
      err << OpenFailureLine(request.Program, target->Path, dao.FailureKind(), errorText) << "\n";
      status = exit_status::Failed;
      continue;
    }
    const schema::Database schema = schema::ReadSchema(*dao.Database());
    std::vector<migrate::Finding> findings = migrate::LintSchema(schema);
    if (request.Data) {
      for (migrate::Finding& finding : migrate::LintData(schema, *dao.Database()))
        findings.push_back(std::move(finding));
    }
    dao.Close();
    out << target->Path << ": ";
    if (findings.empty()) {
      out << "指摘なし\n";
    } else {
      out << "指摘 " << findings.size() << " 件\n";
    }
    for (const migrate::Finding& finding : findings) {
      out << "  " << migrate::FindingLine(finding) << "\n";
    }
  }
  out << std::flush;
  return status;
}

}  // namespace tabulon
