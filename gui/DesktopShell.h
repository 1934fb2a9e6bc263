#pragma once
// The desktop's services for the windows: opening files, folders and
// addresses with their default handlers, the file manager's properties of
// a file, and placing windows on the screen.

#include <QPoint>
#include <QString>

class QWidget;

namespace tabulon {

// Opens `target` with the desktop's default handler: an address with a
// scheme (https:, mailto:, ...) as it is, anything else as a local file or
// folder. Failures are ignored.
void ShellOpen(const QString& target);

// Asks the file manager (the freedesktop FileManager1 service on the
// session bus) to show the properties of `fileName`. Returns whether the
// request could be sent; nothing waits for an answer.
bool ShowFileProperties(const QString& fileName);

// Moves the window to the middle of the available area of its screen (the
// screen less panels and docks).
void CenterOnWorkArea(QWidget& form);

// Shrinks a window larger than the available area of its screen (or of the
// primary screen, when it is on none) to fit it; its place stays.
void FitToScreen(QWidget& form);

// Moves a window whose frame lies on no screen at all to `fallback`,
// keeping its size; a window at least partly on a screen stays.
void KeepOnSomeScreen(QWidget& form, QPoint fallback);

}  // namespace tabulon
