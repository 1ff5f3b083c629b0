#include "ui/url_open_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

UrlOpenDialog::UrlOpenDialog(const QStringList& history, QWidget* parent)
    : QDialog(parent),
      editor_(new QPlainTextEdit(this)),
      history_(new QComboBox(this)),
      play_(new QPushButton(tr("&Play"), this)),
      record_(new QPushButton(tr("&Record"), this)),
      add_(new QPushButton(tr("&Add"), this))
{
    setWindowTitle(tr("URL Open"));
    editor_->setPlaceholderText(tr("mms://server/stream.asf"));
    editor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    editor_->setTabChangesFocus(true);
    if (!history.isEmpty())
        editor_->setPlainText(history.first());
    editor_->selectAll();

    history_->addItem(tr("Recent addresses..."));
    history_->addItems(history);
    history_->setEnabled(!history.isEmpty());
    connect(history_, &QComboBox::activated, this, [this](int index) {
        if (index <= 0)
            return;
        // A picked address replaces a lone selected line, else is appended.
        QTextCursor cursor = editor_->textCursor();
        if (editor_->toPlainText().trimmed().isEmpty() || cursor.hasSelection())
            cursor.insertText(history_->itemText(index));
        else
            editor_->appendPlainText(history_->itemText(index));
        history_->setCurrentIndex(0);
        editor_->setFocus();
    });

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(play_, QDialogButtonBox::AcceptRole);
    buttons->addButton(record_, QDialogButtonBox::AcceptRole);
    buttons->addButton(add_, QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    play_->setDefault(true);
    connect(play_, &QPushButton::clicked, this, [this] { Finish(Play); });
    connect(record_, &QPushButton::clicked, this, [this] { Finish(Record); });
    connect(add_, &QPushButton::clicked, this, [this] { Finish(Add); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("A&ddresses (one per line):"), this);
    label->setBuddy(editor_);
    history_->setAccessibleName(tr("Recent addresses"));
    layout->addWidget(label);
    layout->addWidget(editor_);
    layout->addWidget(history_);
    layout->addWidget(buttons);
    resize(520, 240);
}

QStringList UrlOpenDialog::addresses() const
{
    QStringList out;
    const QStringList lines = editor_->toPlainText().split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (!t.isEmpty())
            out.append(t);
    }
    return out;
}

void UrlOpenDialog::SetRecordEnabled(bool enabled) { record_->setEnabled(enabled); }

void UrlOpenDialog::Finish(Choice choice)
{
    if (addresses().isEmpty()) {
        editor_->setFocus();
        return;
    }
    choice_ = choice;
    accept();
}
