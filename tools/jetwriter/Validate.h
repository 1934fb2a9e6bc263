#pragma once

#include <tools/jetwriter/Schema.h>

namespace tabulon::jetwriter {

// Checks everything about a description that does not need its rows: names
// (non-empty, at most 64 characters, unique where the engine needs it, none
// of . ! ` [ ] or control characters, no leading space), types and sizes,
// index and relationship columns, relationship attributes and the unique
// index an enforced relationship needs on its referenced table, the
// password. Throws SchemaError for the first problem found.
void ValidateSchema(const Database& db);

// The relationship attribute bits the writer accepts.
inline constexpr std::int32_t KnownRelationAttributes =
    dao::dbRelationUnique | dao::dbRelationDontEnforce | dao::dbRelationInherited |
    dao::dbRelationUpdateCascade | dao::dbRelationDeleteCascade | dao::dbRelationCascadeNull |
    dao::dbRelationLeft | dao::dbRelationRight;

}  // namespace tabulon::jetwriter
