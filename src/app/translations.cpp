#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "base/display_text.h"

namespace {

// Qt's own words for the standard buttons of our dialogs and questions. Qt's
// translations carry them where they are installed (and win then: a later
// translator is asked first); listed here so that our file carries them too,
// and a system without Qt's translations shows no English OK or Cancel under
// a Korean locale.
[[maybe_unused]] constexpr const char* kStandardButtonWords[] = {
    QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Close"), QT_TRANSLATE_NOOP("QPlatformTheme", "Apply"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),  QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Save"),  QT_TRANSLATE_NOOP("QPlatformTheme", "Open"),
    QT_TRANSLATE_NOOP("QGnomeTheme", "&OK"),      QT_TRANSLATE_NOOP("QGnomeTheme", "&Cancel"),
    QT_TRANSLATE_NOOP("QGnomeTheme", "&Close"),   QT_TRANSLATE_NOOP("QGnomeTheme", "&Save"),
};

}  // namespace

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
