#pragma once
// Where a linked table's columns are: an ODBC link keeps their definition
// in the linking file (a TDEF without rows); a link to another Jet or ACE
// file has them in that file, which is followed when it can be found.
//
// Following a link opens the other file read-only through the same reader,
// never anything else. A stored path is tried as it is (relative ones from
// the linking file's folder), then its file name beside the linking file
// (Windows paths from another machine rarely resolve here); only regular
// files are opened. A chain of links is followed through at most
// MaxLinkedFiles files and never back into a file already on it.

#include <memory>
#include <string>

#include <jet/Catalog.h>
#include <jet/JetFile.h>

namespace tabulon::jet {

inline constexpr int MaxLinkedFiles = 4;

struct LinkedSource {
  std::shared_ptr<JetFile> File;        // keeps Entry alive
  const CatalogEntry* Entry = nullptr;  // a local table, or an ODBC link with its definition
};

// DAO's Connect of a linked table: an ODBC link's stored connect text with
// the "ODBC;" it is shown with, a Jet link's with ";DATABASE=<path>" added
// when the path is kept apart; "" for other tables.
std::string LinkConnect(const CatalogEntry& entry);

// The table whose definition holds the columns of `entry` (of `file`): the
// entry itself for a local table or an ODBC link with a local definition,
// otherwise the end of its chain of Jet links. Throws dao::EngineError
// naming the table and its connect text (passwords masked) when there is
// none or the source cannot be found or opened.
LinkedSource ResolveLinkedSource(const std::shared_ptr<JetFile>& file, const CatalogEntry& entry);

}  // namespace tabulon::jet
