#pragma once
// What the main window reads from and shows to the outside: its files, its
// message boxes and dialogs, the About window, and the environment of the
// report run. main() passes the running program's; tests replace parts.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include <dao/ObjectModel.h>
#include <platform/ConfigLocation.h>
#include <report/ReportRun.h>

class QWidget;

namespace tabulon {

class TSaveDialog;

struct MainFormEnvironment {
  // The program: its name makes the report's file names.
  std::filesystem::path Executable;
  // The settings file and the list file.
  ConfigFiles Files;
  // The standard error box.
  std::function<void(const QString& text)> ShowError;
  // An information box captioned with the application title (the check's
  // summary).
  std::function<void(const QString& text)> ShowInformation;
  // Shows the save dialog with `fileName` proposed; the chosen path, or
  // nullopt when cancelled.
  std::function<std::optional<QString>(TSaveDialog& dialog, const QString& fileName,
                                       QWidget* owner)>
      ExecuteSaveDialog;
  // A yes/no question captioned with the application title; true for yes.
  std::function<bool(const QString& text)> Confirm;
  // Told of each report the run has written to its end, or to where it
  // was stopped, with the words to head it (the desktop notification).
  std::function<void(const std::filesystem::path& report, const QString& summary)> ReportWritten;
  // A new engine for each worker of an inventory.
  std::function<std::unique_ptr<dao::Engine>()> NewEngine;
  // Shows the About window modally.
  std::function<void(QWidget* owner)> ShowInfoWindow;
  // The run's environment (desktop folder, clock, tick count, system
  // description); empty members use the system's. The window fills in the
  // settings of each run.
  ReportSettings Report;
};

// The running program's environment for `executable`.
MainFormEnvironment DefaultMainFormEnvironment(const std::filesystem::path& executable);

}  // namespace tabulon
