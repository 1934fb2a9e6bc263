#include <dao/QueryJoins.h>

#include <stdexcept>

#include <text/TextCompare.h>

namespace tabulon::dao {

namespace {

class Builder {
 public:
  FromTree Build(const std::vector<std::string>& tableKeys, const std::vector<FromJoin>& joins) {
    for (std::size_t i = 0; i < tableKeys.size(); ++i) FTree.Top.push_back(Simple(tableKeys[i], i));
    if (joins.size() > MaxFromJoins) throw std::invalid_argument("結合が多すぎます");
    for (const FromJoin& join : joins) Join(join);
    return std::move(FTree);
  }

 private:
  std::size_t Simple(const std::string& key, std::optional<std::size_t> table) {
    FromNode node;
    node.Key = key;
    node.Table = table;
    FTree.Nodes.push_back(std::move(node));
    return FTree.Nodes.size() - 1;
  }

  // Joins nest at most MaxFromJoins deep, so the walk is bounded.
  bool Contains(std::size_t node, const std::string& name) const {
    std::vector<std::size_t> pending{node};
    while (!pending.empty()) {
      const FromNode& n = FTree.Nodes[pending.back()];
      pending.pop_back();
      if (!n.IsJoin) {
        if (EqualsNoCase(n.Key, name)) return true;
        continue;
      }
      pending.push_back(n.Left);
      pending.push_back(n.Right);
    }
    return false;
  }

  void Join(const FromJoin& join) {
    std::optional<std::size_t> from, to;
    auto& top = FTree.Top;
    for (auto it = top.begin(); it != top.end() && (!from || !to);) {
      if (!from && Contains(*it, join.Left)) {
        from = *it;
        // Both names already in one join: the condition joins it.
        if (!to && Contains(*it, join.Right)) {
          to = *it;
          break;
        }
        it = top.erase(it);
      } else if (!to && Contains(*it, join.Right)) {
        to = *it;
        it = top.erase(it);
      } else {
        ++it;
      }
    }
    if (!from) from = Simple(join.Left, std::nullopt);
    if (!to) to = Simple(join.Right, std::nullopt);
    if (*from == *to) {
      FromNode& same = FTree.Nodes[*from];
      if (!same.IsJoin || same.Type != join.Type) {
        throw std::invalid_argument("'" + join.Left + "' と '" + join.Right +
                                    "' の結合の種類が食い違っています");
      }
      same.On.insert(same.On.begin(), join.On);
      return;
    }
    FromNode node;
    node.IsJoin = true;
    node.Left = *from;
    node.Right = *to;
    node.Type = join.Type;
    node.On.push_back(join.On);
    FTree.Nodes.push_back(std::move(node));
    top.push_back(FTree.Nodes.size() - 1);
  }

  FromTree FTree;
};

}  // namespace

FromTree BuildFromTree(const std::vector<std::string>& tableKeys,
                       const std::vector<FromJoin>& joins) {
  return Builder().Build(tableKeys, joins);
}

}  // namespace tabulon::dao
