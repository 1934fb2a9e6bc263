#include <cli/StopSignals.h>

#include <atomic>

namespace tabulon {

namespace {

std::atomic<bool> GStop{false};

extern "C" void OnStopSignal(int) { GStop = true; }

}  // namespace

StopSignals::StopSignals() {
  GStop = false;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &FInt);
  sigaction(SIGTERM, &action, &FTerm);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &FInt, nullptr);
  sigaction(SIGTERM, &FTerm, nullptr);
}

bool StopRequested() { return GStop; }

}  // namespace tabulon
