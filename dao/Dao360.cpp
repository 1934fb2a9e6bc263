#include <dao/Dao360.h>

#include <exception>
#include <utility>

namespace tabulon {

TDao360::TDao360(std::unique_ptr<dao::Engine> engine)
    : FEngine(std::move(engine)), FWorkspace(&FEngine->Workspaces(0)) {}

TDao360::~TDao360() {
  try {
    Close();
  } catch (...) {
    // Nothing can be reported while the program ends.
  }
}

void TDao360::Open(const std::string& password, const std::string& path, std::string& errorText) {
  Close();
  try {
    FDatabase = FWorkspace->OpenDatabase(path, false, true, ";pwd=" + password);
    FDbPath = path;
    FPassword = password;
  } catch (const dao::EngineError& e) {
    FDatabase.reset();
    FDbPath.clear();
    FPassword.clear();
    errorText = e.what();
    FFailureKind = e.Kind();
  }
}

void TDao360::Close() {
  std::unique_ptr<dao::Database> database = std::move(FDatabase);
  FDbPath.clear();
  FPassword.clear();
  if (database) database->Close();
}

std::string TDao360::DbName() const { return FileNameOf(FDbPath); }

std::string FileNameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace tabulon
