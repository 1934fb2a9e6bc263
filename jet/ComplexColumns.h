#pragma once
// ACE complex columns (attachments, multi-value fields): MSysComplexColumns
// ties each complex column id to a MSysComplexType_* table whose name says
// what the column holds.

#include <cstdint>
#include <map>
#include <vector>

#include <jet/Catalog.h>
#include <jet/JetText.h>
#include <jet/PageFile.h>

namespace tabulon::jet {

// DAO's type code (101 attachment, 102..109 multi-value) of each complex
// column id; empty when the database has no MSysComplexColumns. Throws
// FormatError on damage.
std::map<std::uint32_t, std::int32_t> ReadComplexTypes(PageFile& pages, const TextDecoder& text,
                                                       const std::vector<CatalogEntry>& catalog);

}  // namespace tabulon::jet
