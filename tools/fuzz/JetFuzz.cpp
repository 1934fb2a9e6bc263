// Any bytes as a database file: open them, then read every member the
// report reads, the saved queries, the other objects and the first rows of
// every table (binary values also unwrapped as attachments), and write the
// schema as SQL and lint it (names, defaults and rules come from the file
// too). Engine errors are the expected outcome for most inputs; anything
// else (a crash, a sanitizer report, another exception, a hang) is a
// finding. A file that wants a password is tried once more with the one
// scripts/fuzz encrypts its seeds with, so that decryption and all behind
// it are reached.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include <dao/ObjectModel.h>
#include <jet/JetDatabase.h>
#include <migrate/Lint.h>
#include <migrate/RowValues.h>
#include <migrate/SqlSchemaWriter.h>
#include <schema/SchemaReader.h>

namespace {

using namespace tabulon;

template <class F>
void Try(F&& read) {
  try {
    read();
  } catch (const dao::EngineError&) {
  }
}

void ReadProperties(dao::Collection<dao::Property>& properties) {
  Try([&] {
    const int count = properties.Count();
    for (int i = 0; i < count; ++i) {
      Try([&] {
        properties.Item(i).Name();
        dao::VariantToText(properties.Item(i).Value());
      });
    }
  });
}

void ReadTable(dao::Database& database, dao::TableDef& table) {
  Try([&] { table.Name(); });
  Try([&] { table.Attributes(); });
  Try([&] { table.Connect(); });
  Try([&] { table.SourceTableName(); });
  Try([&] { dao::VariantToText(table.RecordCount()); });
  Try([&] { dao::VariantToText(table.DateCreated()); });
  Try([&] { dao::VariantToText(table.LastUpdated()); });
  Try([&] { dao::VariantToText(table.Updatable()); });
  Try([&] { table.ValidationRule(); });
  Try([&] { table.ValidationText(); });
  ReadProperties(table.Properties());
  Try([&] {
    const int count = table.Indexes().Count();
    for (int j = 0; j < count; ++j) {
      dao::Index& index = table.Indexes().Item(j);
      index.Primary();
      index.Foreign();
      index.Unique();
      const int fields = index.Fields().Count();
      for (int k = 0; k < fields; ++k) index.Fields().Item(k).Name();
      database.TableDefs().Item(table.Name()).Indexes().Item(index.Name());
    }
  });
  Try([&] {
    const int count = table.Fields().Count();
    for (int k = 0; k < count; ++k) {
      dao::Field& field = table.Fields().Item(k);
      Try([&] { dao::VariantToText(field.OrdinalPosition()); });
      Try([&] { field.Type(); });
      Try([&] { dao::VariantToText(field.Size()); });
      Try([&] { field.Attributes(); });
      Try([&] { field.Required(); });
      Try([&] { field.AllowZeroLength(); });
      Try([&] { dao::VariantToText(field.DefaultValue()); });
      Try([&] { field.DataUpdatable(); });
      Try([&] { field.ValidationRule(); });
      Try([&] { field.ValidationText(); });
      ReadProperties(field.Properties());
    }
  });
  // A few rows, every value of each: rows are where most bytes of a file are.
  Try([&] {
    const int fields = table.Fields().Count();
    std::unique_ptr<dao::Recordset> rows = table.OpenRecordset();
    for (int row = 0; row < 20 && !rows->Eof(); ++row, rows->MoveNext()) {
      for (int k = 0; k < fields; ++k) {
        Try([&] {
          const dao::Variant value = rows->Collect(k);
          // Any bytes as an attachment's stored data, as a migration
          // unwraps them.
          if (const auto* bytes = std::get_if<dao::Bytes>(&value)) {
            try {
              migrate::AttachedFileContent(*bytes);
            } catch (const std::invalid_argument&) {
            }
          }
        });
      }
    }
  });
}

void ReadQueries(dao::Collection<dao::QueryDef>& queries) {
  Try([&] {
    const int count = queries.Count();
    for (int i = 0; i < count; ++i) {
      dao::QueryDef& query = queries.Item(i);
      query.Name();
      query.Type();
      query.Connect();
      Try([&] { query.SQL(); });
      Try([&] { dao::VariantToText(query.DateCreated()); });
      const int parameters = query.Parameters().Count();
      for (int k = 0; k < parameters; ++k) {
        query.Parameters().Item(k).Name();
        query.Parameters().Item(k).Type();
      }
    }
  });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<dao::Database> database;
  for (const char* connect : {";pwd=", ";pwd=パスワード"}) {
    try {
      database = jet::OpenJetDatabase(
          std::make_unique<jet::MemorySource>(std::vector<std::uint8_t>(data, data + size)),
          "fuzz.mdb", connect);
      break;
    } catch (const dao::EngineError& e) {
      if (e.Kind() != dao::ErrorKind::WrongPassword) return 0;
    }
  }
  if (!database) return 0;
  ReadProperties(database->Properties());
  Try([&] {
    const int count = database->TableDefs().Count();
    for (int i = 0; i < count; ++i) ReadTable(*database, database->TableDefs().Item(i));
  });
  Try([&] {
    const int count = database->Relations().Count();
    for (int i = 0; i < count; ++i) {
      dao::Relation& relation = database->Relations().Item(i);
      relation.Name();
      relation.Table();
      relation.ForeignTable();
      relation.Attributes();
      const int fields = relation.Fields().Count();
      for (int k = 0; k < fields; ++k) {
        relation.Fields().Item(k).Name();
        relation.Fields().Item(k).ForeignName();
      }
    }
  });
  ReadQueries(database->AllQueryDefs());
  Try([&] {
    const int count = database->Containers().Count();
    for (int i = 0; i < count; ++i) {
      dao::Container& container = database->Containers().Item(i);
      const int documents = container.Documents().Count();
      for (int k = 0; k < documents; ++k) {
        container.Documents().Item(k).Name();
        Try([&] { dao::VariantToText(container.Documents().Item(k).LastUpdated()); });
      }
    }
  });
  const schema::Database schema = schema::ReadSchema(*database);
  for (const migrate::Dialect dialect : {migrate::Dialect::PostgreSql, migrate::Dialect::Sqlite}) {
    migrate::WriteSqlSchema(schema, "fuzz.mdb", dialect);
  }
  migrate::LintSchema(schema);
  migrate::LintData(schema, *database);
  database->Close();
  return 0;
}
