#pragma once
// Reads a database's whole schema through the object model, once.

#include <dao/ObjectModel.h>
#include <schema/Schema.h>

namespace tabulon::schema {

// Every table (with its fields, indexes and properties), every relation and
// the database's properties, in the engine's order. Never throws for a
// member that fails: its failure is kept in its place (schema/Schema.h).
// Reads no rows but those of the engine's own tables that say where complex
// fields keep their values, and those only when a table has such a field.
Database ReadSchema(dao::Database& database);

// The database's containers and the number of objects in each.
List<ContainerCount> ReadContainerCounts(dao::Database& database);

}  // namespace tabulon::schema
