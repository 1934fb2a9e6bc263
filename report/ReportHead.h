#pragma once
// Everything before the first database's section: document head, page
// heading, generated-by line, the engine and workspace property tables
// (verbose only), the file index and the legend.

#include <functional>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <report/ReportContext.h>
#include <targets/OpenTarget.h>
#include <targets/TargetLine.h>

namespace tabulon {

// The texts of the generated-by line and the title.
struct ReportIdentity {
  std::string ExecutableName;  // file name with extension, without folder
  std::string FileVersion;
  std::string DateTime;  // "yyyy/mm/dd hh:nn:ss"
  std::string OsDescription;
};

// Writes the head, the optional engine and workspace tables, the file index
// and the legend. Opens every target line once; each target that opens is
// appended to `openedTargets`. `notOpened` is told of each target line that
// did not open. Failures other than a
// target that does not open, or a property row, propagate.
void WriteReportHead(ReportContext& context, const ReportIdentity& identity,
                     const std::vector<std::string>& targetLines,
                     std::vector<Target>& openedTargets,
                     const std::function<void(const OpenFailure&)>& notOpened);

// One property table: the opening and caption lines as given, a header, one
// row per property (a property whose name or value cannot be read keeps its
// row with that text empty), "</table>". The count of properties is read
// unguarded.
void WritePropertyTable(ReportContext& context, const std::string& openingLine,
                        const std::string& captionLine, dao::Collection<dao::Property>& properties);

}  // namespace tabulon
