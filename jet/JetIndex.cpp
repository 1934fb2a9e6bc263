#include <jet/JetIndex.h>

namespace tabulon::jet {

JetRelation::JetRelation(const Relationship& relationship)
    : FName(relationship.Name),
      FTable(relationship.ReferencedTable),
      FForeignTable(relationship.ReferencingTable),
      FAttributes(relationship.Attributes),
      FFields(NewFieldList()) {
  for (const RelationshipColumn& column : relationship.Columns) {
    FFields->Add(std::make_unique<NameField>(column.Referenced, column.Referencing, 0));
  }
}

}  // namespace tabulon::jet
