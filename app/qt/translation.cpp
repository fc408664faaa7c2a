#include "app/qt/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace af {

QTranslator* install_qt_translation(const QLocale& locale) {
  auto* t = new QTranslator(QCoreApplication::instance());
  if (!t->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete t;
    return nullptr;
  }
  QCoreApplication::installTranslator(t);
  return t;
}

}  // namespace af
