#pragma once

class QCoreApplication;
class QLocale;

// Installs the program's translations for a locale (the few Korean words of
// the window under a Korean locale) and Qt's own, and sets the language of
// the texts the core writes into the list to match.
void InstallTranslations(QCoreApplication& app, const QLocale& locale);
