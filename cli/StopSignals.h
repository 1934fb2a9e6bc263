#pragma once
// Ctrl-C and SIGTERM, while a StopSignals lives, ask the work to stop at
// its next safe point (between rows, between files) instead of ending the
// program mid-write: the work then leaves its target as it was, or writes
// what it has as incomplete.

#include <csignal>

namespace tabulon {

class StopSignals {
 public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction FInt {};
  struct sigaction FTerm {};
};

// True once a signal asked to stop, since the last StopSignals began.
bool StopRequested();

}  // namespace tabulon
