#include "app/QtRussian.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallRussianQtTexts(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    auto* translator = new QTranslator(&app);
    // Qt's base translation, or the combined one a deployment tool may leave
    // in its place.
    for (const QString& folder :
         {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath)})
        for (const QString& name : {QStringLiteral("qtbase_ru"), QStringLiteral("qt_ru")})
            if (translator->load(name, folder))
                return QCoreApplication::installTranslator(translator);
    delete translator;
    return false;
}
