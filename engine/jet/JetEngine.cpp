#include <engine/jet/JetEngine.h>

#include <vector>

namespace tabulon::jet {

namespace {

// TODO(#4): the file reader replaces this engine, which opens nothing yet.
class EmptyProperties : public dao::Collection<dao::Property> {
 public:
  int Count() override { return 0; }
  dao::Property& Item(int) override { throw dao::EngineError("プロパティがありません。"); }
  dao::Property& Item(std::string_view) override {
    throw dao::EngineError("プロパティがありません。");
  }
};

class StubWorkspace : public dao::Workspace {
 public:
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  std::unique_ptr<dao::Database> OpenDatabase(const std::string& path, bool, bool,
                                              const std::string&) override {
    throw dao::EngineError("データベース形式 '" + path + "' を認識できません。");
  }

 private:
  EmptyProperties FProperties;
};

class StubEngine : public dao::Engine {
 public:
  dao::Collection<dao::Property>& Properties() override { return FProperties; }
  dao::Workspace& Workspaces(int index) override {
    if (index != 0) throw dao::EngineError("ワークスペースがありません。");
    return FWorkspace;
  }

 private:
  EmptyProperties FProperties;
  StubWorkspace FWorkspace;
};

}  // namespace

std::unique_ptr<dao::Engine> CreateJetEngine() { return std::make_unique<StubEngine>(); }

}  // namespace tabulon::jet
