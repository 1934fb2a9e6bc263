#include <outputs/SchemaDiff.h>

#include <map>
#include <utility>

#include <dao/ObjectModel.h>
#include <text/TextCompare.h>

namespace tabulon::outputs {

namespace {

// A member's text as the diff shows it, or why it could not be read.
using Text = schema::Member<std::string>;

// One member as the diff compares it: its name, its text and, for a
// worded one, the code behind the words.
struct MemberValue {
  std::string Name;
  Text Shown;
  std::optional<std::int32_t> Code = std::nullopt;
};

// One object's members in a fixed order.
using Members = std::vector<MemberValue>;

std::optional<std::int32_t> Code(const schema::Member<std::int32_t>& member) {
  return member.Ok() ? std::optional<std::int32_t>(*member) : std::nullopt;
}

template <class T, class F>
Text Shown(const schema::Member<T>& member, F&& show) {
  if (!member.Ok()) return schema::Failure{member.Error()};
  return Text(show(*member));
}

Text YesNo(const schema::Member<bool>& member) {
  return Shown(member, [](bool value) { return std::string(value ? "yes" : "no"); });
}

Text Number(const schema::Member<std::int64_t>& member) {
  return Shown(member, [](std::int64_t value) { return std::to_string(value); });
}

Text VariantText(const schema::Member<dao::Variant>& member) {
  return Shown(member, [](const dao::Variant& value) { return dao::VariantToText(value); });
}

Text PropertyOrEmpty(const schema::PropertyList& properties, std::string_view name) {
  const auto text = schema::PropertyText(properties, name);
  if (!text.Ok()) return schema::Failure{text.Error()};
  return Text(text->value_or(""));
}

// The texts of a list's items joined by ", "; the first failure, of the
// list or of an item, fails the whole.
template <class T, class F>
Text Joined(const schema::List<T>& list, F&& show) {
  if (!list.Ok()) return schema::Failure{list.Error()};
  std::string out;
  for (const auto& item : *list) {
    if (!item.Ok()) return schema::Failure{item.Error()};
    const Text part = show(*item);
    if (!part.Ok()) return part;
    if (!out.empty()) out += ", ";
    out += *part;
  }
  return Text(std::move(out));
}

// Collects what could not be read, with where it was.
class Gaps {
 public:
  explicit Gaps(std::vector<UnreadablePart>& parts) : FParts(parts) {}

  void Add(DiffSide side, std::string what, const std::string& error) {
    FParts.push_back({side, std::move(what), error});
  }

  // The text, or the failure in brackets once it has been recorded.
  std::string Flat(DiffSide side, const std::string& what, const Text& text) {
    if (text.Ok()) return *text;
    Add(side, what, text.Error());
    return "(unreadable: " + text.Error() + ")";
  }

 private:
  std::vector<UnreadablePart>& FParts;
};

// The items of a list that could be read and have a name; Whole is false
// when the list, an item or a name could not be read.
template <class T>
struct NamedItems {
  std::vector<const T*> Items;
  bool Whole = true;
};

template <class T>
NamedItems<T> Named(const schema::List<T>& list, DiffSide side, const std::string& what,
                    Gaps& gaps) {
  NamedItems<T> named;
  if (!list.Ok()) {
    gaps.Add(side, what, list.Error());
    named.Whole = false;
    return named;
  }
  for (std::size_t i = 0; i < list->size(); ++i) {
    const auto& item = (*list)[i];
    const std::string& error = !item.Ok() ? item.Error() : item->Name.Error();
    if (item.Ok() && item->Name.Ok()) {
      named.Items.push_back(&*item);
    } else {
      gaps.Add(side, what + " #" + std::to_string(i + 1), error);
      named.Whole = false;
    }
  }
  return named;
}

template <class T>
const T* FindNamed(const std::vector<const T*>& items, const std::string& name) {
  for (const T* item : items) {
    if (EqualsNoCase(*item->Name, name)) return item;
  }
  return nullptr;
}

// The members that differ; a member unreadable on a side is recorded and
// not compared.
std::vector<MemberChange> Compare(const Members& old, const Members& now, const std::string& what,
                                  Gaps& gaps) {
  std::vector<MemberChange> changes;
  for (std::size_t i = 0; i < old.size() && i < now.size(); ++i) {
    const Text& before = old[i].Shown;
    const Text& after = now[i].Shown;
    if (!before.Ok()) gaps.Add(DiffSide::Old, what + " " + old[i].Name, before.Error());
    if (!after.Ok()) gaps.Add(DiffSide::New, what + " " + now[i].Name, after.Error());
    if (before.Ok() && after.Ok() && *before != *after)
      changes.push_back({old[i].Name, *before, *after, old[i].Code, now[i].Code});
  }
  return changes;
}

Members TableMembers(const schema::Table& table) {
  return {{"attributes",
           Shown(table.Attributes, [](std::int32_t bits) { return TableAttributesText(bits); }),
           Code(table.Attributes)},
          {"validationRule", table.ValidationRule},
          {"validationText", table.ValidationText},
          {"description", PropertyOrEmpty(table.Properties, "Description")},
          {"connect", PropertyOrEmpty(table.Properties, "Connect")},
          {"sourceTableName", PropertyOrEmpty(table.Properties, "SourceTableName")}};
}

Members FieldMembers(const schema::Field& field, const Wording& words) {
  return {
      {"type", Shown(field.Type, [&](std::int32_t type) { return words.FieldTypeText(type); }),
       Code(field.Type)},
      {"size", Number(field.Size)},
      {"attributes",
       Shown(field.Attributes, [&](std::int32_t bits) { return words.FieldAttributesText(bits); }),
       Code(field.Attributes)},
      {"required", YesNo(field.Required)},
      {"allowZeroLength", YesNo(field.AllowZeroLength)},
      {"defaultValue", VariantText(field.DefaultValue)},
      {"validationRule", field.ValidationRule},
      {"validationText", field.ValidationText},
      {"description", PropertyOrEmpty(field.Properties, "Description")}};
}

Text IndexFields(const schema::Index& index) {
  return Joined(index.Fields, [](const schema::IndexField& field) -> Text {
    if (!field.Name.Ok()) return field.Name;
    return Text(*field.Name + (field.Descending.ValueOr(false) ? " DESC" : ""));
  });
}

Members IndexMembers(const schema::Index& index) {
  return {{"fields", IndexFields(index)},
          {"primary", YesNo(index.Primary)},
          {"unique", YesNo(index.Unique)}};
}

Text RelationPairs(const schema::Relation& relation, bool foreign) {
  return Joined(relation.Fields, [&](const schema::RelationField& pair) {
    return foreign ? pair.ForeignName : pair.Name;
  });
}

Text Bit(const schema::Member<std::int32_t>& attributes, std::int32_t bit, bool set) {
  return Shown(attributes, [&](std::int32_t bits) {
    return std::string(((bits & bit) != 0) == set ? "yes" : "no");
  });
}

Text Join(const schema::Member<std::int32_t>& attributes) {
  return Shown(attributes, [](std::int32_t bits) {
    if ((bits & dao::dbRelationLeft) != 0) return std::string("left");
    if ((bits & dao::dbRelationRight) != 0) return std::string("right");
    return std::string("inner");
  });
}

Members RelationMembers(const schema::Relation& relation) {
  const auto& bits = relation.Attributes;
  return {{"table", relation.Table},
          {"fields", RelationPairs(relation, false)},
          {"foreignTable", relation.ForeignTable},
          {"foreignFields", RelationPairs(relation, true)},
          {"enforced", Bit(bits, dao::dbRelationDontEnforce, false)},
          {"unique", Bit(bits, dao::dbRelationUnique, true)},
          {"cascadeUpdate", Bit(bits, dao::dbRelationUpdateCascade, true)},
          {"cascadeDelete", Bit(bits, dao::dbRelationDeleteCascade, true)},
          {"cascadeNull", Bit(bits, dao::dbRelationCascadeNull, true)},
          {"join", Join(bits)}};
}

Text QueryParameters(const schema::Query& query, const Wording& words) {
  return Joined(query.Parameters, [&](const schema::Parameter& parameter) -> Text {
    if (!parameter.Name.Ok()) return parameter.Name;
    const Text type =
        Shown(parameter.Type, [&](std::int32_t code) { return words.ParameterTypeText(code); });
    if (!type.Ok()) return type;
    return Text(*parameter.Name + " " + *type);
  });
}

Members QueryMembers(const schema::Query& query, const Wording& words) {
  return {{"type", Shown(query.Type, [&](std::int32_t type) { return words.QueryTypeText(type); }),
           Code(query.Type)},
          {"parameters", QueryParameters(query, words)},
          {"connect", query.Connect},
          {"sql", query.Sql}};
}

// Walks two lists by name: `changed` for those in both, `added` and
// `removed` for the others, in the order of `now` and then of `old`. An
// item missing from a list that was not read whole may be among what
// could not be read, so it is neither added nor removed.
template <class T, class Both, class Added, class Removed>
void Match(const NamedItems<T>& old, const NamedItems<T>& now, Both&& both, Added&& added,
           Removed&& removed) {
  for (const T* item : now.Items) {
    if (const T* before = FindNamed(old.Items, *item->Name)) {
      both(*before, *item);
    } else if (old.Whole) {
      added(*item);
    }
  }
  if (!now.Whole) return;
  for (const T* item : old.Items) {
    if (!FindNamed(now.Items, *item->Name)) removed(*item);
  }
}

NamedItems<schema::Table> UserTables(const schema::Database& database, DiffSide side, Gaps& gaps) {
  NamedItems<schema::Table> tables = Named(database.Tables, side, "tables", gaps);
  std::erase_if(tables.Items,
                [](const schema::Table* table) { return schema::IsSystemTable(*table); });
  return tables;
}

// The relationships between user tables: those Access keeps between its
// own system tables are left out, as the system tables are.
NamedItems<schema::Relation> UserRelations(const schema::Database& database, DiffSide side,
                                           Gaps& gaps) {
  NamedItems<schema::Relation> relations = Named(database.Relations, side, "relationships", gaps);
  const auto isSystem = [&](const schema::Member<std::string>& name) {
    const schema::Table* table = name.Ok() ? schema::FindTable(database, *name) : nullptr;
    return table != nullptr && schema::IsSystemTable(*table);
  };
  std::erase_if(relations.Items, [&](const schema::Relation* relation) {
    return isSystem(relation->Table) || isSystem(relation->ForeignTable);
  });
  return relations;
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

SchemaDiff DiffSchemas(const schema::Database& old, const schema::Database& now,
                       const Wording& words) {
  SchemaDiff diff;
  std::vector<SchemaChange>& changes = diff.Changes;
  Gaps gaps(diff.Unreadable);
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
  const auto sideOf = [](ChangeKind kind) {
    return kind == ChangeKind::Removed ? DiffSide::Old : DiffSide::New;
  };
  const auto fieldDetail = [&](ChangeKind kind, const std::string& what,
                               const schema::Field& field) {
    const DiffSide side = sideOf(kind);
    return gaps.Flat(
               side, what + " type",
               Shown(field.Type, [&](std::int32_t type) { return words.FieldTypeText(type); })) +
           ", " + gaps.Flat(side, what + " size", Number(field.Size));
  };
  const auto relationDetail = [&](ChangeKind kind, const schema::Relation& relation) {
    const DiffSide side = sideOf(kind);
    const std::string what = "relationship " + *relation.Name;
    return gaps.Flat(side, what + " table", relation.Table) + "(" +
           gaps.Flat(side, what + " fields", RelationPairs(relation, false)) + ") -> " +
           gaps.Flat(side, what + " foreignTable", relation.ForeignTable) + "(" +
           gaps.Flat(side, what + " foreignFields", RelationPairs(relation, true)) + ")";
  };
  const auto queryDetail = [&](ChangeKind kind, const schema::Query& query) {
    return gaps.Flat(
        sideOf(kind), "query " + *query.Name + " type",
        Shown(query.Type, [&](std::int32_t type) { return words.QueryTypeText(type); }));
  };

  Match(
      UserTables(old, DiffSide::Old, gaps), UserTables(now, DiffSide::New, gaps),
      [&](const schema::Table& before, const schema::Table& after) {
        const std::string& table = *after.Name;
        changedIf("table", "", table,
                  Compare(TableMembers(before), TableMembers(after), "table " + table, gaps));
        const std::string fields = "fields of table " + table;
        Match(
            Named(before.Fields, DiffSide::Old, fields, gaps),
            Named(after.Fields, DiffSide::New, fields, gaps),
            [&](const schema::Field& a, const schema::Field& b) {
              changedIf("field", table, *b.Name,
                        Compare(FieldMembers(a, words), FieldMembers(b, words),
                                "field " + table + "." + *b.Name, gaps));
            },
            [&](const schema::Field& field) {
              record(ChangeKind::Added, "field", table, *field.Name,
                     fieldDetail(ChangeKind::Added, "field " + table + "." + *field.Name, field));
            },
            [&](const schema::Field& field) {
              record(ChangeKind::Removed, "field", table, *field.Name,
                     fieldDetail(ChangeKind::Removed, "field " + table + "." + *field.Name, field));
            });
        const std::string indexes = "indexes of table " + table;
        const auto indexDetail = [&](ChangeKind kind, const schema::Index& index) {
          return gaps.Flat(sideOf(kind), "index " + table + "." + *index.Name + " fields",
                           IndexFields(index));
        };
        Match(
            Named(before.Indexes, DiffSide::Old, indexes, gaps),
            Named(after.Indexes, DiffSide::New, indexes, gaps),
            [&](const schema::Index& a, const schema::Index& b) {
              changedIf("index", table, *b.Name,
                        Compare(IndexMembers(a), IndexMembers(b), "index " + table + "." + *b.Name,
                                gaps));
            },
            [&](const schema::Index& index) {
              record(ChangeKind::Added, "index", table, *index.Name,
                     indexDetail(ChangeKind::Added, index));
            },
            [&](const schema::Index& index) {
              record(ChangeKind::Removed, "index", table, *index.Name,
                     indexDetail(ChangeKind::Removed, index));
            });
      },
      [&](const schema::Table& table) { record(ChangeKind::Added, "table", "", *table.Name, ""); },
      [&](const schema::Table& table) {
        record(ChangeKind::Removed, "table", "", *table.Name, "");
      });

  Match(
      UserRelations(old, DiffSide::Old, gaps), UserRelations(now, DiffSide::New, gaps),
      [&](const schema::Relation& a, const schema::Relation& b) {
        changedIf("relationship", "", *b.Name,
                  Compare(RelationMembers(a), RelationMembers(b), "relationship " + *b.Name, gaps));
      },
      [&](const schema::Relation& relation) {
        record(ChangeKind::Added, "relationship", "", *relation.Name,
               relationDetail(ChangeKind::Added, relation));
      },
      [&](const schema::Relation& relation) {
        record(ChangeKind::Removed, "relationship", "", *relation.Name,
               relationDetail(ChangeKind::Removed, relation));
      });

  Match(
      Named(old.Queries, DiffSide::Old, "queries", gaps),
      Named(now.Queries, DiffSide::New, "queries", gaps),
      [&](const schema::Query& a, const schema::Query& b) {
        changedIf(
            "query", "", *b.Name,
            Compare(QueryMembers(a, words), QueryMembers(b, words), "query " + *b.Name, gaps));
      },
      [&](const schema::Query& query) {
        record(ChangeKind::Added, "query", "", *query.Name, queryDetail(ChangeKind::Added, query));
      },
      [&](const schema::Query& query) {
        record(ChangeKind::Removed, "query", "", *query.Name,
               queryDetail(ChangeKind::Removed, query));
      });
  return diff;
}

}  // namespace tabulon::outputs
