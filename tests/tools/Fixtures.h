#pragma once
// The fixtures of the writer's suites: JSON descriptions from
// tests/writer/fixtures, completed in code where JSON would be unwieldy.

#include <filesystem>
#include <string>

#include <tools/jetwriter/Schema.h>

#include <tests/support/TestSupport.h>

namespace tabulon::test {

// A description read from tests/writer/fixtures/`file`.
jetwriter::Database LoadFixture(const std::string& file);

// features.json with long values that need their own pages (a 1,000- and a
// 6,000-character memo, 3,000- and 10,000-byte OLE values) and the wide
// table "広い表" (180 columns with descriptions, 20 indexes) whose
// definition spans pages and whose property block needs a chain of pages.
jetwriter::Database FeatureFixture();

// The memo and OLE values FeatureFixture puts in rows 2 and 3.
std::string LongMemo(std::size_t characters);
std::string LongOleHex(std::size_t bytes);

// Writes `db` into `dir` as `name` and returns the path.
std::filesystem::path WriteFixture(const TempDir& dir, const std::string& name,
                                   const jetwriter::Database& db);

}  // namespace tabulon::test
