// The window under a Korean locale: every command, label, tool tip and
// dialog text in Korean, with the mnemonic letters of the English texts.
#include <QtTest>
#include <QtWidgets>

#include "desktop_fixture.h"
#include "app/translations.h"
#include "dialog_script.h"
#include "ui/playback.h"
#include "ui/media_view.h"
#include "ui/preferences_dialog.h"

namespace {

// Texts that read the same in every language: nothing but the product's
// name, names of protocols and formats, colours, addresses and signs.
bool SameInEveryLanguage(QString text)
{
    static const QRegularExpression kept(
        QStringLiteral("\\b(Brimcast|ASX|URL|HTTP|MMS|RTSP|MB)\\b|#[0-9A-F]{6}|\\S+://\\S*"));
    return !text.remove(kept).contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
}

QChar Mnemonic(const QString& text)
{
    const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
    return at < 0 ? QChar() : text[at + 1].toLower();
}

void CollectMenu(const QList<QAction*>& actions, QStringList& out)
{
    for (QAction* a : actions) {
        out << a->text() << a->toolTip();
        if (a->menu())
            CollectMenu(a->menu()->actions(), out);
    }
}

// Every text root shows: titles, button, label, group and tab texts, the
// items of fixed choices, hints, tool tips and accessible names.
void Collect(QWidget* root, QStringList& out)
{
    out << root->windowTitle();
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        // Qt's own parts (a tab bar's scroll buttons) speak Qt's translations.
        if (qobject_cast<QTabBar*>(w->parentWidget()))
            continue;
        out << w->toolTip() << w->accessibleName();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            out << b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            out << l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            out << g->title();
        else if (auto* e = qobject_cast<QLineEdit*>(w))
            out << e->placeholderText();
        if (auto* c = qobject_cast<QComboBox*>(w); c && !c->isEditable()) {
            for (int i = 0; i < c->count(); ++i)
                out << c->itemText(i);
        }
        if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < t->count(); ++i)
                out << t->tabText(i);
        }
    }
}

}  // namespace

class TranslationsTest : public QObject, public DesktopFixture {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QApplication::setApplicationName(QStringLiteral("Brimcast"));
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        QuietOffscreenWarnings();
        player::PlayerOptions silent;
        silent.audio = false;
        beforeShow = [this, silent](MainWindow& w) {
            w.AttachPlayback(new player::Playback(*w.view(), w.settings(), P(), silent));
        };
    }
    void everyTextIsKorean();

private:
    // The texts of the window, its menus, a question and the preferences.
    void WindowTexts(QStringList& out);
};

void TranslationsTest::WindowTexts(QStringList& out)
{
    Start();
    MainWindow& window = W();
    MediaView* view = window.view();
    window.OpenLaunch(LaunchMode::Open, {QStringLiteral("mms://h/a.asf&&1")});
    view->SelectRow(0);
    CollectMenu(window.menuBar()->actions(), out);
    CollectMenu(view->popupMenu()->actions(), out);
    Collect(&window, out);

    const auto take = [&out](QDialog* d) {
        Collect(d, out);
        d->reject();
    };
    DialogScript script;
    script.Then<QMessageBox>([&out](QMessageBox* box) {
        Collect(box, out);
        box->button(QMessageBox::No)->click();
    });
    view->actions().deleteRow->trigger();
    script.Then<PreferencesDialog>(take);  // every page is a child of the dialog
    QVERIFY2(script.Run(window.actions().preferences), qPrintable(script.missed()));
    out.removeAll(QString());
    Stop();
}

void TranslationsTest::everyTextIsKorean()
{
    // The same window twice: in English, then as the program starts under
    // LANG=ko_KR.UTF-8 (the locale is named here, so no Korean locale need
    // be installed on the machine).
    QStringList english;
    WindowTexts(english);
    QVERIFY(!QTest::currentTestFailed());
    InstallTranslations(*QCoreApplication::instance(), QLocale(QLocale::Korean, QLocale::SouthKorea));
    QStringList korean;
    WindowTexts(korean);
    QVERIFY(!QTest::currentTestFailed());
    QCOMPARE(korean.size(), english.size());

    QStringList problems;
    for (qsizetype i = 0; i < english.size(); ++i) {
        if (SameInEveryLanguage(english[i]))
            continue;
        if (korean[i] == english[i])
            problems << QStringLiteral("untranslated: ") + english[i];
        else if (Mnemonic(korean[i]) != Mnemonic(english[i]))
            problems << QStringLiteral("mnemonic lost: %1 -> %2").arg(english[i], korean[i]);
    }
    problems.removeDuplicates();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
