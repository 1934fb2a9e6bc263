#pragma once
// A save-file dialog as a component of its window: its settings live on
// while the dialog itself is created for each showing. InitialDir is the
// folder it opens in; the settings file keeps it.

#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;

namespace tabulon {

class TSaveDialog : public QObject {
  Q_OBJECT

 public:
  explicit TSaveDialog(QObject* parent = nullptr);

  // Appended to a file name typed without an extension.
  QString DefaultExt;
  // Filters as "description|patterns|description|patterns", patterns
  // separated by ";".
  QString Filter;
  QString InitialDir;
  // Where the dialog opens while InitialDir is empty (not kept in the
  // settings): the user's desktop, not wherever the program was started.
  QString FirstDir;
  QString Title;

  // The folder the dialog opens in: InitialDir, or FirstDir while that is
  // empty.
  QString OpeningFolder() const;

  // Shows the dialog over `owner` with `fileName` proposed in InitialDir
  // (or FirstDir).
  // It asks before overwriting an existing file (not before creating a
  // new one), shows the folder's files in columns sized to their contents,
  // and adds nothing to the desktop's recent documents. Returns the chosen
  // path, or nullopt when the user cancels.
  std::optional<QString> Execute(const QString& fileName, QWidget* owner);
};

// Qt's name filters ("description (*.a *.b)") for a Filter text.
QStringList NameFiltersOf(const QString& filter);

}  // namespace tabulon
