#include "ui/file_info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "formats/asf_file_info.h"

QList<QPair<QString, QString>> FileInfoRows(const QString& path)
{
    static const char* const kLabels[] = {
        QT_TRANSLATE_NOOP("FileInfoDialog", "Title"),       QT_TRANSLATE_NOOP("FileInfoDialog", "Author"),
        QT_TRANSLATE_NOOP("FileInfoDialog", "Copyright"),   QT_TRANSLATE_NOOP("FileInfoDialog", "Description"),
        QT_TRANSLATE_NOOP("FileInfoDialog", "Size - time"), QT_TRANSLATE_NOOP("FileInfoDialog", "Bit rate"),
        QT_TRANSLATE_NOOP("FileInfoDialog", "Video"),       QT_TRANSLATE_NOOP("FileInfoDialog", "Audio"),
        QT_TRANSLATE_NOOP("FileInfoDialog", "Video codec"), QT_TRANSLATE_NOOP("FileInfoDialog", "Audio codec"),
        QT_TRANSLATE_NOOP("FileInfoDialog", "Path"),
    };
    QList<QPair<QString, QString>> rows;
    AsfFileInfo info;
    if (!info.Parse(path.toStdString())) {
        rows.append({FileInfoDialog::tr("Error"),
                     FileInfoDialog::tr("Not an ASF file: %1")
                         .arg(QString::fromStdString(info.Status().Text()))});
        return rows;
    }
    const std::vector<std::string> lines = FileInformationLines(info);
    for (size_t i = 0; i < lines.size() && i < std::size(kLabels); ++i)
        rows.append({FileInfoDialog::tr(kLabels[i]), QString::fromStdString(lines[i]).trimmed()});
    return rows;
}

FileInfoDialog::FileInfoDialog(const QString& path, QWidget* parent) : QDialog(parent), rows_(FileInfoRows(path))
{
    setWindowTitle(tr("File Info"));
    auto* form = new QFormLayout;
    for (const auto& [label, value] : rows_) {
        auto* text = new QLabel(value, this);
        text->setTextFormat(Qt::PlainText);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        text->setWordWrap(true);
        form->addRow(label + ':', text);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}
