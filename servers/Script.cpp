#include <servers/Script.h>

#include <charconv>
#include <cstdlib>
#include <string_view>

#include <dao/ObjectModel.h>
#include <migrate/RowValues.h>

namespace tabulon::servers {

namespace {

using migrate::Carry;
using migrate::ColumnList;
using migrate::LoadTable;

class ScriptDestination : public Destination {
 public:
  ScriptDestination(ScriptSink write, migrate::Dialect dialect, const std::string& heading)
      : FWrite(std::move(write)), FDialect(dialect) {
    Put(heading);
    if (FDialect == migrate::Dialect::PostgreSql) {
      Put("SET client_encoding = 'UTF8';\nSET standard_conforming_strings = on;\n");
    }
    Put("BEGIN;\n");
  }

  void Prepare(const std::vector<LoadTable>&, const std::vector<migrate::PlannedView>&,
               bool) override {}

  void Renumber(const LoadTable& table) override {
    for (const std::string& statement : table.Renumber) Put(statement);
  }

  void Execute(const std::string& sql) override { Put(sql); }
  std::optional<std::string> TryExecute(const std::string& sql) override {
    Put(sql);
    return std::nullopt;
  }
  // Unknown: a script holds no rows to count.
  std::int64_t Number(const std::string&) override { return -1; }
  std::optional<std::int64_t> TryNumber(const std::string&, std::string&) override { return -1; }

  std::int64_t Load(const LoadTable& table, const std::function<RowStream()>& rows,
                    const std::function<void(const Row&, const std::string&)>&) override {
    const RowStream next = rows();
    Row row;
    std::int64_t written = 0;
    std::string line;
    if (FDialect == migrate::Dialect::PostgreSql) {
      Put("\nCOPY " + table.Sql + " (" + ColumnList(table) + ") FROM stdin;\n");
      while (next(row)) {
        line.clear();
        for (std::size_t i = 0; i < row.size(); ++i) {
          if (i > 0) line += '\t';
          if (!row[i]) {
            line += "\\N";
          } else if (table.Columns[i].Carried == Carry::Binary) {
            line += "\\\\x" + migrate::HexDigits(*row[i]);
          } else {
            // COPY's text format: backslash, tab and line ends escaped, so
            // that no value can end the block ("\.").
            for (const char c : *row[i]) {
              line += c == '\\'   ? std::string("\\\\")
                      : c == '\t' ? std::string("\\t")
                      : c == '\n' ? std::string("\\n")
                      : c == '\r' ? std::string("\\r")
                                  : std::string(1, c);
            }
          }
        }
        Put(line + '\n');
        ++written;
      }
      Put("\\.\n");
      return written;
    }
    Put("\n");
    while (next(row)) {
      line = "INSERT INTO " + table.Sql + " (" + ColumnList(table) + ") VALUES (";
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) line += ", ";
        line += Literal(row[i], table.Columns[i].Carried);
      }
      Put(line + ");\n");
      ++written;
    }
    return written;
  }

  void ReadBack(const LoadTable&, const std::function<void(const Row&)>&) override {}
  bool Verifies() const override { return false; }

  migrate::Dialect Server() const override { return FDialect; }

  void Commit() override {
    Put("\nCOMMIT;\n");
    Flush();
  }

 private:
  // The text goes out in large pieces, not a write a row.
  static constexpr std::size_t FlushSize = 1 << 20;

  void Put(std::string_view text) {
    FBuffer += text;
    if (FBuffer.size() >= FlushSize) Flush();
  }

  void Flush() {
    try {
      FWrite(FBuffer);
    } catch (const std::exception& e) {
      throw ServerError(std::string("書き込めません: ") + e.what());
    }
    FBuffer.clear();
  }

  // An SQLite literal: numbers as they are, text quoted (text holding
  // U+0000 or a carriage return, which the sqlite3 shell drops, as bytes
  // cast to text), binary as X'..'.
  static std::string Literal(const std::optional<std::string>& value, Carry carry) {
    if (!value) return "NULL";
    switch (carry) {
      case Carry::Integer:
      case Carry::Boolean:
        return *value;
      case Carry::Single: {
        // SQLite holds doubles: the single's exact value as one.
        if (*value == "Infinity" || *value == "-Infinity") return Literal(value, Carry::Double);
        char buffer[64];
        const double exact = static_cast<double>(std::strtof(value->c_str(), nullptr));
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, exact);
        return std::string(buffer, written.ptr);
      }
      case Carry::Double:
        return *value == "Infinity" ? "9e999" : *value == "-Infinity" ? "-9e999" : *value;
      case Carry::Binary:
        return "X'" + migrate::HexDigits(*value) + "'";
      default:
        if (value->find_first_of(std::string_view("\0\r", 2)) != std::string::npos) {
          return "CAST(X'" + migrate::HexDigits(*value) + "' AS TEXT)";
        }
        return migrate::QuoteText(*value);
    }
  }

  ScriptSink FWrite;
  migrate::Dialect FDialect;
  std::string FBuffer;
};

}  // namespace

std::unique_ptr<Destination> OpenScript(ScriptSink write, migrate::Dialect dialect,
                                        const std::string& heading) {
  return std::make_unique<ScriptDestination>(std::move(write), dialect, heading);
}

}  // namespace tabulon::servers
