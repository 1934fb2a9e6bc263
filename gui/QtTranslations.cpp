#include <gui/QtTranslations.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tabulon {

bool InstallQtTranslations() {
  // Lives as long as the application, which keeps a pointer to it.
  static QTranslator* const qtTexts = new QTranslator(QCoreApplication::instance());
  if (!qtTexts->isEmpty()) return true;
  if (!qtTexts->load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return false;
  }
  return QCoreApplication::installTranslator(qtTexts);
}

}  // namespace tabulon
