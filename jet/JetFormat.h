#pragma once
// Layout constants of Jet 3 (Access 97), Jet 4 (Access 2000-2003) and ACE
// (.accdb) database files, shared by the reader and the fixture writer.
// All integers in a file are little-endian unless noted.

#include <array>
#include <cstdint>

namespace tabulon::jet {

// ---- Pages -----------------------------------------------------------------

enum PageType : std::uint8_t {
  PageHeader = 0x00,  // page 0 only
  PageData = 0x01,    // table rows, usage maps, long values, page 1
  PageTableDef = 0x02,
  PageIndexNode = 0x03,
  PageIndexLeaf = 0x04,
  PageUsageMap = 0x05,
};

// ---- Header page (page 0) --------------------------------------------------

inline constexpr std::array<std::uint8_t, 4> HeaderMagic{0x00, 0x01, 0x00, 0x00};
inline constexpr std::uint32_t HeaderEngineNameOffset = 0x04;  // 16 bytes
inline constexpr char JetEngineName[] = "Standard Jet DB";
inline constexpr char AceEngineName[] = "Standard ACE DB";
inline constexpr std::uint32_t HeaderVersionOffset = 0x14;

enum FileVersion : std::uint8_t {
  VersionJet3 = 0x00,
  VersionJet4 = 0x01,
  VersionAce12 = 0x02,
  VersionAce14 = 0x03,
  VersionAce15 = 0x04,
  VersionAce16 = 0x05,
  VersionAce17 = 0x06,
};

// Bytes 0x18.. of page 0 are XORed with the RC4 keystream of this key.
inline constexpr std::array<std::uint8_t, 4> HeaderRc4Key{0xC7, 0xDA, 0x39, 0x6B};
inline constexpr std::uint32_t HeaderObscuredOffset = 0x18;
inline constexpr std::uint32_t HeaderObscuredLengthJet3 = 126;
inline constexpr std::uint32_t HeaderObscuredLengthJet4 = 128;

// Offsets in the decoded header.
inline constexpr std::uint32_t HeaderSortOrderJet3 = 0x3A;  // 2 bytes, LCID
inline constexpr std::uint32_t HeaderCodePage = 0x3C;       // 2 bytes
inline constexpr std::uint32_t HeaderDatabaseKey = 0x3E;    // 4 bytes; 0 = pages not encrypted
inline constexpr std::uint32_t HeaderPassword = 0x42;       // 20 bytes Jet 3, 40 bytes Jet 4
inline constexpr std::uint32_t HeaderPasswordLengthJet3 = 20;
inline constexpr std::uint32_t HeaderPasswordLengthJet4 = 40;
inline constexpr std::uint32_t HeaderSortOrderJet4 = 0x6E;  // 2 bytes LCID, 0x71 version
inline constexpr std::uint32_t HeaderCreationDate = 0x72;   // double, Jet 4 and ACE

// The 24 bytes every file carries at 0x18 (decoded); meaning unknown.
inline constexpr std::array<std::uint8_t, 24> HeaderConstantBlock{
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};

// ACE: encryption descriptor length at this offset when the key is set.
inline constexpr std::uint32_t HeaderAceEncryptionInfo = 0x299;

// ---- Format-dependent layout -------------------------------------------------

struct Layout {
  // Jet 3 (Access 97) rather than Jet 4 or ACE: 1-byte counts, code-page
  // text, a row jump table.
  bool Jet3;
  std::uint32_t PageSize;
  // Data pages
  std::uint32_t DataRowCountOffset;  // uint16
  std::uint32_t DataRowTableOffset;  // first uint16 row offset
  // Row offset entries
  std::uint16_t RowOffsetMask;
  // Table definition block
  std::uint32_t TdefRowCount;          // uint32
  std::uint32_t TdefAutoNumber;        // uint32
  std::uint32_t TdefTableType;         // uint8: 'N' user, 'S' system
  std::uint32_t TdefMaxColumns;        // uint16
  std::uint32_t TdefVarColumns;        // uint16
  std::uint32_t TdefColumnCount;       // uint16
  std::uint32_t TdefLogicalIndexes;    // uint32
  std::uint32_t TdefRealIndexes;       // uint32
  std::uint32_t TdefOwnedMap;          // row pointer
  std::uint32_t TdefFreeMap;           // row pointer
  std::uint32_t TdefSections;          // first byte after the block header
  std::uint32_t RealIndexCounterSize;  // per real index, before the columns
  std::uint32_t ColumnEntrySize;
  std::uint32_t RealIndexEntrySize;
  std::uint32_t LogicalIndexEntrySize;
  std::uint32_t NameLengthSize;  // 1 (Jet 3, code-page bytes) or 2 (UCS-2)
  // Column entry fields
  std::uint32_t ColumnType;         // uint8
  std::uint32_t ColumnNumber;       // uint16
  std::uint32_t ColumnVarIndex;     // uint16
  std::uint32_t ColumnPosition;     // uint16, display order
  std::uint32_t ColumnPrecision;    // uint8 (decimal); scale follows
  std::uint32_t ColumnFlags;        // uint8
  std::uint32_t ColumnFixedOffset;  // uint16
  std::uint32_t ColumnLength;       // uint16
  // Index pages
  std::uint32_t IndexBitmapOffset;
  std::uint32_t IndexEntriesOffset;
  // Row layout: 1-byte or 2-byte counts and offsets
  std::uint32_t RowCountSize;
};

inline constexpr Layout Jet3Layout{
    .Jet3 = true,
    .PageSize = 2048,
    .DataRowCountOffset = 8,
    .DataRowTableOffset = 10,
    .RowOffsetMask = 0x1FFF,
    .TdefRowCount = 12,
    .TdefAutoNumber = 16,
    .TdefTableType = 20,
    .TdefMaxColumns = 21,
    .TdefVarColumns = 23,
    .TdefColumnCount = 25,
    .TdefLogicalIndexes = 27,
    .TdefRealIndexes = 31,
    .TdefOwnedMap = 35,
    .TdefFreeMap = 39,
    .TdefSections = 43,
    .RealIndexCounterSize = 8,
    .ColumnEntrySize = 18,
    .RealIndexEntrySize = 39,
    .LogicalIndexEntrySize = 20,
    .NameLengthSize = 1,
    .ColumnType = 0,
    .ColumnNumber = 1,
    .ColumnVarIndex = 3,
    .ColumnPosition = 5,
    .ColumnPrecision = 11,
    .ColumnFlags = 13,
    .ColumnFixedOffset = 14,
    .ColumnLength = 16,
    .IndexBitmapOffset = 0x16,
    .IndexEntriesOffset = 0xF8,
    .RowCountSize = 1,
};

inline constexpr Layout Jet4Layout{
    .Jet3 = false,
    .PageSize = 4096,
    .DataRowCountOffset = 12,
    .DataRowTableOffset = 14,
    .RowOffsetMask = 0x1FFF,
    .TdefRowCount = 16,
    .TdefAutoNumber = 20,
    .TdefTableType = 40,
    .TdefMaxColumns = 41,
    .TdefVarColumns = 43,
    .TdefColumnCount = 45,
    .TdefLogicalIndexes = 47,
    .TdefRealIndexes = 51,
    .TdefOwnedMap = 55,
    .TdefFreeMap = 59,
    .TdefSections = 63,
    .RealIndexCounterSize = 12,
    .ColumnEntrySize = 25,
    .RealIndexEntrySize = 52,
    .LogicalIndexEntrySize = 28,
    .NameLengthSize = 2,
    .ColumnType = 0,
    .ColumnNumber = 5,
    .ColumnVarIndex = 7,
    .ColumnPosition = 9,
    .ColumnPrecision = 11,
    .ColumnFlags = 15,
    .ColumnFixedOffset = 21,
    .ColumnLength = 23,
    .IndexBitmapOffset = 0x1B,
    .IndexEntriesOffset = 0x1E0,
    .RowCountSize = 2,
};

// Common TDEF header fields (both formats).
inline constexpr std::uint32_t TdefNextPage = 4;  // uint32, continuation page
inline constexpr std::uint32_t TdefLength = 8;    // uint32, logical length
inline constexpr std::uint32_t TdefContinuationHeader = 8;
inline constexpr std::uint32_t Jet4Constant1625 = 0x0659;  // TDEF+12, column +1, logical index +0
inline constexpr std::uint32_t Jet4RealIndexConstant = 1923;

// Row offset flags.
inline constexpr std::uint16_t RowDeletedFlag = 0x8000;
inline constexpr std::uint16_t RowOverflowFlag = 0x4000;

// Data page owner of long-value pages: "LVAL".
inline constexpr std::uint32_t LongValueOwner = 0x4C41564C;

// ---- Columns -----------------------------------------------------------------

enum ColumnType : std::uint8_t {
  ColBoolean = 0x01,
  ColByte = 0x02,
  ColInteger = 0x03,
  ColLong = 0x04,
  ColCurrency = 0x05,
  ColSingle = 0x06,
  ColDouble = 0x07,
  ColDateTime = 0x08,
  ColBinary = 0x09,
  ColText = 0x0A,
  ColOle = 0x0B,
  ColMemo = 0x0C,
  ColGuid = 0x0F,
  ColNumeric = 0x10,
  ColInternal = 0x11,
  ColComplex = 0x12,
  ColBigInt = 0x13,
  ColExtendedDate = 0x14,
};

enum ColumnFlag : std::uint8_t {
  ColumnFixed = 0x01,
  ColumnUpdatable = 0x02,
  ColumnAutoLong = 0x04,
  ColumnReplication = 0x10,
  ColumnAutoGuid = 0x40,
  ColumnHyperlink = 0x80,
};

enum ColumnExtraFlag : std::uint8_t {
  ColumnCompressedUnicode = 0x01,
  ColumnCalculated = 0xC0,
};

// ---- Indexes -----------------------------------------------------------------

enum RealIndexFlag : std::uint8_t {
  IndexUnique = 0x01,
  IndexIgnoreNulls = 0x02,
  IndexRequired = 0x08,
  IndexJet4Always = 0x80,
};

enum LogicalIndexType : std::uint8_t {
  IndexNormal = 0,
  IndexPrimaryKey = 1,
  IndexForeignKey = 2,
};

inline constexpr int IndexColumnSlots = 10;
inline constexpr std::uint16_t UnusedIndexColumn = 0xFFFF;

// ---- Catalog (MSysObjects) -----------------------------------------------------

inline constexpr std::uint32_t CatalogTdefPage = 2;

enum ObjectType : std::int16_t {
  ObjectLocalTable = 1,
  ObjectDatabase = 2,
  ObjectContainer = 3,
  ObjectLinkedOdbcTable = 4,
  ObjectQuery = 5,
  ObjectLinkedTable = 6,
  ObjectRelationship = 8,
};

inline constexpr std::uint32_t ObjectFlagSystem = 0x80000000;
inline constexpr std::uint32_t ObjectFlagSystemAlt = 0x00000002;
inline constexpr std::uint32_t ObjectFlagHidden = 0x00000008;

inline constexpr std::int32_t TablesContainerId = 0x0F000001;
inline constexpr std::int32_t DatabasesContainerId = 0x0F000002;
inline constexpr std::int32_t RelationshipsContainerId = 0x0F000003;
inline constexpr std::int32_t RootContainerId = 0x0F000000;
inline constexpr std::int32_t MSysDbId = 0x10000000;

// ---- Property blocks (LvProp) -------------------------------------------------

inline constexpr char PropertySignatureJet4[] = "MR2";  // followed by a NUL
inline constexpr char PropertySignatureJet3[] = "KKD";
enum PropertyChunkType : std::uint16_t {
  PropertyChunkObject = 0x00,
  PropertyChunkSubObject = 0x01,
  PropertyChunkSubObjectAlt = 0x02,
  PropertyChunkNames = 0x80,
};

// ---- Long values -----------------------------------------------------------------

enum LongValueKind : std::uint8_t {
  LongValueChain = 0x00,
  LongValueSingle = 0x40,
  LongValueInline = 0x80,
};
inline constexpr std::uint32_t LongValueHeaderSize = 12;

// ---- Further layout read by the reader ----------------------------------------

// Jet 4 / ACE column entry fields the shared layout does not name.
inline constexpr std::uint32_t Jet4ColumnExtraFlags = 16;  // uint8
inline constexpr std::uint32_t Jet4ColumnComplexId = 11;   // uint32, ACE complex columns
inline constexpr std::uint32_t ColumnScaleAfterPrecision = 1;

inline constexpr std::uint32_t IndexColumnSlotSize = 3;  // uint16 column, uint8 order (1 ascending)

// Real-index definition fields, from the entry start.
struct RealIndexLayout {
  std::uint32_t Slots;
  std::uint32_t UsageMap;
  std::uint32_t RootPage;
  std::uint32_t Flags;
  std::uint32_t UniqueCount;  // in the counter block before the columns
};
inline constexpr RealIndexLayout Jet3RealIndex{
    .Slots = 0, .UsageMap = 30, .RootPage = 34, .Flags = 38, .UniqueCount = 4};
inline constexpr RealIndexLayout Jet4RealIndex{
    .Slots = 4, .UsageMap = 34, .RootPage = 38, .Flags = 46, .UniqueCount = 4};

// Logical-index definition fields, from the entry start.
struct LogicalIndexLayout {
  std::uint32_t Number;
  std::uint32_t RealIndex;
  std::uint32_t Side;  // 1 referenced table, 2 referencing table
  std::uint32_t OtherIndex;
  std::uint32_t OtherTable;
  std::uint32_t CascadeUpdate;
  std::uint32_t CascadeDelete;
  std::uint32_t Type;  // LogicalIndexType
};
inline constexpr LogicalIndexLayout Jet3LogicalIndex{.Number = 0,
                                                     .RealIndex = 4,
                                                     .Side = 8,
                                                     .OtherIndex = 9,
                                                     .OtherTable = 13,
                                                     .CascadeUpdate = 17,
                                                     .CascadeDelete = 18,
                                                     .Type = 19};
inline constexpr LogicalIndexLayout Jet4LogicalIndex{.Number = 4,
                                                     .RealIndex = 8,
                                                     .Side = 12,
                                                     .OtherIndex = 13,
                                                     .OtherTable = 17,
                                                     .CascadeUpdate = 21,
                                                     .CascadeDelete = 22,
                                                     .Type = 23};
enum ForeignKeySide : std::uint8_t {
  SideReferenced = 1,
  SideReferencing = 2,
};

inline constexpr std::uint32_t LongValueChunkHeader = 4;  // next row pointer of a chained row

// ---- Usage maps -------------------------------------------------------------------

enum UsageMapType : std::uint8_t {
  UsageMapInline = 0x00,
  UsageMapReference = 0x01,
};
inline constexpr std::uint32_t UsageMapInlineBitmap = 5;  // after type and start page
inline constexpr std::uint32_t UsageMapPageBitmap = 4;    // on a usage-map page

}  // namespace tabulon::jet
