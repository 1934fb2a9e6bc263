#pragma once
// A Mermaid erDiagram of a relation graph, which GitHub and GitLab draw
// from a ```mermaid block. Mermaid reads names as markup: its own grammar,
// Markdown (bold, italics, strike-through) and HTML, which it puts into
// the page. So no name is written as Mermaid syntax:
// - tables are entities t0, t1, ... labelled with their names
//   (t0["label"], which Mermaid reads from 10.5 on);
// - key columns are "<type> <name> PK|FK|PK, FK": the type an ASCII word
//   for the engine's type code (long, text, datetime, ...), the name
//   itself when it is an ASCII word (letters, digits, '_', starting with a
//   letter, not a key mark), else f1, f2, ... with the real name as the
//   comment;
// - relationships are "one ||--o{ many" (unique: "||--o|"), a dotted line
//   ".." when Access does not enforce them, labelled with their name.
// In labels and comments every character but ASCII letters and digits
// and the printable characters from U+00A0 on (not spaces) is written as
// Mermaid's entity code "#<decimal>;", which Mermaid draws as that
// character; control characters become U+FFFD.

#include <string>

#include <outputs/RelationGraph.h>

namespace tabulon::outputs {

// The diagram's text, "erDiagram" and one statement a line, without the
// fence; "" for a graph without tables.
std::string MermaidErDiagram(const RelationGraph& graph);

}  // namespace tabulon::outputs
