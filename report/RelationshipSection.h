#pragma once
// The last part of a database's section: one small layout table per
// relation, primary table and fields, an "FK" marker, the foreign table with
// the fields of its index named like the relation, and the attributes.

#include <report/ReportContext.h>

namespace tabulon {

// Writes the heading and every relation of the open database. The count of
// relations, the count of a relation's fields and the whole foreign side are
// guarded; any other failure propagates.
void WriteRelationshipSection(ReportContext& context);

}  // namespace tabulon
