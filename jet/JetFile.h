#pragma once
// One opened database file: its pages, header, text decoding and catalog,
// shared by every object of the object model that reads from it. Opening
// reads the header, checks the password and reads the catalog, nothing more.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <dao/EngineError.h>
#include <jet/ByteView.h>
#include <jet/Catalog.h>
#include <jet/JetText.h>
#include <jet/OfficeKeyCache.h>
#include <jet/PageFile.h>
#include <text/OneLine.h>

namespace tabulon::jet {

class JetFile {
 public:
  // Opens `path` read-only with `password` (UTF-8). Throws
  // dao::EngineError with a one-line text naming the file: missing,
  // unreadable, not a database, a wrong password (a Jet password, or the
  // Office encryption password of an encrypted ACE file, which an empty
  // one never opens), encrypted with a scheme the reader refuses, or
  // damaged. An encrypted file's pages are decrypted in memory as they are
  // read; `keys`, when given, keeps the slow part of its key derivation
  // for the next open.
  static std::shared_ptr<JetFile> Open(const std::string& path, const std::string& password,
                                       OfficeKeyCache* keys = nullptr);
  // The same over bytes from any source; `path` names it in messages.
  static std::shared_ptr<JetFile> Open(std::unique_ptr<PageSource> source, const std::string& path,
                                       const std::string& password, OfficeKeyCache* keys = nullptr);

  const std::string& Path() const { return FPath; }
  PageFile& Pages() { return *FPages; }
  const HeaderPage& Header() const { return FPages->Header(); }
  const TextDecoder& Text() const { return *FText; }
  const std::vector<CatalogEntry>& Catalog() const { return FCatalog; }
  // The catalog entry with this name and type (exact name first, then
  // without regard to case), or null.
  const CatalogEntry* Find(std::string_view name, std::int16_t type) const;

  // DAO's type code of the ACE complex column with this id, 0 when unknown.
  // MSysComplexColumns is read on first use; a damaged one throws.
  std::int32_t ComplexType(std::uint32_t complexId);

  // The text of a failure found in this file: "ファイル '<path>' は壊れています: <what>。"
  std::string DamagedText(const std::string& what) const;
  // The same as an error of kind Damaged, to throw.
  dao::EngineError Damaged(const std::string& what) const;

  // The text of a failed read of this file, as an error of kind CannotRead.
  dao::EngineError Unreadable(const std::string& reason) const;

  // Runs `read`, turning a ReadFailure into Unreadable and a FormatError
  // (and running out of memory on absurd sizes) into Damaged.
  template <class F>
  auto Guard(F&& read) -> decltype(read()) {
    try {
      return read();
    } catch (const ReadFailure& e) {
      throw Unreadable(e.what());
    } catch (const FormatError& e) {
      throw Damaged(e.what());
    } catch (const std::bad_alloc&) {
      throw Damaged("大きさが不正な構造があります");
    } catch (const std::length_error&) {
      throw Damaged("大きさが不正な構造があります");
    }
  }

 private:
  JetFile() = default;
  std::string FPath;
  std::unique_ptr<PageFile> FPages;
  std::unique_ptr<TextDecoder> FText;
  std::vector<CatalogEntry> FCatalog;
  std::optional<std::map<std::uint32_t, std::int32_t>> FComplexTypes;
};

// The password in a connect text: everything after the first ";pwd="
// (letters in any case), taken verbatim; "" when there is none.
std::string PasswordOfConnect(std::string_view connect);

}  // namespace tabulon::jet
