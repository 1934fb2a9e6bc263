#pragma once
// A Mermaid erDiagram of a relation graph, which GitHub and GitLab draw
// from a ```mermaid block. Mermaid's grammar is strict, so every name is
// made to fit it:
// - tables are quoted entity names, without '"', '%', '\' and control
//   characters (each becomes '_'), at least one character, unique (a
//   clash gets "_2", "_3", ...);
// - key columns are "<type> <name> PK|FK|PK, FK", type and name made of
//   ASCII letters, digits, '_' and characters from U+00C0 on except
//   spaces (anything else becomes '_'), not starting with a digit, and not
//   read as a key mark ("pk", "fk", "uk" get a leading '_'); a column
//   whose name had to change carries its real name as the comment;
// - relationships are "one ||--o{ many" (unique: "||--o|"), a dotted line
//   ".." when Access does not enforce them, labelled with their name.

#include <string>

#include <outputs/RelationGraph.h>
#include <report/Wording.h>

namespace tabulon::outputs {

// The diagram's text, "erDiagram" and one statement a line, without the
// fence; "" for a graph without tables. Column types are the words of
// `words` (its TypeSection).
std::string MermaidErDiagram(const RelationGraph& graph, const Wording& words);

}  // namespace tabulon::outputs
