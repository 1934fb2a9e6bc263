#pragma once
// An inventory of the Access databases under folders: the bounded walk,
// every file opened read-only on a worker of its own (one per core, rows
// kept in the walk's order), same-size files hashed, links resolved as
// Access resolves them, and the index written into the output folder
// (outputs/Inventory.h: index.html, inventory.csv, inventory.json, and
// links.svg when files link to others). With Reports, each database that
// opened also gets its full report under reports/. A stop between files
// writes what is done as an index marked incomplete.
//
// The command line and the window both run it; each tells its user about
// progress and problems in its own way through InventoryObserver.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <dao/ObjectModel.h>
#include <words/Wording.h>

namespace tabulon {

struct InventoryRequest {
  std::vector<std::string> Folders;
  std::filesystem::path Output = ".";
  int Workers = 0;  // 0: one per core
  // A file of passwords to try on protected files, one a line; it must be
  // readable by its owner only.
  std::string Passwords;
  // Each opened database's report, in the report's settings (the wording
  // is copied for each worker).
  bool Reports = false;
  const Wording* ReportWording = nullptr;
  std::filesystem::path ExecutablePath;  // names the reports' generator line
};

struct InventoryObserver {
  // Asked between files (also from the workers); true stops the reading
  // there.
  std::function<bool()> StopRequested = [] { return false; };
  // Files read of all found; called on the caller's thread, a few times a
  // second and once at the end.
  std::function<void(std::size_t done, std::size_t total)> Progress = [](std::size_t, std::size_t) {
  };
  // One line for the user: a folder not listed, the walk's bounds, a file
  // not written, a fault. Called on the caller's thread.
  std::function<void(const std::string&)> Problem = [](const std::string&) {};
};

struct InventoryOutcome {
  // The request could not start (the passwords file); Problem said why.
  bool Refused = false;
  std::size_t Found = 0;   // files the walk found
  std::size_t Read = 0;    // rows in the index
  std::size_t Opened = 0;  // of them, databases that opened
  bool Complete = false;   // every file read
  bool Truncated = false;  // the walk reached its bounds
  std::size_t UnreadableFolders = 0;
  bool WriteFailed = false;  // an output could not be written
  std::filesystem::path Index;
};

InventoryOutcome RunInventory(const InventoryRequest& request,
                              const std::function<std::unique_ptr<dao::Engine>()>& engine,
                              const InventoryObserver& observer);

}  // namespace tabulon
