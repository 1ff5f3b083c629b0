#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

// The address dialog of URL Open: one or more addresses, one per line, a
// history of recent addresses to pick from, and three ways to close it:
// play the first address, record it, or only add the addresses.
class UrlOpenDialog final : public QDialog {
    Q_OBJECT
public:
    enum Choice { Cancelled = 0, Play = 1, Record = 2, Add = 3 };

    UrlOpenDialog(const QStringList& history, QWidget* parent = nullptr);

    // The non-empty lines, trimmed, in order.
    QStringList addresses() const;
    Choice choice() const { return choice_; }

    void SetRecordEnabled(bool enabled);
    QPlainTextEdit* editor() const { return editor_; }
    QComboBox* historyBox() const { return history_; }
    QPushButton* playButton() const { return play_; }
    QPushButton* recordButton() const { return record_; }
    QPushButton* addButton() const { return add_; }

private:
    void Finish(Choice choice);

    QPlainTextEdit* editor_;
    QComboBox* history_;
    QPushButton* play_;
    QPushButton* record_;
    QPushButton* add_;
    Choice choice_ = Cancelled;
};
