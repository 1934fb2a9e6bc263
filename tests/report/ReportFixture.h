#pragma once
// A report run over the fake engine with a pinned clock, for golden tests
// and tests of the run itself.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <dao/Dao360.h>
#include <report/AnchorRegistry.h>
#include <report/ReportRun.h>
#include <words/Wording.h>

#include <tests/support/FakeEngine.h>
#include <tests/support/TestSupport.h>

namespace tabulon::test {

// Records what the run asks of its front, as words in Calls ("disable",
// "dialog", "busy", "total max 2", "part 3", "failure", ...) and as the
// states the calls leave.
class RecordingFront : public ReportFront {
 public:
  std::vector<std::string> Calls;
  std::vector<std::string> Failures;
  std::optional<std::filesystem::path> DialogAnswer;
  std::string DialogDefault;
  int TotalMaximum = 100;
  int TotalPosition = -1;
  bool Enabled = true;
  bool Busy = false;
  // When not negative: how many databases the run may begin before a stop.
  int StopAfter = -1;

  bool StopRequested() override { return StopAfter >= 0 && FAsked++ >= StopAfter; }

  void SetControlsEnabled(bool enabled) override {
    Enabled = enabled;
    Calls.push_back(enabled ? "enable" : "disable");
  }
  std::optional<std::filesystem::path> AskSavePath(const std::string& defaultFileName) override {
    DialogDefault = defaultFileName;
    Calls.push_back("dialog");
    return DialogAnswer;
  }
  void SetBusy(bool busy) override {
    Busy = busy;
    Calls.push_back(busy ? "busy" : "idle");
  }
  void SetProgressMaximum(ProgressBar bar, int maximum) override {
    if (bar == ProgressBar::Total) TotalMaximum = maximum;
    Calls.push_back(Name(bar) + " max " + std::to_string(maximum));
  }
  void SetProgressPosition(ProgressBar bar, int position) override {
    if (bar == ProgressBar::Total) TotalPosition = position;
    Calls.push_back(Name(bar) + " " + std::to_string(position));
  }
  void ReportFailure(const std::string& text) override {
    Failures.push_back(text);
    Calls.push_back("failure");
  }

 private:
  int FAsked = 0;
  static std::string Name(ProgressBar bar) { return bar == ProgressBar::Total ? "total" : "part"; }
};

// 5 December 2026, 09:08:07 local time.
inline std::chrono::system_clock::time_point PinnedNow() {
  std::tm local{};
  local.tm_year = 2026 - 1900;
  local.tm_mon = 11;
  local.tm_mday = 5;
  local.tm_hour = 9;
  local.tm_min = 8;
  local.tm_sec = 7;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

struct RunWorld {
  std::shared_ptr<FakeCalls> Calls = std::make_shared<FakeCalls>();
  std::unique_ptr<TDao360> Dao;
  Wording Words;
  AnchorRegistry Anchors;
  ReportSettings Settings;
  RecordingFront Front;
  TempDir Desktop;

  explicit RunWorld(std::map<std::string, FakeDatabaseData> files,
                    std::vector<FakePropertyData> engineProperties = {},
                    std::vector<FakePropertyData> workspaceProperties = {}) {
    Dao = std::make_unique<TDao360>(std::make_unique<FakeEngine>(
        std::move(files), Calls, std::move(engineProperties), std::move(workspaceProperties)));
    Settings.ExecutablePath = "/opt/tabulon/tabulon";
    Settings.DesktopFolder = [this] { return Desktop.Path().string(); };
    Settings.Now = PinnedNow;
    Settings.OsDescription = [] { return std::string("TestOS 1.0 (Linux 6.1)"); };
    std::uint32_t ticks = 4294967000u;  // wraps during the run
    Settings.TickCount = [ticks]() mutable {
      const std::uint32_t now = ticks;
      ticks += 321;
      return now;
    };
  }

  ReportOutcome Run(const std::vector<std::string>& lines) {
    return RunReport(*Dao, Words, Anchors, lines, Settings, Front);
  }
};

}  // namespace tabulon::test
