// Qt's own texts (dialog and message-box buttons) in the desktop's language. The
// program's own texts are Chinese in every locale and are not translated.
#pragma once

#include <QLocale>

class QTranslator;

namespace af {

// Installs Qt's translation for `locale` from Qt's translations folder; the installed
// translator, or null when there is none for that locale.
QTranslator* install_qt_translation(const QLocale& locale);

}  // namespace af
