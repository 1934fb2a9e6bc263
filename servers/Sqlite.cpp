#include <servers/Sqlite.h>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <migrate/RowValues.h>

namespace tabulon::servers {

namespace {

using migrate::Carry;
using migrate::ColumnList;
using migrate::LoadTable;

struct DatabaseClose {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
struct StatementFinalize {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalize>;

class SqliteDestination : public Destination {
 public:
  SqliteDestination(std::filesystem::path path, bool replace) : FTarget(std::move(path)) {
    std::error_code error;
    if (std::filesystem::exists(FTarget, error) && !replace) {
      throw ServerError(FTarget.string() +
                        " はすでにあります（置き換えるときは --replace を付けます）");
    }
    // A name of our own in the target's folder, so that the rename at the
    // end stays on one file system.
    std::string pattern = FTarget.string() + ".tmp-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) throw ServerError(FTarget.string() + ": " + std::strerror(errno));
    ::close(fd);
    FTemporary = pattern;
    sqlite3* db = nullptr;
    // One connection on one thread: no need for its mutexes.
    const int opened = sqlite3_open_v2(FTemporary.c_str(), &db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    FDatabase.reset(db);
    if (opened != SQLITE_OK) throw ServerError(Message());
    // The file is thrown away on any failure, so it needs no journal on
    // disk; statements still roll back alone in memory.
    Execute(
        "PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF; PRAGMA cache_size = -16384; "
        "PRAGMA locking_mode = EXCLUSIVE; BEGIN;");
  }

  ~SqliteDestination() override {
    FDatabase.reset();
    if (!FTemporary.empty()) {
      std::error_code ignored;
      std::filesystem::remove(FTemporary, ignored);
    }
  }

  void Prepare(const std::vector<LoadTable>&, const std::vector<migrate::PlannedView>&,
               bool) override {}
  void Renumber(const LoadTable&) override {}  // AUTOINCREMENT follows inserted keys

  void Execute(const std::string& sql) override {
    char* error = nullptr;
    if (sqlite3_exec(FDatabase.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string text = error != nullptr ? error : Message();
      sqlite3_free(error);
      throw ServerError(text);
    }
  }

  std::optional<std::string> TryExecute(const std::string& sql) override {
    Execute("SAVEPOINT tabulon_try;");
    char* error = nullptr;
    if (sqlite3_exec(FDatabase.get(), sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) {
      Execute("RELEASE tabulon_try;");
      return std::nullopt;
    }
    const std::string text = error != nullptr ? error : Message();
    sqlite3_free(error);
    Execute("ROLLBACK TO tabulon_try; RELEASE tabulon_try;");
    return text;
  }

  std::optional<std::int64_t> TryNumber(const std::string& sql, std::string& refused) override {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(FDatabase.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
      refused = Message();
      return std::nullopt;
    }
    const Statement statement(raw);
    if (sqlite3_step(raw) != SQLITE_ROW) {
      refused = Message();
      return std::nullopt;
    }
    return sqlite3_column_int64(raw, 0);
  }

  std::int64_t Number(const std::string& sql) override {
    Statement statement = Prepare(sql);
    if (sqlite3_step(statement.get()) != SQLITE_ROW) throw ServerError(Message());
    return sqlite3_column_int64(statement.get(), 0);
  }

  std::int64_t Load(const LoadTable& table, const std::function<RowStream()>& rows,
                    const std::function<void(const Row&, const std::string&)>& refused) override {
    std::string insert = "INSERT INTO " + table.Sql + " (" + ColumnList(table) + ") VALUES (";
    for (std::size_t i = 0; i < table.Columns.size(); ++i) insert += i > 0 ? ", ?" : "?";
    insert += ")";
    Statement statement = Prepare(insert);
    sqlite3_stmt* s = statement.get();
    std::int64_t loaded = 0;
    const RowStream next = rows();
    Row row;
    while (next(row)) {
      for (std::size_t i = 0; i < row.size(); ++i)
        Bind(s, static_cast<int>(i) + 1, row[i], table.Columns[i].Carried);
      const int stepped = sqlite3_step(s);
      if (stepped == SQLITE_DONE) {
        ++loaded;
      } else if ((stepped & 0xff) == SQLITE_CONSTRAINT || stepped == SQLITE_MISMATCH ||
                 stepped == SQLITE_TOOBIG) {
        refused(row, Message());
      } else {
        throw ServerError(Message());
      }
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
    }
    return loaded;
  }

  void ReadBack(const LoadTable& table, const std::function<void(const Row&)>& each) override {
    Statement statement = Prepare("SELECT " + ColumnList(table) + " FROM " + table.Sql);
    sqlite3_stmt* s = statement.get();
    Row row(table.Columns.size());
    int stepped = 0;
    while ((stepped = sqlite3_step(s)) == SQLITE_ROW) {
      for (int c = 0; c < static_cast<int>(row.size()); ++c)
        row[c] = Value(s, c, table.Columns[c].Carried);
      each(row);
    }
    if (stepped != SQLITE_DONE) throw ServerError(Message());
  }

  migrate::Dialect Server() const override { return migrate::Dialect::Sqlite; }

  void Commit() override {
    Execute("COMMIT;");
    if (sqlite3_close(FDatabase.release()) != SQLITE_OK) {
      throw ServerError(FTemporary.string() + ": 閉じられません");
    }
    // On disk before it takes the target's name.
    const int fd = ::open(FTemporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!synced) throw ServerError(FTemporary.string() + ": " + std::strerror(errno));
    std::error_code error;
    std::filesystem::rename(FTemporary, FTarget, error);
    if (error) throw ServerError(FTarget.string() + ": " + error.message());
    FTemporary.clear();
  }

 private:
  std::string Message() const {
    return FDatabase ? sqlite3_errmsg(FDatabase.get()) : "SQLite: out of memory";
  }

  Statement Prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(FDatabase.get(), sql.c_str(), static_cast<int>(sql.size()), &s,
                           nullptr) != SQLITE_OK) {
      throw ServerError(Message());
    }
    return Statement(s);
  }

  // The row outlives the statement's step, so SQLite need not copy the
  // values (SQLITE_STATIC).
  static void Bind(sqlite3_stmt* s, int at, const std::optional<std::string>& value, Carry carry) {
    if (!value) {
      sqlite3_bind_null(s, at);
      return;
    }
    const std::string& v = *value;
    switch (carry) {
      case Carry::Integer:
      case Carry::Boolean:
        sqlite3_bind_int64(s, at, std::stoll(v));
        return;
      // The shortest text reads back to the same bits; a single stays the
      // same number as a double.
      case Carry::Single:
        sqlite3_bind_double(s, at, static_cast<double>(std::strtof(v.c_str(), nullptr)));
        return;
      case Carry::Double:
        sqlite3_bind_double(s, at, std::strtod(v.c_str(), nullptr));
        return;
      case Carry::Binary:
        sqlite3_bind_blob64(s, at, v.data(), v.size(), SQLITE_STATIC);
        return;
      default:
        sqlite3_bind_text64(s, at, v.data(), v.size(), SQLITE_STATIC, SQLITE_UTF8);
    }
  }

  static std::optional<std::string> Value(sqlite3_stmt* s, int c, Carry carry) {
    const int type = sqlite3_column_type(s, c);
    if (type == SQLITE_NULL) return std::nullopt;
    switch (carry) {
      case Carry::Integer:
      case Carry::Boolean:
        if (type != SQLITE_INTEGER) break;
        return std::to_string(sqlite3_column_int64(s, c));
      case Carry::Single:
        if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) break;
        return migrate::CanonicalValue(static_cast<float>(sqlite3_column_double(s, c)), carry);
      case Carry::Double:
        if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) break;
        return migrate::CanonicalValue(sqlite3_column_double(s, c), carry);
      case Carry::Binary: {
        if (type != SQLITE_BLOB) break;
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(s, c));
        return std::string(bytes != nullptr ? bytes : "",
                           static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
      }
      default: {
        if (type != SQLITE_TEXT) break;
        const std::string_view text(reinterpret_cast<const char*>(sqlite3_column_text(s, c)),
                                    static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
        try {
          return migrate::CanonicalOfServerText(text, carry);
        } catch (const std::invalid_argument&) {
          return "?" + std::string(text);
        }
      }
    }
    // Stored under another type than it was given: the checksum tells.
    return "?" + std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, c)));
  }

  std::filesystem::path FTarget;
  std::filesystem::path FTemporary;
  std::unique_ptr<sqlite3, DatabaseClose> FDatabase;
};

}  // namespace

std::unique_ptr<Destination> OpenSqlite(const std::filesystem::path& path, bool replace) {
  return std::make_unique<SqliteDestination>(path, replace);
}

}  // namespace tabulon::servers
