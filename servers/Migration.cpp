#include <servers/Migration.h>

#include <fcntl.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include <migrate/RowValues.h>
#include <schema/Rows.h>
#include <schema/SchemaReader.h>
#include <servers/PostgreSql.h>
#include <servers/Script.h>
#include <servers/Sqlite.h>
#include <text/TextCompare.h>

namespace tabulon::servers {

namespace {

using migrate::Carry;
using migrate::LoadTable;

struct Stopped {};

std::string CsvField(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// A table's rejected rows as CSV: the reason, then every column's value
// (empty for Null; binary, and text holding U+0000, which CSV readers
// stop at, as "\x" and hex), under a header of the names.
class RejectFile {
 public:
  RejectFile(std::filesystem::path path, const LoadTable& table)
      : FPath(std::move(path)), FTable(table) {}

  void Add(const Row& row, const std::string& reason) {
    if (!FOut.is_open()) {
      FOut.open(FPath, std::ios::binary | std::ios::trunc);
      if (!FOut) throw ServerError(FPath.string() + ": 書き込めません");
      FOut << CsvField("理由");
      for (const migrate::LoadColumn& column : FTable.Columns)
        FOut << "," << CsvField(column.AccessName);
      FOut << "\r\n";
    }
    FOut << CsvField(reason);
    for (std::size_t i = 0; i < FTable.Columns.size(); ++i) {
      FOut << ",";
      if (i < row.size() && row[i]) {
        const bool hex =
            FTable.Columns[i].Carried == Carry::Binary || row[i]->find('\0') != std::string::npos;
        FOut << CsvField(hex ? "\\x" + migrate::HexDigits(*row[i]) : *row[i]);
      }
    }
    FOut << "\r\n";
    if (!FOut) throw ServerError(FPath.string() + ": 書き込めません");
  }

  // Begins again (a load that is done a second time).
  void Reset() {
    if (FOut.is_open()) FOut.close();
    std::error_code ignored;
    std::filesystem::remove(FPath, ignored);
  }

  bool Written() const { return FOut.is_open(); }
  const std::filesystem::path& Path() const { return FPath; }
  void Close() {
    if (FOut.is_open()) FOut.close();
  }

 private:
  std::filesystem::path FPath;
  const LoadTable& FTable;
  std::ofstream FOut;
};

// A file name for a table's name: no folder separators, control
// characters or leading dot; one name each.
std::string FileStem(const std::string& name, std::set<std::string>& taken) {
  std::string stem;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    stem += byte < 0x20 || c == '/' || c == '\\' ? '_' : c;
  }
  if (stem.empty() || stem.front() == '.') stem = "_" + stem;
  std::string unique = stem;
  for (int n = 2; !taken.insert(ToLowerText(unique)).second; ++n) {
    unique = stem + "-" + std::to_string(n);
  }
  return unique;
}

// Rows read on a thread of their own, batch by batch, while the server
// takes the last ones: reading the file and loading the server then share
// the machine's cores. At most a few batches wait, so memory stays bounded.
// What the reading throws (an interrupt) is thrown again to the reader of
// the pipe, in its place.
class RowPipe {
 public:
  explicit RowPipe(RowStream produce) : FProduce(std::move(produce)) {
    FThread = std::thread([this] { Run(); });
  }
  ~RowPipe() {
    {
      const std::lock_guard<std::mutex> lock(FMutex);
      FCancel = true;
    }
    FRoom.notify_all();
    FThread.join();
  }
  RowPipe(const RowPipe&) = delete;
  RowPipe& operator=(const RowPipe&) = delete;

  bool Next(Row& row) {
    if (FAt == FCurrent.size()) {
      std::unique_lock<std::mutex> lock(FMutex);
      FReady.wait(lock, [this] { return !FBatches.empty() || FDone; });
      if (FBatches.empty()) {
        if (FError) std::rethrow_exception(FError);
        return false;
      }
      FCurrent = std::move(FBatches.front());
      FBatches.pop_front();
      FAt = 0;
      lock.unlock();
      FRoom.notify_one();
    }
    row.swap(FCurrent[FAt++]);
    return true;
  }

 private:
  static constexpr std::size_t BatchRows = 512;
  static constexpr std::size_t WaitingBatches = 4;

  void Run() {
    std::vector<Row> batch;
    try {
      Row row;
      bool more = true;
      while (more) {
        more = FProduce(row);
        if (more) batch.push_back(std::move(row));
        if (batch.size() < BatchRows && more) continue;
        std::unique_lock<std::mutex> lock(FMutex);
        FRoom.wait(lock, [this] { return FBatches.size() < WaitingBatches || FCancel; });
        if (FCancel) return;
        if (!batch.empty()) FBatches.push_back(std::move(batch));
        batch.clear();
        lock.unlock();
        FReady.notify_one();
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(FMutex);
      FError = std::current_exception();
    }
    {
      const std::lock_guard<std::mutex> lock(FMutex);
      FDone = true;
    }
    FReady.notify_one();
  }

  RowStream FProduce;
  std::mutex FMutex;
  std::condition_variable FReady;
  std::condition_variable FRoom;
  std::deque<std::vector<Row>> FBatches;
  bool FDone = false;
  bool FCancel = false;
  std::exception_ptr FError;
  std::vector<Row> FCurrent;
  std::size_t FAt = 0;
  std::thread FThread;
};

class Migration {
 public:
  Migration(dao::Database& database, Destination& destination, const MigrationOptions& options)
      : FDatabase(database), FDestination(destination), FOptions(options) {}

  void Run(const migrate::SqlSchema& sql, MigrationOutcome& outcome) {
    FDestination.Prepare(sql.Tables, sql.Views, FOptions.Replace);
    for (const LoadTable& table : sql.Tables) FDestination.Execute(table.Create);
    std::set<std::string> stems;
    for (const LoadTable& table : sql.Tables) {
      outcome.Tables.push_back(LoadRows(table, FileStem(table.AccessName, stems)));
    }
    outcome.Problems.insert(outcome.Problems.end(), FNullCalculated.begin(), FNullCalculated.end());
    for (const LoadTable& table : sql.Tables) {
      FDestination.Renumber(table);
      for (const std::string& statement : table.After) Try(statement, outcome);
    }
    for (const LoadTable& table : sql.Tables) AddChecks(table, outcome);
    for (const LoadTable& table : sql.Tables) {
      for (const std::string& key : table.ForeignKeys) {
        const std::optional<std::string> refused = FDestination.TryExecute(key);
        if (!refused) continue;
        // Rows that break the key: made without checking them, and said.
        const std::string unchecked = key.substr(0, key.rfind(';')) + " NOT VALID;";
        outcome.Problems.push_back("テーブル \"" + table.AccessName +
                                   "\": 外部キーを既存の行で確かめずに作りました（" + *refused +
                                   "）");
        Try(unchecked, outcome);
      }
    }
    for (const migrate::PlannedView& view : sql.Views) outcome.Views.push_back(MakeView(view));
    if (!FDestination.Verifies()) return;
    for (std::size_t i = 0; i < sql.Tables.size(); ++i) ReadBack(sql.Tables[i], outcome.Tables[i]);
  }

 private:
  void Try(const std::string& statement, MigrationOutcome& outcome) {
    if (const std::optional<std::string> refused = FDestination.TryExecute(statement)) {
      outcome.Problems.push_back("作れませんでした: " + statement.substr(0, statement.find('\n')) +
                                 "（" + *refused + "）");
    }
  }

  // The view made and run once on the rows; one the server refuses to make
  // or to run is not left behind.
  ViewOutcome MakeView(const migrate::PlannedView& view) {
    ViewOutcome out;
    out.Query = view.AccessName;
    if (std::optional<std::string> refused = FDestination.TryExecute(view.Create)) {
      out.Refused = *refused;
      return out;
    }
    std::string refused;
    const std::optional<std::int64_t> rows =
        FDestination.TryNumber("SELECT count(*) FROM " + view.Sql, refused);
    if (rows) {
      out.Rows = *rows;
      return out;
    }
    out.Refused = refused;
    FDestination.TryExecute("DROP VIEW " + view.Sql + ";");
    return out;
  }

  void AddChecks(const LoadTable& table, MigrationOutcome& outcome) {
    for (const std::string& check : table.Checks) {
      const std::int64_t breaking =
          FDestination.Number("SELECT count(*) FROM " + table.Sql + " WHERE NOT (" + check + ")");
      const std::string add = "ALTER TABLE " + table.Sql + " ADD CHECK (" + check + ")";
      // Unknown (a script): the check is made as it is, and rows that
      // break it make the whole script fail.
      if (breaking <= 0) {
        Try(add + ";", outcome);
        continue;
      }
      // Access lets a rule be set over rows that break it.
      outcome.Problems.push_back(
          "テーブル \"" + table.AccessName + "\": " + std::to_string(breaking) + " 行が CHECK (" +
          check + ") を満たさないため、既存の行は確かめない制約（NOT VALID）にしました");
      Try(add + " NOT VALID;", outcome);
    }
  }

  TableOutcome LoadRows(const LoadTable& table, const std::string& stem) {
    TableOutcome out;
    out.Table = table.AccessName;
    RejectFile rejects(FOptions.RejectFolder / (stem + ".rejects.csv"), table);
    migrate::RowChecksum sum;
    // Calculated fields are read as Null: their stored results are in a
    // form this reader does not decode.
    std::vector<int> fields;
    std::vector<std::size_t> read;  // of table.Columns, in the order of `fields`
    for (std::size_t i = 0; i < table.Columns.size(); ++i) {
      if (table.Columns[i].Calculated) continue;
      fields.push_back(table.Columns[i].Field);
      read.push_back(i);
    }
    std::unique_ptr<schema::RowReader> reader;
    std::vector<schema::Member<dao::Variant>> values;
    std::int64_t unfit = 0;
    // The rows are read on a thread of their own (RowPipe); what both
    // sides touch is kept under this.
    std::mutex guard;

    const auto stream = [&]() -> RowStream {
      // Every start reads the rows anew and counts afresh.
      out.Read = 0;
      out.ReadFailure.clear();
      unfit = 0;
      sum = migrate::RowChecksum();
      rejects.Reset();
      try {
        reader = std::make_unique<schema::RowReader>(FDatabase, table.Source, fields);
      } catch (const std::exception& e) {
        out.ReadFailure = e.what();
        reader.reset();
      }
      const auto pipe = std::make_shared<RowPipe>([&](Row& row) -> bool {
        while (reader) {
          try {
            if (!reader->Next(values)) return false;
          } catch (const std::exception& e) {
            out.ReadFailure = e.what();
            return false;
          }
          ++out.Read;
          if (out.Read % 1024 == 0 && FOptions.StopRequested && FOptions.StopRequested()) {
            throw Stopped{};
          }
          if (out.Read % 20000 == 0 && FOptions.Progress)
            FOptions.Progress(table.AccessName, out.Read);
          std::string reason;
          row.assign(table.Columns.size(), std::nullopt);
          for (std::size_t k = 0; k < values.size(); ++k) {
            const std::size_t i = read[k];
            const schema::Member<dao::Variant>& value = values[k];
            const migrate::LoadColumn& column = table.Columns[i];
            if (!value.Ok()) {
              reason = reason.empty()
                           ? "\"" + column.AccessName + "\" の値が読めません: " + value.Error()
                           : reason;
              continue;
            }
            if (std::holds_alternative<dao::Null>(*value) ||
                std::holds_alternative<dao::Empty>(*value))
              continue;
            try {
              const auto* stored = std::get_if<dao::Bytes>(&*value);
              row[i] = column.AttachedFile && stored != nullptr
                           ? migrate::CanonicalValue(migrate::AttachedFileContent(*stored),
                                                     column.Carried)
                           : migrate::CanonicalValue(*value, column.Carried);
            } catch (const std::invalid_argument& e) {
              if (reason.empty()) reason = "\"" + column.AccessName + "\": " + e.what();
              continue;
            }
            if (const std::string why =
                    migrate::UnfitFor(FDestination.Server(), *row[i], column.Carried);
                !why.empty() && reason.empty()) {
              reason = "\"" + column.AccessName + "\": " + why;
            }
          }
          const std::lock_guard<std::mutex> lock(guard);
          if (!reason.empty()) {
            ++unfit;
            rejects.Add(row, reason);
            continue;
          }
          AddRow(sum, row, false);
          return true;
        }
        return false;
      });
      return [pipe](Row& row) { return pipe->Next(row); };
    };
    std::int64_t refused = 0;
    out.Loaded = FDestination.Load(table, stream, [&](const Row& row, const std::string& reason) {
      const std::lock_guard<std::mutex> lock(guard);
      ++refused;
      rejects.Add(row, reason);
      AddRow(sum, row, true);
    });
    out.Rejected = unfit + refused;
    out.SourceChecksum = sum.Hex();
    if (rejects.Written()) out.RejectFile = rejects.Path().string();
    rejects.Close();
    if (FOptions.Progress) FOptions.Progress(table.AccessName, out.Read);
    for (const migrate::LoadColumn& column : table.Columns) {
      if (column.Calculated && out.Loaded > 0) {
        FNullCalculated.push_back("テーブル \"" + table.AccessName + "\" のフィールド \"" +
                                  column.AccessName +
                                  "\": 集計（計算）フィールドの値は読めないため Null にしました（" +
                                  std::to_string(out.Loaded) + " 行）");
      }
    }
    return out;
  }

  static void AddRow(migrate::RowChecksum& sum, const Row& row, bool remove) {
    sum.BeginRow();
    for (const std::optional<std::string>& value : row) {
      if (value) {
        sum.AddValue(*value);
      } else {
        sum.AddNull();
      }
    }
    sum.EndRow(remove);
  }

  void ReadBack(const LoadTable& table, TableOutcome& out) {
    migrate::RowChecksum sum;
    out.ReadBack = 0;
    FDestination.ReadBack(table, [&](const Row& row) {
      ++out.ReadBack;
      AddRow(sum, row, false);
    });
    out.TargetChecksum = sum.Hex();
  }

  dao::Database& FDatabase;
  Destination& FDestination;
  const MigrationOptions& FOptions;
  std::vector<std::string> FNullCalculated;
};

}  // namespace

MigrationTarget MigrationTargetOf(std::string_view text) {
  if (text.substr(0, 7) == "sqlite:")
    return {migrate::Dialect::Sqlite, std::string(text.substr(7))};
  for (const std::string_view end : {".sqlite", ".sqlite3", ".db"}) {
    if (EndsWithNoCase(text, end)) return {migrate::Dialect::Sqlite, std::string(text)};
  }
  return {migrate::Dialect::PostgreSql, std::string(text)};
}

bool MigrationOutcome::Clean() const {
  if (!Failure.empty() || !Committed || !Problems.empty()) return false;
  for (const ViewOutcome& view : Views) {
    if (!view.Refused.empty()) return false;
  }
  for (const TableOutcome& table : Tables) {
    if (Verified ? !table.Matches() : table.Rejected > 0 || !table.ReadFailure.empty()) {
      return false;
    }
  }
  return true;
}

namespace {

// The migration with the destination `open` makes once the schema is
// planned.
MigrationOutcome Migrate(
    dao::Database& database, std::string_view fileName, migrate::Dialect server,
    const MigrationOptions& options,
    const std::function<std::unique_ptr<Destination>(const std::vector<migrate::MigrationNote>&)>&
        open) {
  MigrationOutcome outcome;
  const schema::Database schema = schema::ReadSchema(database);
  migrate::SqlSchema sql = migrate::WriteSqlSchema(schema, fileName, server);
  outcome.Notes = std::move(sql.Notes);
  outcome.NotCarriedQueries = sql.NotCarriedQueries;
  try {
    const std::unique_ptr<Destination> destination = open(outcome.Notes);
    Migration(database, *destination, options).Run(sql, outcome);
    destination->Commit();
    outcome.Committed = true;
    outcome.Verified = destination->Verifies();
  } catch (const ServerError& e) {
    outcome.Failure = e.what();
  } catch (const Stopped&) {
    outcome.Failure = "中断しました（移行先は元のままです）";
  }
  if (!outcome.Committed) {
    for (TableOutcome& table : outcome.Tables) table.Loaded = 0;
    outcome.Views.clear();
  }
  return outcome;
}

}  // namespace

MigrationOutcome MigrateDatabase(dao::Database& database, std::string_view fileName,
                                 const MigrationTarget& target, const MigrationOptions& options) {
  return Migrate(database, fileName, target.Server, options,
                 [&](const std::vector<migrate::MigrationNote>&) {
                   return target.Server == migrate::Dialect::PostgreSql
                              ? OpenPostgreSql(target.Connection, options.Schema)
                              : OpenSqlite(target.Connection, options.Replace);
                 });
}

MigrationOutcome WriteMigrationScript(dao::Database& database, std::string_view fileName,
                                      migrate::Dialect server, const ScriptSink& write,
                                      const MigrationOptions& options) {
  return Migrate(
      database, fileName, server, options, [&](const std::vector<migrate::MigrationNote>& notes) {
        std::string heading = "-- \"" + migrate::CommentText(fileName) + "\" のテーブルと行（" +
                              std::string(migrate::DialectTitle(server)) +
                              " 用、tabulon-cli が作成）\n";
        heading += "-- 移行できなかったもの: " +
                   (notes.empty() ? std::string("なし") : std::to_string(notes.size()) + " 件") +
                   "\n";
        for (const migrate::MigrationNote& note : notes) {
          heading += "--   " + migrate::NoteLine(note) + "\n";
        }
        return OpenScript(write, server, heading + "\n");
      });
}

}  // namespace tabulon::servers
