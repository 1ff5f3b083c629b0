#include "ui/record_page.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/app_settings.h"
#include "base/profile.h"
#include "ui/qt_text.h"

namespace {
constexpr int kMaxSizeMb = 2000000;            // about 2 TB
constexpr int kMaxMinutes = 35791394;          // minutes * 60 + 59 stays an int
constexpr int kMaxReconnectSeconds = 7 * 24 * 3600;
}

RecordPage::RecordPage(QWidget* parent)
    : PreferencesPage(parent),
      baseDir(new QLineEdit(this)),
      browse(new QPushButton(tr("..."), this)),
      overWrite(new QCheckBox(tr("Overwrite confirmation"), this)),
      resumable(new QCheckBox(tr("Resumable confirmation"), this)),
      liveTimeInfo(new QCheckBox(tr("Save time info, if live content."), this)),
      sizePolicy(new QCheckBox(tr("Max Size"), this)),
      maxSize(new QSpinBox(this)),
      timePolicy(new QCheckBox(tr("Max Time"), this)),
      maxMinutes(new QSpinBox(this)),
      maxSeconds(new QSpinBox(this)),
      reconnect(new QSpinBox(this)),
      playerAgent(new QComboBox(this)),
      parallelRecordings(new QSpinBox(this)),
      fileTypes(new QListWidget(this)),
      newFileType(new QLineEdit(this)),
      addFileType(new QPushButton(tr("Add"), this)),
      removeFileType(new QPushButton(tr("Remove"), this)),
      checkParallel(new QSpinBox(this)),
      checkSeconds(new QSpinBox(this)),
      useProxy(new QCheckBox(tr("Use Proxy"), this)),
      proxyServer(new QLineEdit(this)),
      proxyPort(new QSpinBox(this)),
      bypassProxy(new QCheckBox(tr("Bypass Proxy"), this))
{
    checkParallel->setRange(1, AppSettings::kMaxCheckParallel);
    checkSeconds->setRange(AppSettings::kMinCheckSeconds, AppSettings::kMaxCheckSeconds);
    maxSize->setRange(1, kMaxSizeMb);
    maxMinutes->setRange(0, kMaxMinutes);
    maxSeconds->setRange(0, 59);
    reconnect->setRange(0, kMaxReconnectSeconds);
    reconnect->setSuffix(tr(" s"));
    reconnect->setSpecialValueText(tr("Off"));
    reconnect->setToolTip(tr("A stream whose connection drops is reconnected until one outage lasts this long"));
    parallelRecordings->setRange(1, AppSettings::kMaxParallelRecordings);
    parallelRecordings->setToolTip(
        tr("How many rows record at once; with 1 the rows record one after the other"));
    playerAgent->setEditable(true);
    playerAgent->setInsertPolicy(QComboBox::InsertAtBottom);
    playerAgent->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    playerAgent->setMinimumContentsLength(24);
    newFileType->setPlaceholderText(tr(".ext"));
    proxyServer->setPlaceholderText(tr("proxy host"));
    proxyPort->setRange(0, 65535);
    bypassProxy->setToolTip(
        tr("Use this computer's own address as the proxy host, with the port given here"));
    fileTypes->setMaximumHeight(110);

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(baseDir, 1);
    pathRow->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString dir = QFileDialog::getExistingDirectory(
            this, tr("Default Path"), baseDir->text(),
            QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        if (!dir.isEmpty())
            baseDir->setText(dir);
    });

    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(sizePolicy);
    sizeRow->addWidget(maxSize);
    sizeRow->addWidget(new QLabel(tr("MB"), this));
    sizeRow->addStretch();
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(timePolicy);
    timeRow->addWidget(maxMinutes);
    timeRow->addWidget(new QLabel(tr("M"), this));
    timeRow->addWidget(maxSeconds);
    timeRow->addWidget(new QLabel(tr("S"), this));
    timeRow->addStretch();
    auto* proxyRow = new QHBoxLayout;
    proxyRow->addWidget(useProxy);
    proxyRow->addWidget(proxyServer, 1);
    proxyRow->addWidget(new QLabel(tr(":"), this));
    proxyRow->addWidget(proxyPort);
    proxyRow->addWidget(bypassProxy);
    connect(useProxy, &QCheckBox::toggled, this, &RecordPage::UpdateEnabled);
    connect(bypassProxy, &QCheckBox::toggled, this, &RecordPage::UpdateEnabled);
    connect(sizePolicy, &QCheckBox::toggled, this, &RecordPage::UpdateEnabled);
    connect(timePolicy, &QCheckBox::toggled, this, &RecordPage::UpdateEnabled);

    auto* typeButtons = new QHBoxLayout;
    typeButtons->addWidget(newFileType, 1);
    typeButtons->addWidget(addFileType);
    typeButtons->addWidget(removeFileType);
    connect(addFileType, &QPushButton::clicked, this, [this] {
        QString type = newFileType->text().trimmed().toLower();
        if (type.isEmpty())
            return;
        if (!type.startsWith(QLatin1Char('.')))
            type.prepend(QLatin1Char('.'));
        if (fileTypes->findItems(type, Qt::MatchExactly).isEmpty())
            fileTypes->addItem(type);
        newFileType->clear();
    });
    connect(newFileType, &QLineEdit::returnPressed, addFileType, &QPushButton::click);
    connect(removeFileType, &QPushButton::clicked, this,
            [this] { delete fileTypes->currentItem(); });

    auto* form = new QFormLayout;
    form->addRow(tr("Default Path"), pathRow);
    form->addRow(overWrite);
    form->addRow(resumable);
    form->addRow(liveTimeInfo);
    form->addRow(sizeRow);
    form->addRow(timeRow);
    form->addRow(tr("Reconnect"), reconnect);
    form->addRow(tr("Player agent"), playerAgent);
    auto* checkRow = new QHBoxLayout;
    checkRow->addWidget(checkParallel);
    checkRow->addWidget(new QLabel(tr("addresses at once, at most"), this));
    checkRow->addWidget(checkSeconds);
    checkRow->addWidget(new QLabel(tr("seconds each"), this));
    checkRow->addStretch();
    form->addRow(tr("URL Check"), checkRow);
    form->addRow(tr("Parallel recordings"), parallelRecordings);
    form->addRow(tr("Proxy"), proxyRow);

    auto* typesBox = new QGroupBox(tr("File types kept by URL Capture"), this);
    auto* typesLayout = new QVBoxLayout(typesBox);
    typesLayout->addWidget(fileTypes);
    typesLayout->addLayout(typeButtons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(typesBox);
    layout->addStretch();
    NameControls();
    // Tab follows the rows as they read, not the order the controls were made in.
    QWidget* order[] = {baseDir,     browse,      overWrite,     resumable,    liveTimeInfo,
                        sizePolicy,  maxSize,     timePolicy,    maxMinutes,   maxSeconds,
                        reconnect,   playerAgent, checkParallel, checkSeconds, parallelRecordings,
                        useProxy,    proxyServer, proxyPort,     bypassProxy,  fileTypes,
                        newFileType, addFileType, removeFileType};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void RecordPage::NameControls()
{
    // Controls that share a row have no label of their own.
    baseDir->setAccessibleName(tr("Default Path"));
    browse->setAccessibleName(tr("Choose the default path"));
    maxSize->setAccessibleName(tr("Max Size (MB)"));
    maxMinutes->setAccessibleName(tr("Max Time, minutes"));
    maxSeconds->setAccessibleName(tr("Max Time, seconds"));
    checkParallel->setAccessibleName(tr("URL Check: addresses at once"));
    checkSeconds->setAccessibleName(tr("URL Check: seconds for each address"));
    fileTypes->setAccessibleName(tr("File types kept by URL Capture"));
    newFileType->setAccessibleName(tr("New file type"));
    addFileType->setAccessibleName(tr("Add the file type"));
    removeFileType->setAccessibleName(tr("Remove the selected file type"));
    proxyServer->setAccessibleName(tr("Proxy host"));
    proxyPort->setAccessibleName(tr("Proxy port"));
}

void RecordPage::UpdateEnabled()
{
    maxSize->setEnabled(sizePolicy->isChecked());
    maxMinutes->setEnabled(timePolicy->isChecked());
    maxSeconds->setEnabled(timePolicy->isChecked());
    proxyServer->setEnabled(useProxy->isChecked() && !bypassProxy->isChecked());
    proxyPort->setEnabled(useProxy->isChecked());
    bypassProxy->setEnabled(useProxy->isChecked());
}

void RecordPage::Load(const AppSettings& s, const Profile& profile)
{
    baseDir->setText(Q(s.m_baseDir));
    overWrite->setChecked(s.m_overWrite != 0);
    resumable->setChecked(s.m_resumable != 0);
    liveTimeInfo->setChecked(s.m_liveContentSaveTimeInfo != 0);
    sizePolicy->setChecked(s.m_sizePolicy != 0);
    maxSize->setValue(s.m_maxSize);
    timePolicy->setChecked(s.m_timePolicy != 0);
    maxMinutes->setValue(MaxTimeMinutes(s.m_maxTime));
    maxSeconds->setValue(MaxTimeSeconds(s.m_maxTime));
    checkParallel->setValue(s.m_checkParallel);
    checkSeconds->setValue(s.m_checkSeconds);
    reconnect->setValue(s.m_reconnect);
    parallelRecordings->setValue(ParallelRecordingsIn(s.m_parallelRecordings));
    useProxy->setChecked(s.m_useProxy != 0);
    proxyServer->setText(Q(s.m_proxyServer));
    proxyPort->setValue(std::clamp(s.m_proxyPort, 0, 65535));
    bypassProxy->setChecked(s.m_bypassProxy != 0);
    UpdateEnabled();

    int selected = -1;
    const std::vector<std::string> agents = LoadPlayerAgents(profile, s.m_playerAgent, &selected);
    playerAgent->clear();
    for (const std::string& a : agents)
        playerAgent->addItem(Q(a));
    playerAgent->setCurrentIndex(selected);

    fileTypes->clear();
    for (const std::string& t : s.m_fileTypes)
        fileTypes->addItem(Q(t));
}

void RecordPage::Store(AppSettings& s, Profile& profile)
{
    QString dir = baseDir->text().trimmed();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    s.m_baseDir = S(dir);
    s.m_overWrite = overWrite->isChecked() ? 1 : 0;
    s.m_resumable = resumable->isChecked() ? 1 : 0;
    s.m_liveContentSaveTimeInfo = liveTimeInfo->isChecked() ? 1 : 0;
    s.m_sizePolicy = sizePolicy->isChecked() ? 1 : 0;
    s.m_maxSize = maxSize->value();
    s.m_timePolicy = timePolicy->isChecked() ? 1 : 0;
    s.m_maxTime = MaxTimeFromPage(maxMinutes->value(), maxSeconds->value());
    s.m_checkParallel = checkParallel->value();
    s.m_checkSeconds = checkSeconds->value();
    s.m_reconnect = reconnect->value();
    s.m_parallelRecordings = parallelRecordings->value();
    s.m_useProxy = useProxy->isChecked() ? 1 : 0;
    s.m_proxyServer = S(proxyServer->text().trimmed());
    s.m_proxyPort = proxyPort->value();
    s.m_bypassProxy = bypassProxy->isChecked() ? 1 : 0;

    // The typed identity joins the list so that it is offered next time.
    const QString current = playerAgent->currentText().trimmed();
    if (!current.isEmpty() && playerAgent->findText(current, Qt::MatchExactly) < 0)
        playerAgent->addItem(current);
    std::vector<std::string> agents;
    for (int i = 0; i < playerAgent->count(); ++i) {
        if (!playerAgent->itemText(i).isEmpty())
            agents.push_back(S(playerAgent->itemText(i)));
    }
    SavePlayerAgents(profile, agents);
    if (!current.isEmpty())
        s.m_playerAgent = S(current);

    s.m_fileTypes.clear();
    for (int i = 0; i < fileTypes->count(); ++i)
        s.m_fileTypes.push_back(S(fileTypes->item(i)->text()));
}
