#pragma once
// Window titles and message boxes captioned with the application title
// (QCoreApplication::applicationName, which main() sets from the
// executable's name).

#include <QMessageBox>
#include <QString>

class QWidget;

namespace tabulon {

// Sets the window's title to "<title> Ver.<file version> - <object name>",
// for example "tabulon Ver.0.6.12.20 - MainForm".
void SetVersionCaption(QWidget& form);

// Brings the application to the front and shows a message box that stays
// on top of other windows, captioned with the application title. Returns
// the button the user chose.
QMessageBox::StandardButton AppMessageBox(const QString& text, QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The standard box for a failure's message, over the active window.
void ShowErrorBox(const QString& text);

}  // namespace tabulon
