#include <jet/JetEngine.h>

#include <jet/JetDatabase.h>
#include <jet/JetProperty.h>

namespace tabulon::jet {

namespace {

// The workspace: DAO's default workspace and user, a Jet-style workspace.
class JetWorkspace : public dao::Workspace {
 public:
  JetWorkspace() : FProperties(NewPropertyList()) {
    FProperties->Add(std::make_unique<JetProperty>("Name", std::string("#Default Workspace#")));
    FProperties->Add(std::make_unique<JetProperty>("UserName", std::string("admin")));
    FProperties->Add(std::make_unique<JetProperty>("Type", std::int64_t{2}));  // dbUseJet
  }
  dao::Collection<dao::Property>& Properties() override { return *FProperties; }
  // Always read-only and shared: the reader never writes, so `exclusive`
  // and `readOnly` change nothing.
  std::unique_ptr<dao::Database> OpenDatabase(const std::string& path, bool, bool,
                                              const std::string& connect) override {
    return std::make_unique<JetDatabase>(JetFile::Open(path, PasswordOfConnect(connect), &FKeys));
  }

 private:
  std::unique_ptr<PropertyList> FProperties;
  // Office keys derived for this engine's opens: the report opens each
  // file a second time after the connection check.
  OfficeKeyCache FKeys;
};

// The engine: this program's own reader, named as the program says.
class JetEngine : public dao::Engine {
 public:
  explicit JetEngine(const EngineIdentity& identity) : FProperties(NewPropertyList()) {
    FProperties->Add(std::make_unique<JetProperty>("Name", identity.Name));
    FProperties->Add(std::make_unique<JetProperty>("Version", identity.Version));
    FProperties->Add(std::make_unique<JetProperty>(
        "Formats", std::string("Jet 3 (Access 97), Jet 4 (Access 2000-2003), ACE 12-17 (.accdb)")));
    FProperties->Add(std::make_unique<JetProperty>("DefaultUser", std::string("admin")));
    FProperties->Add(std::make_unique<JetProperty>("ReadOnly", true));
  }
  dao::Collection<dao::Property>& Properties() override { return *FProperties; }
  dao::Workspace& Workspaces(int index) override {
    if (index != 0)
      throw dao::EngineError(
          OneLine("ワークスペース " + std::to_string(index) + " はありません。"));
    return FWorkspace;
  }

 private:
  std::unique_ptr<PropertyList> FProperties;
  JetWorkspace FWorkspace;
};

}  // namespace

std::unique_ptr<dao::Engine> CreateJetEngine(const EngineIdentity& identity) {
  return std::make_unique<JetEngine>(identity);
}

}  // namespace tabulon::jet
