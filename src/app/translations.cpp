#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "base/display_text.h"

void InstallTranslations(QCoreApplication& app, const QLocale& locale)
{
    // The translation files are built into the program (resource :/i18n).
    Q_INIT_RESOURCE(brimcast_app_translations);
    auto* ours = new QTranslator(&app);
    if (ours->load(locale, QStringLiteral("brimcast"), QStringLiteral("_"),
                   QStringLiteral(":/i18n")))
        app.installTranslator(ours);
    else
        delete ours;
    auto* qt = new QTranslator(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt);
    else
        delete qt;
    SetDisplayLanguage(locale.language() == QLocale::Korean ? DisplayLanguage::Korean
                                                            : DisplayLanguage::English);
}
