#pragma once
// Helpers of the engine suites: the real test databases and a walk over the
// whole object model that records every failing member.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <dao/ObjectModel.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {

#define TABULON_REQUIRE_TESTDATA()            \
  if (::tabulon::test::TestDataDir().empty()) \
  GTEST_SKIP() << "../shared/testdata is absent; real-file tests are skipped"

// Every .mdb and .accdb under the shared test data, sorted.
inline std::vector<std::filesystem::path> AllDatabaseFiles() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = TestDataDir();
  if (dir.empty()) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".mdb" || ext == ".accdb"))
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// What a full read of a database produced: how many members answered and
// the texts of those that failed ("<object>.<member>: <text>").
struct ModelWalk {
  int Answers = 0;
  std::vector<std::string> Failures;
};

namespace detail {
template <class F>
void Try(ModelWalk& walk, const std::string& where, F&& read) {
  try {
    read();
    ++walk.Answers;
  } catch (const dao::EngineError& e) {
    walk.Failures.push_back(where + ": " + e.what());
  }
}

inline void WalkProperties(ModelWalk& walk, const std::string& owner,
                           dao::Collection<dao::Property>& properties) {
  int count = 0;
  Try(walk, owner + ".Properties.Count", [&] { count = properties.Count(); });
  for (int i = 0; i < count; ++i) {
    Try(walk, owner + ".Properties", [&] {
      dao::Property& property = properties.Item(i);
      property.Name();
      dao::VariantToText(property.Value());
    });
  }
}
}  // namespace detail

// Reads every member the report and jetdump read. Only dao::EngineError is
// caught: anything else escapes and fails the calling test.
inline ModelWalk WalkDatabase(dao::Database& database) {
  using detail::Try;
  ModelWalk walk;
  detail::WalkProperties(walk, "Database", database.Properties());
  const int tables = database.TableDefs().Count();
  for (int i = 0; i < tables; ++i) {
    dao::TableDef& table = database.TableDefs().Item(i);
    const std::string name = table.Name();
    Try(walk, name + ".Attributes", [&] { table.Attributes(); });
    Try(walk, name + ".RecordCount", [&] { dao::VariantToText(table.RecordCount()); });
    Try(walk, name + ".DateCreated", [&] { dao::VariantToText(table.DateCreated()); });
    Try(walk, name + ".LastUpdated", [&] { dao::VariantToText(table.LastUpdated()); });
    Try(walk, name + ".Updatable", [&] { dao::VariantToText(table.Updatable()); });
    Try(walk, name + ".ValidationRule", [&] { table.ValidationRule(); });
    Try(walk, name + ".ValidationText", [&] { table.ValidationText(); });
    detail::WalkProperties(walk, name, table.Properties());
    int fields = 0;
    Try(walk, name + ".Fields.Count", [&] { fields = table.Fields().Count(); });
    for (int k = 0; k < fields; ++k) {
      Try(walk, name + ".Field", [&] {
        dao::Field& field = table.Fields().Item(k);
        field.Name();
        field.Type();
        field.Attributes();
        field.Required();
        field.AllowZeroLength();
        field.DataUpdatable();
        field.ValidationRule();
        field.ValidationText();
        for (const dao::Variant& v : {field.OrdinalPosition(), field.Size(), field.DefaultValue()})
          dao::VariantToText(v);
      });
      Try(walk, name + ".Field.Properties", [&] {
        detail::WalkProperties(walk, name + ".Field", table.Fields().Item(k).Properties());
      });
    }
    int indexes = 0;
    Try(walk, name + ".Indexes.Count", [&] { indexes = table.Indexes().Count(); });
    for (int j = 0; j < indexes; ++j) {
      Try(walk, name + ".Index", [&] {
        dao::Index& index = table.Indexes().Item(j);
        index.Name();
        index.Primary();
        index.Foreign();
        index.Unique();
        for (int k = 0; k < index.Fields().Count(); ++k) index.Fields().Item(k).Name();
      });
    }
  }
  int relations = 0;
  Try(walk, "Relations.Count", [&] { relations = database.Relations().Count(); });
  for (int i = 0; i < relations; ++i) {
    Try(walk, "Relation", [&] {
      dao::Relation& relation = database.Relations().Item(i);
      relation.Name();
      relation.Table();
      relation.Attributes();
      for (int k = 0; k < relation.Fields().Count(); ++k) {
        relation.Fields().Item(k).Name();
        relation.Fields().Item(k).ForeignName();
      }
      // The report's foreign side: the foreign table's index named after
      // the relation (absent where integrity is not enforced).
      try {
        database.TableDefs().Item(relation.ForeignTable()).Indexes().Item(relation.Name());
      } catch (const dao::EngineError&) {
      }
    });
  }
  return walk;
}

}  // namespace tabulon::test
