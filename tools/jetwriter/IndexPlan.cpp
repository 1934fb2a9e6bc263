#include <tools/jetwriter/IndexPlan.h>

#include <set>

#include <fmt/format.h>

#include <jet/JetFormat.h>
#include <tools/jetwriter/SchemaError.h>

namespace tabulon::jetwriter {

namespace {

std::uint8_t RealFlags(const Index& index) {
  std::uint8_t flags = jet::IndexJet4Always;
  if (index.Primary || index.Unique) flags |= jet::IndexUnique;
  if (index.Primary || index.Required) flags |= jet::IndexRequired;
  if (index.IgnoreNulls) flags |= jet::IndexIgnoreNulls;
  return flags;
}

std::vector<int> Positions(const RealIndexPlan& real) {
  std::vector<int> positions;
  for (const RealIndexColumn& column : real.Columns) positions.push_back(column.Column);
  return positions;
}

// ".rB", ".rC", ... ".rZ", ".rBA", ...: the referenced side's internal names.
std::string ReferenceIndexName(int ordinal) {
  std::string letters;
  int n = ordinal + 1;
  do {
    letters.insert(letters.begin(), static_cast<char>('A' + n % 26));
    n /= 26;
  } while (n > 0);
  return ".r" + letters;
}

}  // namespace

std::vector<TableIndexPlan> PlanIndexes(const Database& db, const TablesByName& tables) {
  std::vector<TableIndexPlan> plans(db.Tables.size());
  for (std::size_t t = 0; t < db.Tables.size(); ++t) {
    const Table& table = db.Tables[t];
    for (std::size_t i = 0; i < table.Indexes.size(); ++i) {
      const Index& index = table.Indexes[i];
      RealIndexPlan real;
      real.Flags = RealFlags(index);
      for (const IndexColumn& column : index.Columns) {
        real.Columns.push_back({FindColumn(table, column.Name), column.Descending});
      }
      plans[t].Real.push_back(real);
      LogicalIndexPlan logical;
      logical.Name = index.Name;
      logical.Real = static_cast<int>(i);
      logical.Type = index.Primary ? jet::IndexPrimaryKey : jet::IndexNormal;
      logical.UserIndex = static_cast<int>(i);
      plans[t].Logical.push_back(logical);
    }
  }

  std::vector<int> referenceNames(db.Tables.size(), 0);
  for (std::size_t r = 0; r < db.Relationships.size(); ++r) {
    const Relationship& relation = db.Relationships[r];
    if ((relation.Attributes & dao::dbRelationDontEnforce) != 0) continue;
    const int p = tables.at(relation.Table);
    const int f = tables.at(relation.ForeignTable);
    const Table& one = db.Tables[static_cast<std::size_t>(p)];
    const Table& many = db.Tables[static_cast<std::size_t>(f)];
    std::set<int> primaryColumns;
    std::vector<int> foreignColumns;
    for (const RelationColumn& pair : relation.Columns) {
      primaryColumns.insert(FindColumn(one, pair.Name));
      foreignColumns.push_back(FindColumn(many, pair.ForeignName));
    }
    TableIndexPlan& onePlan = plans[static_cast<std::size_t>(p)];
    TableIndexPlan& manyPlan = plans[static_cast<std::size_t>(f)];

    // The referenced side shares its primary key, else a unique index, on
    // the same set of columns; user index i is real index i.
    const int shared = FindKeyIndexOn(one, primaryColumns);

    // The referencing side shares an index on exactly its columns, or gets one.
    int own = -1;
    for (std::size_t i = 0; i < manyPlan.Real.size() && own < 0; ++i) {
      if (Positions(manyPlan.Real[i]) == foreignColumns) own = static_cast<int>(i);
    }
    if (own < 0) {
      RealIndexPlan real;
      real.Flags = jet::IndexJet4Always;
      for (const int column : foreignColumns) real.Columns.push_back({column, false});
      manyPlan.Real.push_back(real);
      own = static_cast<int>(manyPlan.Real.size()) - 1;
    }

    const std::uint8_t cascadeUpdate =
        (relation.Attributes & dao::dbRelationUpdateCascade) != 0 ? 1 : 0;
    const std::uint8_t deleteAction = (relation.Attributes & dao::dbRelationDeleteCascade) != 0 ? 1
                                      : (relation.Attributes & dao::dbRelationCascadeNull) != 0 ? 2
                                                                                                : 0;
    LogicalIndexPlan manySide;
    manySide.Name = relation.Name;
    manySide.Real = own;
    manySide.Type = jet::IndexForeignKey;
    manySide.Relationship = static_cast<int>(r);
    manySide.Side = 2;
    manySide.OtherTable = p;
    manySide.CascadeUpdate = cascadeUpdate;
    manySide.DeleteAction = deleteAction;
    manyPlan.Logical.push_back(manySide);
    const int manyNumber = static_cast<int>(manyPlan.Logical.size()) - 1;

    LogicalIndexPlan oneSide = manySide;
    oneSide.Name = ReferenceIndexName(referenceNames[static_cast<std::size_t>(p)]++);
    oneSide.Real = shared;
    oneSide.Side = 1;
    oneSide.OtherTable = f;
    oneSide.OtherIndex = manyNumber;
    onePlan.Logical.push_back(oneSide);
    // A relationship of a table with itself puts both entries in one plan.
    plans[static_cast<std::size_t>(f)].Logical[static_cast<std::size_t>(manyNumber)].OtherIndex =
        static_cast<int>(onePlan.Logical.size()) - 1;
  }

  for (std::size_t t = 0; t < plans.size(); ++t) {
    if (plans[t].Logical.size() > MaxIndexesPerTable) {
      throw SchemaError(fmt::format(
          "table \"{}\": {} indexes with those of its relationships; a table holds at most {}",
          db.Tables[t].Name, plans[t].Logical.size(), MaxIndexesPerTable));
    }
  }
  return plans;
}

}  // namespace tabulon::jetwriter
