// The window's tools: the Cut dialog on a real sample (range rules, the cut
// on its worker, Play and Delete), File Info, and the Play page's
// registration boxes against private XDG folders. Every dialog is answered
// by the test.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "desktop_fixture.h"
#include "base/memory_profile.h"
#include "dialog_script.h"
#include "formats/asf_file_info.h"
#include "player/player.h"
#include "qtprofile/ini_profile.h"
#include "test_support.h"
#include "ui/file_info_dialog.h"
#include "ui/media_tools_dialog.h"
#include "ui/media_view.h"
#include "ui/play_page.h"
#include "xdg/file_registration.h"

namespace {

QString Sample(double seconds)
{
    testsupport::SampleOptions options;
    options.seconds = seconds;
    return QString::fromStdString(testsupport::MakeSampleAsf(options));
}

void WriteText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

}  // namespace

class MediaToolsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }

    void cutPageRangeRules()
    {
        MemoryProfile profile;
        MediaToolsDialog d(profile, false);
        const QString src = Copy(Sample(12), "talk.asf");
        QVERIFY(d.SetFile(src));
        QCOMPARE(d.cutPath->text(), Path("talk_cut.asf"));
        const int duration = d.endSeconds();
        QVERIFY(duration >= 11 && duration <= 12);
        QCOMPARE(d.startSeconds(), 0);
        QCOMPARE(d.endSpin->maximum(), duration);
        QCOMPARE(d.startText->text(), QStringLiteral("0:00:00"));
        QCOMPARE(d.lengthText->text(), QString::fromStdString(DurationText(duration)));

        // Start at position 0 changes nothing; at 3 it becomes the start.
        d.slider->setValue(0);
        d.startButton->click();
        QCOMPARE(d.startSeconds(), 0);
        d.slider->setValue(3);
        d.startButton->click();
        QCOMPARE(d.startSeconds(), 3);
        QCOMPARE(d.startSpin->value(), 3);
        // End before the selection's start is refused; after it, taken.
        d.slider->setValue(2);
        d.endButton->click();
        QCOMPARE(d.endSeconds(), duration);
        d.slider->setValue(8);
        d.endButton->click();
        QCOMPARE(d.endSeconds(), 8);
        QCOMPARE(d.lengthText->text(), QStringLiteral("0:00:05"));
        // Start after the selection's end is refused.
        d.slider->setValue(9);
        d.startButton->click();
        QCOMPARE(d.startSeconds(), 3);
        // The spins cannot pass each other.
        d.startSpin->setValue(8);
        QCOMPARE(d.startSeconds(), 3);
        QCOMPARE(d.startSpin->value(), 3);
        d.endSpin->setValue(3);
        QCOMPARE(d.endSeconds(), 8);
        QCOMPARE(d.endSpin->value(), 8);
        d.startSpin->setValue(4);
        d.endSpin->setValue(7);
        QCOMPARE(d.startSeconds(), 4);
        QCOMPARE(d.endSeconds(), 7);
        // Jump without a player moves the slider.
        d.jumpEnd->click();
        QCOMPARE(d.slider->value(), 7);
        // A typed end is taken when the typing ends: "10" is not refused for
        // its first digit, which lies before the start.
        d.startSpin->setValue(5);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.activateWindow();
        d.endSpin->setFocus();
        QTest::keyClick(d.endSpin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(d.endSpin, QStringLiteral("10"));
        QTest::keyClick(d.endSpin, Qt::Key_Return);
        QCOMPARE(d.endSeconds(), 10);
        QCOMPARE(d.lengthText->text(), QStringLiteral("0:00:05"));
        // Typed before the start, it is refused as the arrows would be.
        QTest::keyClick(d.endSpin, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(d.endSpin, QStringLiteral("2"));
        QTest::keyClick(d.endSpin, Qt::Key_Tab);
        QCOMPARE(d.endSeconds(), 10);
        QCOMPARE(d.endSpin->value(), 10);
        d.startSpin->setValue(4);
        d.endSpin->setValue(7);

        // Not an ASF file: refused, the range stays.
        const QString bad = Path("bad.asf");
        WriteText(bad, "not asf");
        QVERIFY(!d.SetFile(bad));
        QVERIFY(d.status->text().contains("not an ASF file"));
        QCOMPARE(d.startSeconds(), 4);
    }

    void cutPlayAndDelete()
    {
        MemoryProfile profile;
        MediaToolsDialog d(profile, false);
        QStringList opened;
        d.openExternally = [&](const QString& path) { opened << path; };
        const QString src = Copy(Sample(12), "clip.asf");
        QVERIFY(d.SetFile(src));
        QVERIFY(!d.playButton->isEnabled());
        d.startSpin->setValue(2);
        d.endSpin->setValue(6);
        QSignalSpy finished(&d, &MediaToolsDialog::cutFinished);
        d.cutButton->click();
        QVERIFY(!d.cutButton->isEnabled());
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        const QString out = Path("clip_cut.asf");
        QVERIFY(QFileInfo::exists(out));
        QCOMPARE(d.progress->value(), d.progress->maximum());
        QVERIFY(d.cutButton->isEnabled());
        // The marks went to the cut (what it writes is the cut tool's test).
        AsfFileInfo info;
        QVERIFY(info.Parse(out.toStdString()));
        QVERIFY2(info.DurationSeconds() >= 3 && info.DurationSeconds() <= 6,
                 qPrintable(QString::number(info.DurationSeconds())));

        d.playButton->click();
        QCOMPARE(opened, QStringList{out});

        // Cutting again over the file asks first; No keeps it.
        const qint64 size = QFileInfo(out).size();
        d.endSpin->setValue(4);
        {
            DialogScript script;
            script.Then<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
            d.cutButton->click();
            QVERIFY(script.done());
        }
        QVERIFY(!d.cutting());
        QCOMPARE(QFileInfo(out).size(), size);
        {
            DialogScript script;
            script.Then<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
            d.cutButton->click();
            QVERIFY(script.done());
        }
        QVERIFY(finished.wait(60000));
        QVERIFY(QFileInfo(out).size() < size);

        d.deleteButton->click();
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(!d.playButton->isEnabled());

        // A link at the output name is never replaced: no question, the
        // cut's own refusal.
        QVERIFY(QFile::link(src, out));
        bool asked = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&asked] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                asked = true;
                modal->close();
            }
        });
        watch.start(20);
        d.cutButton->click();
        QVERIFY(!asked);
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.last().at(0).toBool(), false);
        QVERIFY2(d.status->text().contains(QLatin1String("symbolic link")), qPrintable(d.status->text()));
        QVERIFY(QFileInfo(out).isSymLink());
        QFile::remove(out);
        // Nothing else was left in the folder by the cuts.
        const QStringList left = QDir(dir_->path()).entryList(QStringList{"*.part"}, QDir::Files | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
    }

    void closingStopsACut()
    {
        MemoryProfile profile;
        const QString src = Copy(Sample(12), "stop.asf");
        const QString out = Path("stop_cut.asf");
        {
            MediaToolsDialog d(profile, false);
            QVERIFY(d.SetFile(src));
            d.cutButton->click();
            static_cast<QDialog&>(d).reject();  // at once: the worker is stopped or done, and joined
            QVERIFY(!d.cutting());
        }
        const QStringList parts = QDir(dir_->path()).entryList(QStringList{".stop*"}, QDir::Files | QDir::Hidden);
        QVERIFY2(parts.isEmpty(), qPrintable(parts.join(' ')));
        QFile::remove(out);
    }

    void previewJumpsAndPlays()
    {
        MemoryProfile profile;
        MediaToolsDialog d(profile, true);
        if (!d.previewPlayer())
            QSKIP("libmpv did not start");
        QVERIFY(!d.previewPlay->isEnabled());
        QVERIFY(d.SetFile(Copy(Sample(12), "preview.asf")));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        player::Player& player = *d.previewPlayer();
        // The first Jump opens the file, seeks and waits there.
        d.endSpin->setValue(7);
        d.jumpEnd->click();
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), player::PlayState::Paused, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(player.Position(), 7, 5000);
        QCOMPARE(d.slider->value(), 7);
        // Play and Pause of the preview.
        QCOMPARE(d.previewPlay->text(), QStringLiteral("Play"));
        d.previewPlay->click();
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), player::PlayState::Playing, 5000);
        QCOMPARE(d.previewPlay->text(), QStringLiteral("Pause"));
        d.previewPlay->click();
        QTRY_COMPARE_WITH_TIMEOUT(player.State(), player::PlayState::Paused, 5000);
        static_cast<QDialog&>(d).reject();
    }

    void fileInfoRows()
    {
        const auto rows = FileInfoRows(Sample(12));
        QCOMPARE(rows.size(), 11);
        QCOMPARE(rows.at(10).first, QStringLiteral("Path"));
        QVERIFY(rows.at(4).second.contains(" - 0:00:1"));  // size - duration
        QVERIFY(rows.at(6).second.startsWith("176 x 144"));
        const QString bad = Path("info-bad.asf");
        WriteText(bad, "xx");
        const auto error = FileInfoRows(bad);
        QCOMPARE(error.size(), 1);
        QVERIFY(error.at(0).second.startsWith("Not an ASF file"));
    }

    void playPageRegistersAndGivesBack()
    {
        xdg::XdgDirs dirs;
        dirs.configHome = Path("xdg/config").toStdString();
        dirs.dataHome = Path("xdg/data").toStdString();
        dirs.configDirs = {Path("xdg/etc").toStdString()};
        dirs.dataDirs = {Path("xdg/usr").toStdString()};
        QByteArray types;
        for (const std::string& t : xdg::HandledMimeTypes())
            types += QByteArray::fromStdString(t) + ';';
        WriteText(Path("xdg/usr/applications/brimcast.desktop"),
                  "[Desktop Entry]\nType=Application\nName=B\nExec=brimcast %u\nMimeType=" + types + "\n");
        WriteText(Path("xdg/usr/applications/other.desktop"),
                  "[Desktop Entry]\nType=Application\nName=O\nExec=other %u\nMimeType=video/x-msvideo;\n");
        WriteText(Path("xdg/config/mimeapps.list"), "[Default Applications]\nvideo/x-msvideo=other.desktop\n");
        MemoryProfile profile;
        AppSettings settings;
        PlayPage page(dirs);
        page.Load(settings, profile);
        QVERIFY(page.notInstalled->isHidden());
        QCOMPARE(page.boxes[3]->checkState(), Qt::Unchecked);  // AVI: another program's
        QCOMPARE(page.boxes[5]->checkState(), Qt::Checked);    // list files: only ours
        // OK without a click writes nothing.
        const QByteArray before = ReadAll(Path("xdg/config/mimeapps.list"));
        page.Store(settings, profile);
        QCOMPARE(ReadAll(Path("xdg/config/mimeapps.list")), before);
        // A click takes AVI; the page shows the new state.
        page.boxes[3]->click();
        QCOMPARE(page.boxes[3]->checkState(), Qt::Checked);
        page.Store(settings, profile);
        QCOMPARE(page.boxes[3]->checkState(), Qt::Checked);
        QVERIFY(ReadAll(Path("xdg/config/mimeapps.list")).contains("video/x-msvideo=brimcast.desktop;other.desktop;"));
        // Unchecking gives it back.
        page.boxes[3]->click();
        QCOMPARE(page.boxes[3]->checkState(), Qt::Unchecked);
        page.Store(settings, profile);
        QCOMPARE(page.boxes[3]->checkState(), Qt::Unchecked);
        QVERIFY(ReadAll(Path("xdg/config/mimeapps.list")).contains("video/x-msvideo=other.desktop;"));
        // An indeterminate box (.asf ours, the playlists not) turns checked
        // on a click, and OK takes the whole group with the addresses.
        WriteText(Path("xdg/config/mimeapps.list"), "[Default Applications]\napplication/vnd.ms-asf=brimcast.desktop\n"
                                                    "audio/x-ms-asx=other.desktop\n");
        page.Load(settings, profile);
        QCOMPARE(page.boxes[0]->checkState(), Qt::PartiallyChecked);
        page.boxes[0]->click();
        QCOMPARE(page.boxes[0]->checkState(), Qt::Checked);
        page.Store(settings, profile);
        QCOMPARE(page.boxes[0]->checkState(), Qt::Checked);
        QVERIFY(ReadAll(Path("xdg/config/mimeapps.list")).contains("x-scheme-handler/mms=brimcast.desktop;"));
        // Without our desktop entry the page says so.
        QFile::remove(Path("xdg/usr/applications/brimcast.desktop"));
        page.Load(settings, profile);
        QVERIFY(!page.notInstalled->isHidden());
    }

    void windowToolsMenu()
    {
        DesktopFixture f;
        f.Start();
        MainWindow& window = f.W();
        QMenu* tools = nullptr;
        for (QAction* a : window.menuBar()->actions())
            if (a->menu() && a->text().contains("Tools"))
                tools = a->menu();
        QVERIFY(tools && tools->actions().contains(window.actions().cut) &&
                tools->actions().contains(window.actions().fileInfo));
        // Both start with the file of the list's selected row.
        const QString src = Copy(Sample(12), "window.asf");
        f.Add(QStringLiteral("mms://h/other.asf"));
        f.Add(src);
        window.view()->SelectRow(1);
        QString offered;
        DialogScript script;
        script.Then<QFileDialog>([&offered](QFileDialog* d) {
            offered = d->selectedFiles().value(0);
            static_cast<QDialog*>(d)->accept();
        });
        window.actions().fileInfo->trigger();
        QVERIFY2(script.done(), qPrintable(script.missed()));
        QCOMPARE(offered, src);
        FileInfoDialog* info = window.findChild<FileInfoDialog*>();
        QVERIFY(info);
        QCOMPARE(info->rows().last().second, src);
        info->close();
        window.actions().cut->trigger();
        MediaToolsDialog* cut = window.findChild<MediaToolsDialog*>();
        QVERIFY(cut && cut->isVisible());
        QCOMPARE(cut->source->text(), src);
        QCOMPARE(cut->cutPath->text(), Path("window_cut.asf"));
        cut->close();
        f.Stop();
    }

private:
    QString Path(const QString& name) const { return dir_->path() + '/' + name; }
    QString Copy(const QString& from, const QString& name)
    {
        const QString to = Path(name);
        QFile::remove(to);
        if (!QFile::copy(from, to))
            qFatal("cannot copy the sample");
        return to;
    }
    static QByteArray ReadAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(MediaToolsTest)
#include "media_tools_test.moc"
