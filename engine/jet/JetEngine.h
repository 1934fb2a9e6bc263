#pragma once
// The database engine over Jet 3, Jet 4 and ACE files read by the program's
// own reader.

#include <memory>

#include <engine/ObjectModel.h>

namespace tabulon::jet {

// A new engine with its one workspace. Databases are opened read-only.
std::unique_ptr<dao::Engine> CreateJetEngine();

}  // namespace tabulon::jet
