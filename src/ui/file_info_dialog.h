#pragma once

#include <QDialog>

class QFormLayout;

// Tools > File Info: the information of an ASF file (title, author,
// copyright, description, size and duration, bit rate, video and audio
// formats, codecs, path), or why it could not be read.
class FileInfoDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FileInfoDialog(const QString& path, QWidget* parent = nullptr);

    // The texts shown, label and value, in order (for tests).
    QList<QPair<QString, QString>> rows() const { return rows_; }

private:
    QList<QPair<QString, QString>> rows_;
};

// The label and value pairs of the file information of path; a file that is
// not an ASF file gives one row that says why.
QList<QPair<QString, QString>> FileInfoRows(const QString& path);
