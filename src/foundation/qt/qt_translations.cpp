#include "foundation/qt/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace veldrim {

namespace {
QPointer<QTranslator> installed;
}  // namespace

bool UseQtTranslations(int language) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return false;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed.data();
    }
    constexpr int kEnglish = 2;
    if (language == kEnglish) return true;
    auto* translator = new QTranslator(app);
    if (!translator->load(QLocale(QLocale::German), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

}  // namespace veldrim
