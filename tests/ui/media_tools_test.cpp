// The Cut dialog on a real sample.
#include <tuple>

#include <QtTest>
#include <QtWidgets>

#include "base/memory_profile.h"
#include "dialog_script.h"
#include "formats/asf_file_info.h"
#include "test_support.h"
#include "ui/media_tools_dialog.h"

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
        QCOMPARE(d.endSpin->maximum(), duration);

        // The marks at the slider: an end before the start is refused.
        d.slider->setValue(3);
        d.startButton->click();
        d.slider->setValue(2);
        d.endButton->click();
        QCOMPARE(d.endSeconds(), duration);
        d.slider->setValue(8);
        d.endButton->click();
        QCOMPARE(d.lengthText->text(), QStringLiteral("0:00:05"));
        // The spins cannot meet or pass each other.
        for (auto [spin, value, kept] : {std::tuple{d.startSpin, 8, 3}, std::tuple{d.endSpin, 3, 8}}) {
            spin->setValue(value);
            QCOMPARE(spin->value(), kept);
        }
        QCOMPARE(QPair(d.startSeconds(), d.endSeconds()), QPair(3, 8));
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
        const QString src = Copy(Sample(12), "clip.asf");
        QVERIFY(d.SetFile(src));
        d.startSpin->setValue(2);
        d.endSpin->setValue(6);
        QSignalSpy finished(&d, &MediaToolsDialog::cutFinished);
        d.cutButton->click();
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        const QString out = Path("clip_cut.asf");
        // The marks went to the cut.
        AsfFileInfo info;
        QVERIFY(info.Parse(out.toStdString()));
        QVERIFY2(info.DurationSeconds() >= 3 && info.DurationSeconds() <= 6,
                 qPrintable(QString::number(info.DurationSeconds())));

        // Cutting again over the file asks first; No keeps it.
        const qint64 size = QFileInfo(out).size();
        d.endSpin->setValue(4);
        DialogScript script;
        script.Then<QMessageBox>(Answer(QMessageBox::No));
        d.cutButton->click();
        QVERIFY(script.done() && !d.cutting());
        QCOMPARE(QFileInfo(out).size(), size);
        script.Then<QMessageBox>(Answer(QMessageBox::Yes));
        d.cutButton->click();
        QVERIFY(script.done());
        QVERIFY(finished.wait(60000));
        QVERIFY(QFileInfo(out).size() < size);

        QVERIFY(QFile::remove(out));

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

    std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(MediaToolsTest)
#include "media_tools_test.moc"
