#pragma once
// Reading a description from JSON; the format is documented with an
// example in tools/mkmdb/README.md.

#include <string_view>

#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

// Parses `json` into a description. Unknown keys, unknown types, values of
// the wrong JSON kind and rows naming a missing column are errors: throws
// SchemaError with the JSON path of the problem (for example
// `tables[1].columns[2] "単価": unknown type "numbr"`). The result is not yet
// validated as a whole; WriteDatabase does that.
Database ReadSchemaJson(std::string_view json);

}  // namespace tabulon::jetwriter
