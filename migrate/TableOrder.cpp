#include <migrate/TableOrder.h>

#include <utility>

namespace tabulon::migrate {

CreationOrder OrderTables(std::size_t count, const std::vector<Dependency>& dependencies) {
  std::vector<std::vector<std::size_t>> references(count);
  for (const Dependency& d : dependencies) {
    if (d.Table < count && d.References < count && d.Table != d.References) {
      references[d.Table].push_back(d.References);
    }
  }
  enum class State { New, Open, Done };
  std::vector<State> state(count, State::New);
  CreationOrder order;
  // Depth first without recursion: a schema may hold thousands of tables in
  // one chain. Each entry is a table and the next of its references to try.
  std::vector<std::pair<std::size_t, std::size_t>> stack;
  for (std::size_t start = 0; start < count; ++start) {
    if (state[start] != State::New) continue;
    stack.push_back({start, 0});
    state[start] = State::Open;
    while (!stack.empty()) {
      auto& [table, next] = stack.back();
      if (next < references[table].size()) {
        const std::size_t target = references[table][next++];
        if (state[target] == State::New) {
          state[target] = State::Open;
          stack.push_back({target, 0});
        }
        continue;
      }
      state[table] = State::Done;
      order.Tables.push_back(table);
      stack.pop_back();
    }
  }
  std::vector<std::size_t> position(count);
  for (std::size_t i = 0; i < order.Tables.size(); ++i) position[order.Tables[i]] = i;
  for (const Dependency& d : dependencies) {
    order.Later.push_back(d.Table < count && d.References < count &&
                          position[d.References] > position[d.Table]);
  }
  return order;
}

}  // namespace tabulon::migrate
