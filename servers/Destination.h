#pragma once
// A server that rows are migrated into, through its own client library:
// statements, a bulk load of one table's rows, and a read-back of them.
// Everything happens in one transaction that only Commit makes visible;
// destroying a destination that was not committed leaves the target as it
// was.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <migrate/SqlSchemaWriter.h>

namespace tabulon::servers {

// The server's refusal, in its own words.
struct ServerError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One row's values: canonical texts (migrate/RowValues.h), nullopt for Null.
using Row = std::vector<std::optional<std::string>>;
using RowStream = std::function<bool(Row&)>;

class Destination {
 public:
  virtual ~Destination() = default;
  // Readies the target for `tables` and `views`: a table or view of one of
  // their names that exists is refused (ServerError) unless `replace`,
  // which drops it.
  virtual void Prepare(const std::vector<migrate::LoadTable>& tables,
                       const std::vector<migrate::PlannedView>& views, bool replace) = 0;
  // After the rows: AutoNumbers continue past the highest number loaded
  // (the table's Renumber statements).
  virtual void Renumber(const migrate::LoadTable& table) = 0;
  // Runs `sql` (one or more statements). Throws ServerError.
  virtual void Execute(const std::string& sql) = 0;
  // Runs `sql` so that a refusal leaves the transaction usable; the
  // server's message, or nullopt when it ran.
  virtual std::optional<std::string> TryExecute(const std::string& sql) = 0;
  // A query's single number ("SELECT count(*) ..."), -1 where it cannot be
  // known (a script). Throws ServerError.
  virtual std::int64_t Number(const std::string& sql) = 0;
  // The same, where a refusal (a view that does not run) is not an error:
  // nullopt, the server's message in `refused`; the transaction stays usable.
  virtual std::optional<std::int64_t> TryNumber(const std::string& sql, std::string& refused) = 0;

  // Loads rows into `table`. `rows` starts the rows from the first (a load
  // the server refused as a whole is done again, one row at a time) and
  // the stream it answers fills the next row, false at the end. A row the
  // server refuses goes to `refused` with the server's reason and is not
  // loaded; answers the rows loaded. Throws ServerError when the load as a
  // whole fails.
  virtual std::int64_t Load(const migrate::LoadTable& table, const std::function<RowStream()>& rows,
                            const std::function<void(const Row&, const std::string&)>& refused) = 0;

  // Every row of `table` as the server holds it, in canonical texts.
  virtual void ReadBack(const migrate::LoadTable& table,
                        const std::function<void(const Row&)>& row) = 0;
  // False for a destination that cannot read its rows back (a script).
  virtual bool Verifies() const { return true; }

  // The server the destination holds, whose rules (migrate::UnfitFor)
  // say which values it cannot take.
  virtual migrate::Dialect Server() const = 0;

  // Makes the work visible. Throws ServerError.
  virtual void Commit() = 0;
};

}  // namespace tabulon::servers
