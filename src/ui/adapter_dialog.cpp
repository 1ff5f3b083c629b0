#include "ui/adapter_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "capture/adapter_selection.h"
#include "capture/capture_rights.h"
#include "ui/qt_text.h"

AdapterDialog::AdapterDialog(AdapterSelection& selection, const QString& listError, bool mayCapture,
                             const QString& helper, QWidget* parent)
    : QDialog(parent),
      selection_(selection),
      adapters_(new QListWidget(this)),
      save_(new QCheckBox(tr("Save"), this)),
      types_(new QListWidget(this)),
      newType_(new QLineEdit(this)),
      insert_(new QPushButton(tr("Insert"), this)),
      delete_(new QPushButton(tr("Delete"), this)),
      http_(new QCheckBox(tr("HTTP"), this)),
      mms_(new QCheckBox(tr("MMS"), this)),
      rtsp_(new QCheckBox(tr("RTSP"), this)),
      file_(new QLineEdit(this)),
      browse_(new QPushButton(tr("..."), this)),
      rights_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(tr("Select Adapter"));
    setObjectName(QStringLiteral("selectAdapter"));

    for (const CaptureAdapter& a : selection.adapters()) {
        QString text = Q(a.name);
        if (!a.description.empty())
            text += QStringLiteral("  —  ") + Q(a.description);
        QStringList addresses;
        for (const std::string& address : a.addresses)
            addresses.append(Q(address));
        if (!addresses.isEmpty())
            text += QLatin1Char('\n') + QStringLiteral("    ") + addresses.join(QStringLiteral(", "));
        auto* item = new QListWidgetItem(text, adapters_);
        item->setData(Qt::UserRole, Q(a.name));
    }
    if (selection.selected >= 0)
        adapters_->setCurrentRow(selection.selected);
    adapters_->setMinimumHeight(110);
    save_->setChecked(selection.save);
    save_->setToolTip(tr("Keep the chosen adapter as the preselection"));

    rights_->setObjectName(QStringLiteral("rightsNote"));
    rights_->setWordWrap(true);
    rights_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QString note;
    if (!listError.isEmpty())
        note = listError + QStringLiteral("\n\n");
    if (!mayCapture)
        note += RightsText(helper);
    rights_->setText(note);
    rights_->setVisible(!note.isEmpty());
    rights_->setStyleSheet(QStringLiteral("QLabel { color: #a02020; }"));

    http_->setChecked(selection.captureHttp);
    mms_->setChecked(selection.captureMms);
    rtsp_->setChecked(selection.captureRtsp);
    types_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    types_->setMaximumHeight(100);
    FillTypes();
    connect(insert_, &QPushButton::clicked, this, [this] {
        selection_.InsertFileType(S(newType_->text()));
        newType_->clear();
        FillTypes();
    });
    connect(newType_, &QLineEdit::returnPressed, insert_, &QPushButton::click);
    connect(delete_, &QPushButton::clicked, this, [this] {
        std::vector<int> rows;
        for (const QModelIndex& index : types_->selectionModel()->selectedRows())
            rows.push_back(index.row());
        selection_.DeleteFileTypes(rows);
        FillTypes();
    });

    file_->setObjectName(QStringLiteral("captureFile"));
    file_->setPlaceholderText(tr("a saved capture (.pcap), read instead of an adapter"));
    connect(browse_, &QPushButton::clicked, this, [this] {
        QFileDialog dialog(this, tr("Capture File"), file_->text(),
                           tr("Capture files (*.pcap *.cap *.dmp);;All files (*)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            file_->setText(dialog.selectedFiles().first());
    });
    connect(file_, &QLineEdit::textChanged, this, &AdapterDialog::UpdateOk);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* adapterBox = new QGroupBox(tr("Adapter"), this);
    auto* adapterLayout = new QVBoxLayout(adapterBox);
    adapterLayout->addWidget(adapters_);
    adapterLayout->addWidget(save_);
    adapterLayout->addWidget(rights_);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(new QLabel(tr("Capture file:"), this));
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse_);
    adapterLayout->addLayout(fileRow);

    auto* typeBox = new QGroupBox(tr("File Type"), this);
    auto* typeLayout = new QVBoxLayout(typeBox);
    typeLayout->addWidget(types_);
    typeLayout->addWidget(new QLabel(tr("Insert the filetype you wish to capture url."), this));
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(newType_, 1);
    typeRow->addWidget(insert_);
    typeRow->addWidget(delete_);
    typeLayout->addLayout(typeRow);
    auto* switches = new QHBoxLayout;
    switches->addWidget(http_);
    switches->addWidget(mms_);
    switches->addWidget(rtsp_);
    switches->addStretch();
    typeLayout->addLayout(switches);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(adapterBox);
    layout->addWidget(typeBox);
    layout->addWidget(buttons_);
    resize(520, sizeHint().height());
    UpdateOk();
}

QString AdapterDialog::RightsText(const QString& helper)
{
    QString text = tr("Capturing from a network adapter is done by the capture helper %1, which "
                      "needs the cap_net_raw capability (or root); Brimcast itself never holds it. "
                      "A capture file can be read without it.")
                       .arg(helper);
    // The Debian package asks this question itself and manages the group.
    if (IsPackagedCaptureHelper(S(helper)))
        text += tr("\nInstalled from the Debian package, `sudo dpkg-reconfigure brimcast` grants it to "
                   "the members of the group %1; join it with `sudo adduser $USER %1` and log in again.")
                    .arg(QString::fromLatin1(kCaptureGroup));
    else
        text += tr("\nGrant it once with\n    %1").arg(Q(CaptureRightsCommand(S(helper))));
    return text;
}

QString AdapterDialog::captureFile() const { return file_->text().trimmed(); }

void AdapterDialog::FillTypes()
{
    types_->clear();
    for (const std::string& t : selection_.fileTypes())
        types_->addItem(Q(t));
}

void AdapterDialog::UpdateOk()
{
    // Without adapters only a capture file can be read.
    buttons_->button(QDialogButtonBox::Ok)
        ->setEnabled(adapters_->count() > 0 || !captureFile().isEmpty());
}

void AdapterDialog::accept()
{
    if (adapters_->count() == 0 && captureFile().isEmpty())
        return;
    selection_.selected = adapters_->currentRow();
    selection_.save = save_->isChecked();
    selection_.captureHttp = http_->isChecked();
    selection_.captureMms = mms_->isChecked();
    selection_.captureRtsp = rtsp_->isChecked();
    QDialog::accept();
}
