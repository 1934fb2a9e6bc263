#pragma once
// The program's one connection to the database engine: the engine, its
// first workspace and at most one open database. The connection check and
// the report run open files one after another through it.

#include <memory>
#include <string>
#include <string_view>

#include <dao/ObjectModel.h>

namespace tabulon {

class TDao360 {
 public:
  // Takes the engine and reads its workspace 0; a failure there propagates
  // (the program cannot work without an engine).
  explicit TDao360(std::unique_ptr<dao::Engine> engine);
  // Closes any open database.
  ~TDao360();
  TDao360(const TDao360&) = delete;
  TDao360& operator=(const TDao360&) = delete;

  // Closes what is open, then opens `path` shared and read-only with the
  // connect text ";pwd=<password>". On success Connected() is true and the
  // names are set; `errorText` is left as it was. On failure (an
  // EngineError) `errorText` receives the engine's message, FailureKind()
  // its kind, and the connection stays closed. Anything else (running out
  // of memory, a fault of the program) is no failure of the file and
  // propagates.
  void Open(const std::string& password, const std::string& path, std::string& errorText);

  // The kind of the last failed Open; Other before any failure.
  dao::ErrorKind FailureKind() const { return FFailureKind; }

  // Closes the open database, if any, and clears the names. A failure of
  // the engine's close propagates, but the connection is closed anyway.
  void Close();

  dao::Engine& Engine() { return *FEngine; }
  dao::Workspace& Workspace() { return *FWorkspace; }
  // The open database; null while closed.
  dao::Database* Database() { return FDatabase.get(); }
  bool Connected() const { return FDatabase != nullptr; }
  // The file-name part of DbPath: everything after the last "/".
  std::string DbName() const;
  // The path exactly as Open received it.
  const std::string& DbPath() const { return FDbPath; }
  const std::string& Password() const { return FPassword; }

 private:
  std::unique_ptr<dao::Engine> FEngine;
  dao::Workspace* FWorkspace;
  std::unique_ptr<dao::Database> FDatabase;
  std::string FDbPath;
  std::string FPassword;
  dao::ErrorKind FFailureKind = dao::ErrorKind::Other;
};

// The file-name part of a path: everything after its last "/".
std::string FileNameOf(std::string_view path);

}  // namespace tabulon
