#pragma once

namespace tabulon {

// Installs Qt's own Japanese texts (the file dialog's "ファイル名", the
// buttons' "はい"/"いいえ", ...) into the running application. False when
// Qt's translations are not installed; the dialogs then stay in English.
bool InstallQtTranslations();

}  // namespace tabulon
