#include <cli/LintCommand.h>

#include <ostream>

#include <migrate/Lint.h>
#include <schema/SchemaReader.h>
#include <targets/ForEachDatabase.h>

#include <cli/ExitStatus.h>
#include <targets/OpenFailureText.h>

namespace tabulon {

int PrintLint(TDao360& dao, const LintRequest& request, std::ostream& out, std::ostream& err) {
  ForEachHooks hooks;
  hooks.NotOpened = [&](const OpenFailure& failure) {
    err << OpenFailureLine(request.Program, failure) << "\n";
  };
  const auto lint = [&](const Target& target, TDao360& open) {
    const schema::Database schema = schema::ReadSchema(*open.Database());
    std::vector<migrate::Finding> findings = migrate::LintSchema(schema);
    if (request.Data) {
      for (migrate::Finding& finding : migrate::LintData(schema, *open.Database()))
        findings.push_back(std::move(finding));
    }
    out << target.Path << ": ";
    if (findings.empty()) {
      out << "指摘なし\n";
    } else {
      out << "指摘 " << findings.size() << " 件\n";
    }
    for (const migrate::Finding& finding : findings) {
      out << "  " << migrate::FindingLine(finding) << "\n";
    }
  };
  const ForEachCounts counts = ForEachDatabase(dao, TargetsOfLines(request.Lines), lint, hooks);
  out << std::flush;
  return counts.Failed > 0 ? exit_status::Failed : exit_status::Ok;
}

}  // namespace tabulon
