#include <servers/Script.h>

#include <charconv>
#include <cstdlib>
#include <string_view>

#include <dao/ObjectModel.h>
#include <migrate/RowValues.h>

namespace tabulon::servers {

namespace {

using migrate::Carry;
using migrate::LoadTable;

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

std::string ColumnList(const LoadTable& table) {
  std::string out;
  for (const migrate::LoadColumn& column : table.Columns) {
    out += (out.empty() ? "" : ", ") + column.Sql;
  }
  return out;
}

class ScriptDestination : public Destination {
 public:
  ScriptDestination(std::ostream& out, migrate::Dialect dialect)
      : FOut(out), FPostgreSql(dialect == migrate::Dialect::PostgreSql) {
    FOut << (FPostgreSql ? "SET client_encoding = 'UTF8';\nSET standard_conforming_strings = on;\n"
                         : "")
         << "BEGIN;\n";
  }

  void Prepare(const std::vector<LoadTable>&, bool) override {}

  void Renumber(const LoadTable& table) override {
    if (!FPostgreSql) return;  // AUTOINCREMENT follows inserted keys
    for (const migrate::LoadColumn& column : table.Columns) {
      if (!column.Identity) continue;
      FOut << "SELECT setval(pg_get_serial_sequence(" << migrate::QuoteText(table.Sql) << ", "
           << migrate::QuoteText(column.AccessName) << "), GREATEST(coalesce(max(" << column.Sql
           << "), 0), 1), max(" << column.Sql << ") IS NOT NULL) FROM " << table.Sql << ";\n";
    }
  }

  void Execute(const std::string& sql) override { FOut << sql; }
  std::optional<std::string> TryExecute(const std::string& sql) override {
    FOut << sql;
    return std::nullopt;
  }
  // Unknown: a script holds no rows to count.
  std::int64_t Number(const std::string&) override { return -1; }

  std::int64_t Load(const LoadTable& table, const std::function<RowStream()>& rows,
                    const std::function<void(const Row&, const std::string&)>&) override {
    const RowStream next = rows();
    Row row;
    std::int64_t written = 0;
    std::string line;
    if (FPostgreSql) {
      FOut << "\nCOPY " << table.Sql << " (" << ColumnList(table) << ") FROM stdin;\n";
      while (next(row)) {
        line.clear();
        for (std::size_t i = 0; i < row.size(); ++i) {
          if (i > 0) line += '\t';
          if (!row[i]) {
            line += "\\N";
          } else if (table.Columns[i].Carried == Carry::Binary) {
            line += "\\\\x" + Hex(*row[i]);
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
        FOut << line << '\n';
        ++written;
      }
      FOut << "\\.\n";
      return written;
    }
    FOut << "\n";
    while (next(row)) {
      line = "INSERT INTO " + table.Sql + " (" + ColumnList(table) + ") VALUES (";
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i > 0) line += ", ";
        line += Literal(row[i], table.Columns[i].Carried);
      }
      FOut << line << ");\n";
      ++written;
    }
    return written;
  }

  void ReadBack(const LoadTable&, const std::function<void(const Row&)>&) override {}
  bool Verifies() const override { return false; }

  std::string Unfit(const std::string& canonical, Carry carry) const override {
    return migrate::UnfitFor(FPostgreSql ? migrate::Dialect::PostgreSql : migrate::Dialect::Sqlite,
                             canonical, carry);
  }

  void Commit() override {
    FOut << "\nCOMMIT;\n";
    FOut.flush();
    if (!FOut) throw ServerError("書き込めません");
  }

 private:
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
        return "X'" + Hex(*value) + "'";
      default:
        if (value->find_first_of(std::string_view("\0\r", 2)) != std::string::npos) {
          return "CAST(X'" + Hex(*value) + "' AS TEXT)";
        }
        return migrate::QuoteText(*value);
    }
  }

  std::ostream& FOut;
  bool FPostgreSql;
};

}  // namespace

std::unique_ptr<Destination> OpenScript(std::ostream& out, migrate::Dialect dialect) {
  return std::make_unique<ScriptDestination>(out, dialect);
}

}  // namespace tabulon::servers
