#include <outputs/RelationGraph.h>

#include <map>
#include <numeric>
#include <set>

#include <text/TextCompare.h>

namespace tabulon::outputs {

namespace {

using NameSet = std::set<std::string, NoCaseLess>;

// The primary-key fields of `table`.
NameSet PrimaryFields(const schema::Table& table) {
  NameSet names;
  if (!table.Indexes.Ok()) return names;
  for (const auto& index : *table.Indexes) {
    if (!index.Ok() || !index->Primary.ValueOr(false) || !index->Fields.Ok()) continue;
    for (const auto& field : *index->Fields) {
      if (field.Ok() && field->Name.Ok()) names.insert(*field->Name);
    }
  }
  return names;
}

std::size_t Root(std::vector<std::size_t>& parent, std::size_t at) {
  while (parent[at] != at) at = parent[at] = parent[parent[at]];
  return at;
}

}  // namespace

RelationGraph BuildRelationGraph(const schema::Database& database, bool everyTable) {
  RelationGraph graph;
  // Which tables take part, and which of their fields relationships refer from.
  std::map<std::string, NameSet, NoCaseLess> foreignFields;
  if (everyTable && database.Tables.Ok()) {
    for (const auto& table : *database.Tables) {
      if (table.Ok() && table->Name.Ok() && !schema::IsSystemTable(*table))
        foreignFields[*table->Name];
    }
  }
  const std::vector<schema::Member<schema::Relation>> none;
  for (const auto& relation : database.Relations.Ok() ? *database.Relations : none) {
    if (!relation.Ok() || !relation->Table.Ok() || !relation->ForeignTable.Ok()) continue;
    foreignFields[*relation->Table];
    NameSet& fields = foreignFields[*relation->ForeignTable];
    if (!relation->Fields.Ok()) continue;
    for (const auto& pair : *relation->Fields) {
      if (pair.Ok() && pair->ForeignName.Ok()) fields.insert(*pair->ForeignName);
    }
  }
  std::map<std::string, std::size_t, NoCaseLess> position;
  if (database.Tables.Ok()) {
    for (const auto& table : *database.Tables) {
      if (!table.Ok() || !table->Name.Ok()) continue;
      const auto found = foreignFields.find(*table->Name);
      if (found == foreignFields.end() || position.contains(*table->Name)) continue;
      GraphTable drawn{*table->Name, {}};
      const NameSet primary = PrimaryFields(*table);
      if (table->Fields.Ok()) {
        for (const auto& field : *table->Fields) {
          if (!field.Ok() || !field->Name.Ok()) continue;
          const bool isPrimary = primary.contains(*field->Name);
          const bool isForeign = found->second.contains(*field->Name);
          if (!isPrimary && !isForeign) continue;
          drawn.Columns.push_back({*field->Name, field->Type.ValueOr(0), isPrimary, isForeign});
        }
      }
      position.emplace(drawn.Name, graph.Tables.size());
      graph.Tables.push_back(std::move(drawn));
    }
  }
  for (const auto& [name, fields] : foreignFields) {
    if (position.contains(name)) continue;
    position.emplace(name, graph.Tables.size());
    graph.Tables.push_back({name, {}});
  }
  for (const auto& relation : database.Relations.Ok() ? *database.Relations : none) {
    if (!relation.Ok() || !relation->Table.Ok() || !relation->ForeignTable.Ok()) continue;
    GraphEdge edge;
    edge.Name = relation->Name.ValueOr("");
    edge.Table = position.at(*relation->Table);
    edge.ForeignTable = position.at(*relation->ForeignTable);
    edge.Attributes = relation->Attributes.ValueOr(0);
    if (relation->Fields.Ok()) {
      for (const auto& pair : *relation->Fields) {
        if (pair.Ok())
          edge.Fields.push_back({pair->Name.ValueOr(""), pair->ForeignName.ValueOr("")});
      }
    }
    graph.Edges.push_back(std::move(edge));
  }
  return graph;
}

std::vector<RelationGraph> ConnectedGroups(const RelationGraph& graph) {
  std::vector<std::size_t> parent(graph.Tables.size());
  std::iota(parent.begin(), parent.end(), std::size_t{0});
  for (const GraphEdge& edge : graph.Edges) {
    parent[Root(parent, edge.Table)] = Root(parent, edge.ForeignTable);
  }
  std::vector<RelationGraph> groups;
  std::map<std::size_t, std::size_t> groupOfRoot;
  std::vector<std::size_t> newIndex(graph.Tables.size());
  for (std::size_t i = 0; i < graph.Tables.size(); ++i) {
    const auto [at, added] = groupOfRoot.emplace(Root(parent, i), groups.size());
    if (added) groups.emplace_back();
    newIndex[i] = groups[at->second].Tables.size();
    groups[at->second].Tables.push_back(graph.Tables[i]);
  }
  for (const GraphEdge& edge : graph.Edges) {
    GraphEdge moved = edge;
    moved.Table = newIndex[edge.Table];
    moved.ForeignTable = newIndex[edge.ForeignTable];
    groups[groupOfRoot.at(Root(parent, edge.Table))].Edges.push_back(std::move(moved));
  }
  return groups;
}

}  // namespace tabulon::outputs
