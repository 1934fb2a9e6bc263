#include <outputs/SchemaDiff.h>

#include <map>
#include <utility>

#include <dao/ObjectModel.h>
#include <text/TextCompare.h>

namespace tabulon::outputs {

namespace {

// One object's members as (name, text) in a fixed order.
using Members = std::vector<std::pair<std::string, std::string>>;

template <class T, class F>
std::string Shown(const schema::Member<T>& member, F&& show) {
  return member.Ok() ? show(*member) : "(unreadable: " + member.Error() + ")";
}

std::string Text(const schema::Member<std::string>& member) {
  return Shown(member, [](const std::string& text) { return text; });
}

std::string YesNo(const schema::Member<bool>& member) {
  return Shown(member, [](bool value) { return std::string(value ? "yes" : "no"); });
}

std::string Number(const schema::Member<std::int64_t>& member) {
  return Shown(member, [](std::int64_t value) { return std::to_string(value); });
}

std::string VariantText(const schema::Member<dao::Variant>& member) {
  return Shown(member, [](const dao::Variant& value) { return dao::VariantToText(value); });
}

std::string Description(const schema::PropertyList& properties) {
  const auto text = schema::PropertyText(properties, "Description");
  if (!text.Ok()) return "(unreadable: " + text.Error() + ")";
  return text->value_or("");
}

std::string PropertyOrEmpty(const schema::PropertyList& properties, std::string_view name) {
  const auto text = schema::PropertyText(properties, name);
  if (!text.Ok()) return "(unreadable: " + text.Error() + ")";
  return text->value_or("");
}

// The items of a list that could be read and have a name, by name.
template <class T>
std::vector<const T*> Named(const schema::List<T>& list) {
  std::vector<const T*> items;
  if (!list.Ok()) return items;
  for (const auto& item : *list) {
    if (item.Ok() && item->Name.Ok()) items.push_back(&*item);
  }
  return items;
}

template <class T>
const T* FindNamed(const std::vector<const T*>& items, const std::string& name) {
  for (const T* item : items) {
    if (EqualsNoCase(*item->Name, name)) return item;
  }
  return nullptr;
}

std::vector<MemberChange> Compare(const Members& old, const Members& now) {
  std::vector<MemberChange> changes;
  for (std::size_t i = 0; i < old.size() && i < now.size(); ++i) {
    if (old[i].second != now[i].second)
      changes.push_back({old[i].first, old[i].second, now[i].second});
  }
  return changes;
}

Members TableMembers(const schema::Table& table) {
  return {{"attributes",
           Shown(table.Attributes, [](std::int32_t bits) { return TableAttributesText(bits); })},
          {"validationRule", Text(table.ValidationRule)},
          {"validationText", Text(table.ValidationText)},
          {"description", Description(table.Properties)},
          {"connect", PropertyOrEmpty(table.Properties, "Connect")},
          {"sourceTableName", PropertyOrEmpty(table.Properties, "SourceTableName")}};
}

Members FieldMembers(const schema::Field& field, const Wording& words) {
  return {{"type", Shown(field.Type, [&](std::int32_t type) { return words.FieldTypeText(type); })},
          {"size", Number(field.Size)},
          {"attributes", Shown(field.Attributes,
                               [&](std::int32_t bits) { return words.FieldAttributesText(bits); })},
          {"required", YesNo(field.Required)},
          {"allowZeroLength", YesNo(field.AllowZeroLength)},
          {"defaultValue", VariantText(field.DefaultValue)},
          {"validationRule", Text(field.ValidationRule)},
          {"validationText", Text(field.ValidationText)},
          {"description", Description(field.Properties)}};
}

std::string IndexFields(const schema::Index& index) {
  if (!index.Fields.Ok()) return "(unreadable: " + index.Fields.Error() + ")";
  std::string out;
  for (const auto& field : *index.Fields) {
    if (!out.empty()) out += ", ";
    if (!field.Ok()) {
      out += "(unreadable: " + field.Error() + ")";
      continue;
    }
    out += Text(field->Name);
    if (field->Descending.ValueOr(false)) out += " DESC";
  }
  return out;
}

Members IndexMembers(const schema::Index& index) {
  return {{"fields", IndexFields(index)},
          {"primary", YesNo(index.Primary)},
          {"unique", YesNo(index.Unique)}};
}

std::string RelationPairs(const schema::Relation& relation, bool foreign) {
  if (!relation.Fields.Ok()) return "(unreadable: " + relation.Fields.Error() + ")";
  std::string out;
  for (const auto& pair : *relation.Fields) {
    if (!out.empty()) out += ", ";
    out += pair.Ok() ? Text(foreign ? pair->ForeignName : pair->Name)
                     : "(unreadable: " + pair.Error() + ")";
  }
  return out;
}

std::string Bit(const schema::Member<std::int32_t>& attributes, std::int32_t bit, bool set) {
  return Shown(attributes, [&](std::int32_t bits) {
    return std::string(((bits & bit) != 0) == set ? "yes" : "no");
  });
}

std::string Join(const schema::Member<std::int32_t>& attributes) {
  return Shown(attributes, [](std::int32_t bits) {
    if ((bits & dao::dbRelationLeft) != 0) return std::string("left");
    if ((bits & dao::dbRelationRight) != 0) return std::string("right");
    return std::string("inner");
  });
}

Members RelationMembers(const schema::Relation& relation) {
  const auto& bits = relation.Attributes;
  return {{"table", Text(relation.Table)},
          {"fields", RelationPairs(relation, false)},
          {"foreignTable", Text(relation.ForeignTable)},
          {"foreignFields", RelationPairs(relation, true)},
          {"enforced", Bit(bits, dao::dbRelationDontEnforce, false)},
          {"unique", Bit(bits, dao::dbRelationUnique, true)},
          {"cascadeUpdate", Bit(bits, dao::dbRelationUpdateCascade, true)},
          {"cascadeDelete", Bit(bits, dao::dbRelationDeleteCascade, true)},
          {"cascadeNull", Bit(bits, dao::dbRelationCascadeNull, true)},
          {"join", Join(bits)}};
}

std::string QueryParameters(const schema::Query& query, const Wording& words) {
  if (!query.Parameters.Ok()) return "(unreadable: " + query.Parameters.Error() + ")";
  std::string out;
  for (const auto& parameter : *query.Parameters) {
    if (!out.empty()) out += ", ";
    if (!parameter.Ok()) {
      out += "(unreadable: " + parameter.Error() + ")";
      continue;
    }
    out += Text(parameter->Name) + " " +
           Shown(parameter->Type, [&](std::int32_t type) { return words.ParameterTypeText(type); });
  }
  return out;
}

Members QueryMembers(const schema::Query& query, const Wording& words) {
  return {{"type", Shown(query.Type, [&](std::int32_t type) { return words.QueryTypeText(type); })},
          {"parameters", QueryParameters(query, words)},
          {"connect", Text(query.Connect)},
          {"sql", Text(query.Sql)}};
}

// Walks two lists by name: `changed` for those in both, `added` and
// `removed` for the others, in the order of `now` and then of `old`.
template <class T, class Both, class Added, class Removed>
void Match(const std::vector<const T*>& old, const std::vector<const T*>& now, Both&& both,
           Added&& added, Removed&& removed) {
  for (const T* item : now) {
    if (const T* before = FindNamed(old, *item->Name)) {
      both(*before, *item);
    } else {
      added(*item);
    }
  }
  for (const T* item : old) {
    if (!FindNamed(now, *item->Name)) removed(*item);
  }
}

std::vector<const schema::Table*> UserTables(const schema::Database& database) {
  std::vector<const schema::Table*> tables;
  for (const schema::Table* table : Named(database.Tables)) {
    if (!schema::IsSystemTable(*table)) tables.push_back(table);
  }
  return tables;
}

}  // namespace

std::string_view ChangeKindName(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::Added:
      return "added";
    case ChangeKind::Removed:
      return "removed";
    case ChangeKind::Changed:
      break;
  }
  return "changed";
}

std::vector<SchemaChange> DiffSchemas(const schema::Database& old, const schema::Database& now,
                                      const Wording& words) {
  std::vector<SchemaChange> changes;
  const auto record = [&](ChangeKind kind, std::string object, std::string table, std::string name,
                          std::string detail, std::vector<MemberChange> members = {}) {
    changes.push_back({kind, std::move(object), std::move(table), std::move(name),
                       std::move(detail), std::move(members)});
  };
  const auto changedIf = [&](std::string object, std::string table, std::string name,
                             std::vector<MemberChange> members) {
    if (!members.empty())
      record(ChangeKind::Changed, std::move(object), std::move(table), std::move(name), "",
             std::move(members));
  };
  const auto fieldDetail = [&](const schema::Field& field) {
    return Shown(field.Type, [&](std::int32_t type) { return words.FieldTypeText(type); }) + ", " +
           Number(field.Size);
  };
  const auto relationDetail = [](const schema::Relation& relation) {
    return Text(relation.Table) + "(" + RelationPairs(relation, false) + ") -> " +
           Text(relation.ForeignTable) + "(" + RelationPairs(relation, true) + ")";
  };

  Match(
      UserTables(old), UserTables(now),
      [&](const schema::Table& before, const schema::Table& after) {
        const std::string& table = *after.Name;
        changedIf("table", "", table, Compare(TableMembers(before), TableMembers(after)));
        Match(
            Named(before.Fields), Named(after.Fields),
            [&](const schema::Field& a, const schema::Field& b) {
              changedIf("field", table, *b.Name,
                        Compare(FieldMembers(a, words), FieldMembers(b, words)));
            },
            [&](const schema::Field& field) {
              record(ChangeKind::Added, "field", table, *field.Name, fieldDetail(field));
            },
            [&](const schema::Field& field) {
              record(ChangeKind::Removed, "field", table, *field.Name, fieldDetail(field));
            });
        Match(
            Named(before.Indexes), Named(after.Indexes),
            [&](const schema::Index& a, const schema::Index& b) {
              changedIf("index", table, *b.Name, Compare(IndexMembers(a), IndexMembers(b)));
            },
            [&](const schema::Index& index) {
              record(ChangeKind::Added, "index", table, *index.Name, IndexFields(index));
            },
            [&](const schema::Index& index) {
              record(ChangeKind::Removed, "index", table, *index.Name, IndexFields(index));
            });
      },
      [&](const schema::Table& table) { record(ChangeKind::Added, "table", "", *table.Name, ""); },
      [&](const schema::Table& table) {
        record(ChangeKind::Removed, "table", "", *table.Name, "");
      });

  Match(
      Named(old.Relations), Named(now.Relations),
      [&](const schema::Relation& a, const schema::Relation& b) {
        changedIf("relationship", "", *b.Name, Compare(RelationMembers(a), RelationMembers(b)));
      },
      [&](const schema::Relation& relation) {
        record(ChangeKind::Added, "relationship", "", *relation.Name, relationDetail(relation));
      },
      [&](const schema::Relation& relation) {
        record(ChangeKind::Removed, "relationship", "", *relation.Name, relationDetail(relation));
      });

  Match(
      Named(old.Queries), Named(now.Queries),
      [&](const schema::Query& a, const schema::Query& b) {
        changedIf("query", "", *b.Name, Compare(QueryMembers(a, words), QueryMembers(b, words)));
      },
      [&](const schema::Query& query) {
        record(ChangeKind::Added, "query", "", *query.Name,
               Shown(query.Type, [&](std::int32_t type) { return words.QueryTypeText(type); }));
      },
      [&](const schema::Query& query) {
        record(ChangeKind::Removed, "query", "", *query.Name,
               Shown(query.Type, [&](std::int32_t type) { return words.QueryTypeText(type); }));
      });
  return changes;
}

}  // namespace tabulon::outputs
