#pragma once
// The database engine over Jet 3, Jet 4 and ACE files read by the program's
// own reader.

#include <memory>
#include <string>

#include <dao/ObjectModel.h>

namespace tabulon::jet {

// What the engine's "Name" and "Version" properties say; the program that
// links the reader names it.
struct EngineIdentity {
  std::string Name;
  std::string Version;
};

// A new engine with its one workspace. Databases are opened read-only.
std::unique_ptr<dao::Engine> CreateJetEngine(const EngineIdentity& identity = {});

}  // namespace tabulon::jet
