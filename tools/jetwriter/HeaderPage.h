#pragma once
// Page 0 of a Jet 4 file: the engine name, the version, the creation date
// and the database password, in the RC4-obscured header region.

#include <string_view>

#include <dao/Variant.h>
#include <tools/jetwriter/Bytes.h>

namespace tabulon::jetwriter {

// Fills `page` (4096 bytes, zeroed) with the header of a Jet 4 file created
// at `created`, with `password` (UTF-8, at most 20 UTF-16 units, no NUL;
// empty for none), masked as the engine expects. Sort order General (1033),
// code page 1252, no page encryption.
void WriteHeaderPage(std::uint8_t* page, dao::Date created, std::string_view password);

}  // namespace tabulon::jetwriter
