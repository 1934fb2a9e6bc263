#include <outputs/DiffDocument.h>

#include <outputs/JsonDocument.h>
#include <outputs/MarkdownText.h>
#include <text/OneLine.h>

namespace tabulon::outputs {

namespace {

std::string QualifiedName(const SchemaChange& change) {
  return change.Table.empty() ? change.Name : change.Table + "." + change.Name;
}

char Sign(ChangeKind kind) {
  return kind == ChangeKind::Added ? '+' : kind == ChangeKind::Removed ? '-' : '~';
}

// The lines of `text`, each made one clean line.
std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(OneLine(text.substr(start, end - start)));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  return lines;
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string DiffText(const std::vector<SchemaChange>& changes, std::string_view oldName,
                     std::string_view newName) {
  if (changes.empty()) return "";
  std::string out = "--- " + OneLine(oldName) + "\n+++ " + OneLine(newName) + "\n";
  for (const SchemaChange& change : changes) {
    out += Sign(change.Kind);
    out += " " + change.Object + " " + OneLine(QualifiedName(change));
    if (!change.Detail.empty()) out += " (" + OneLine(change.Detail) + ")";
    out += "\n";
    for (const MemberChange& member : change.Members) {
      if (!HasLineBreak(member.Old) && !HasLineBreak(member.New)) {
        out += "    " + member.Member + ": " + OneLine(member.Old) + " -> " + OneLine(member.New) +
               "\n";
        continue;
      }
      out += "    " + member.Member + ":\n";
      for (const std::string& line : Lines(member.Old)) out += "    - " + line + "\n";
      for (const std::string& line : Lines(member.New)) out += "    + " + line + "\n";
    }
  }
  return out;
}

void WriteDiffJson(JsonWriter& json, const std::vector<SchemaChange>& changes,
                   std::string_view oldName, std::string_view newName,
                   const std::vector<UnreadablePart>& unreadable) {
  json.BeginObject();
  json.Key("formatVersion");
  json.Number(DiffFormatVersion);
  json.Key("old");
  json.String(oldName);
  json.Key("new");
  json.String(newName);
  json.Key("changes");
  json.BeginArray();
  for (const SchemaChange& change : changes) {
    json.BeginObject();
    json.Key("change");
    json.String(ChangeKindName(change.Kind));
    json.Key("object");
    json.String(change.Object);
    if (!change.Table.empty()) {
      json.Key("table");
      json.String(change.Table);
    }
    json.Key("name");
    json.String(change.Name);
    if (!change.Detail.empty()) {
      json.Key("detail");
      json.String(change.Detail);
    }
    if (!change.Members.empty()) {
      json.Key("members");
      json.BeginArray();
      for (const MemberChange& member : change.Members) {
        json.BeginObject();
        json.Key("member");
        json.String(member.Member);
        json.Key("old");
        json.String(member.Old);
        json.Key("new");
        json.String(member.New);
        if (member.OldCode && member.NewCode) {
          json.Key("oldCode");
          json.Number(*member.OldCode);
          json.Key("newCode");
          json.Number(*member.NewCode);
        }
        json.EndObject();
      }
      json.EndArray();
    }
    json.EndObject();
  }
  json.EndArray();
  if (!unreadable.empty()) {
    json.Key("unreadable");
    json.BeginArray();
    for (const UnreadablePart& part : unreadable) {
      json.BeginObject();
      json.Key("side");
      json.String(part.Side == DiffSide::Old ? "old" : "new");
      json.Key("what");
      json.String(part.What);
      json.Key("error");
      json.String(part.Error);
      json.EndObject();
    }
    json.EndArray();
  }
  json.EndObject();
  json.Finish();
}

std::string DiffMarkdown(const std::vector<SchemaChange>& changes, std::string_view oldName,
                         std::string_view newName) {
  if (changes.empty()) return "";
  std::string out =
      "# " + MarkdownInline(oldName, false) + " → " + MarkdownInline(newName, false) +
      "\n\n| change | object | name | member | old | new |\n|---|---|---|---|---|---|\n";
  for (const SchemaChange& change : changes) {
    const std::string head = "| " + std::string(ChangeKindName(change.Kind)) + " | " +
                             change.Object + " | " + MarkdownInline(QualifiedName(change)) + " | ";
    if (change.Members.empty()) {
      const std::string detail = MarkdownInline(change.Detail);
      out += head + " | " +
             (change.Kind == ChangeKind::Removed ? detail + " |  |\n" : " | " + detail + " |\n");
      continue;
    }
    for (const MemberChange& member : change.Members) {
      out += head + member.Member + " | " + MarkdownInline(member.Old) + " | " +
             MarkdownInline(member.New) + " |\n";
    }
  }
  return out;
}

}  // namespace tabulon::outputs
