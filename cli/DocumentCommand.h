#pragma once
// tabulon-cli --format json and --format markdown: one UTF-8 document for
// all targets (outputs/JsonDocument.h, outputs/MarkdownDocument.h),
// written as the databases are read.

#include <iosfwd>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <words/Wording.h>

namespace tabulon {

enum class DocumentFormat { Json, Markdown };

struct DocumentRequest {
  std::vector<std::string> Lines;  // target lines; lines that name no target are passed over
  DocumentFormat Format = DocumentFormat::Json;
  // The file to write, through a temporary file renamed over the old one
  // when complete; "" or "-" for standard output.
  std::string Output;
  std::string Program;  // names the messages and the JSON's program
  std::string Version;
  const Wording* Words = nullptr;  // Markdown's words, in the chosen styles
};

// Writes the document to `out` or to the file (then prints its path on
// `out`). A database that does not open is named on `err` and in the
// document. Returns the exit status: 0 every database written, 1 one did
// not open or the file could not be written (the old file is then kept).
int WriteDocument(TDao360& dao, const DocumentRequest& request, std::ostream& out,
                  std::ostream& err);

}  // namespace tabulon
