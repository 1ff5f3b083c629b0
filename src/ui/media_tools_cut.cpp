#include <sys/stat.h>

#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "base/display_text.h"
#include "base/profile.h"
#include "base/setting_keys.h"
#include "tools/asf_cut.h"
#include "ui/media_tools_dialog.h"

// The cut itself: a worker thread writes the part between the marks to the
// cut file while the dialog shows its progress and can stop it.

namespace {

QString TimeText(int seconds) { return QString::fromStdString(DurationText(seconds)); }

}  // namespace

void MediaToolsDialog::StartCut()
{
    if (cutting() || sourcePath_.isEmpty())
        return;
    const QString out = cutPath->text().trimmed();
    if (out.isEmpty()) {
        status->setText(tr("Give the cut file a name."));
        return;
    }
    // Only a regular file other than the source is ever replaced, and only
    // that is worth a question; anything else (a link, a pipe, a device, a
    // folder, the source itself) the cut refuses with its own words.
    bool overwrite = false;
    struct stat at{};
    struct stat src{};
    const QByteArray outName = QFile::encodeName(out);
    if (::lstat(outName.constData(), &at) == 0 && S_ISREG(at.st_mode) &&
        !(::stat(QFile::encodeName(sourcePath_).constData(), &src) == 0 && src.st_dev == at.st_dev &&
          src.st_ino == at.st_ino)) {
        if (QMessageBox::question(this, tr("Cut"), tr("%1 exists. Replace it?").arg(out),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
            return;
        overwrite = true;
    }
    cutButton->setEnabled(false);
    playButton->setEnabled(false);
    deleteButton->setEnabled(false);
    status->setText(tr("Cutting..."));
    progress->setRange(0, 1);
    progress->setValue(0);
    stop_ = false;
    finished_ = false;
    done_ = 0;
    total_ = 0;
    CutRequest request{sourcePath_.toStdString(), out.toStdString(), start_, end_, overwrite};
    worker_ = std::thread([this, request] {
        CutResult r = CutAsfFile(request, stop_, [this](uint64_t done, uint64_t total) {
            total_.store(total, std::memory_order_relaxed);
            done_.store(done, std::memory_order_relaxed);
        });
        ok_ = r.status == CutResult::Status::Done;
        message_ = ok_ ? tr("%n packet(s), %1", "", static_cast<int>(std::min<uint64_t>(r.packets, INT32_MAX)))
                             .arg(TimeText(static_cast<int>(r.durationMs / 1000)))
                       : QString::fromStdString(r.message);
        finished_.store(true, std::memory_order_release);
    });
    cutTimer_->start(100);
}

void MediaToolsDialog::PollCut()
{
    const uint64_t total = total_.load(std::memory_order_relaxed);
    if (total > 0) {
        // The bar counts in thousandths, whatever the number of packets.
        progress->setRange(0, 1000);
        progress->setValue(static_cast<int>(done_.load(std::memory_order_relaxed) * 1000 / total));
    }
    if (!finished_.load(std::memory_order_acquire))
        return;
    cutTimer_->stop();
    worker_.join();
    cutButton->setEnabled(true);
    playButton->setEnabled(ok_);
    deleteButton->setEnabled(ok_);
    status->setText(ok_ ? tr("Cut: %1").arg(message_) : tr("Not cut: %1").arg(message_));
    emit cutFinished(ok_, message_);
}

void MediaToolsDialog::StopCut()
{
    if (!worker_.joinable())
        return;
    stop_ = true;
    worker_.join();
    cutTimer_->stop();
}

void MediaToolsDialog::PlayCut()
{
    const QString out = cutPath->text().trimmed();
    if (!out.isEmpty() && QFileInfo::exists(out) && openExternally)
        openExternally(out);
}

void MediaToolsDialog::DeleteCut()
{
    const QString out = cutPath->text().trimmed();
    if (out.isEmpty() || cutting())
        return;
    if (QFile::remove(out) || !QFileInfo::exists(out)) {
        playButton->setEnabled(false);
        deleteButton->setEnabled(false);
        status->setText(tr("Deleted %1").arg(out));
    }
}

void MediaToolsDialog::BrowseCut()
{
    const QString start = QString::fromStdString(ReadSetting(profile_, setting_keys::kLastMediaFolder, cutPath->text().toStdString()));
    const QString chosen = QFileDialog::getSaveFileName(
        this, tr("Cut file"), start, tr("Video files (*.asf *.wmv);;All files (*)"), nullptr);
    if (chosen.isEmpty())
        return;
    cutPath->setText(chosen.endsWith(".asf", Qt::CaseInsensitive) || chosen.endsWith(".wmv", Qt::CaseInsensitive) ||
                             QFileInfo(chosen).suffix().size() > 0
                         ? chosen
                         : chosen + ".asf");
    WriteSetting(profile_, setting_keys::kLastMediaFolder, sourcePath_.toStdString());
}
