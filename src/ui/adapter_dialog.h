#pragma once

#include <QDialog>
#include <QString>

class AdapterSelection;
class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// "Select Adapter": the network adapters (name, description, addresses)
// with the kept one preselected, the "Save" box, the file types that are
// captured ("Insert" / "Delete"), the HTTP, MMS and RTSP switches, and
// instead of an adapter a saved capture file to read. When the capture
// helper lacks the right to capture from an adapter, it says so and how to
// grant it. OK writes the choices into the selection.
class AdapterDialog final : public QDialog {
    Q_OBJECT
public:
    // listError: why the adapters could not be listed ("" when they could).
    // mayCapture: whether the capture helper has the right to capture live;
    // helper: its path, named in the text that says how to grant the right.
    AdapterDialog(AdapterSelection& selection, const QString& listError, bool mayCapture,
                  const QString& helper, QWidget* parent = nullptr);

    // The capture file to read instead of an adapter ("" for an adapter).
    QString captureFile() const;

    // The text that says how to grant the right to capture.
    static QString RightsText(const QString& helper);

    QListWidget* adapterList() const { return adapters_; }
    QCheckBox* saveBox() const { return save_; }
    QListWidget* fileTypeList() const { return types_; }
    QLineEdit* fileTypeEdit() const { return newType_; }
    QPushButton* insertButton() const { return insert_; }
    QPushButton* deleteButton() const { return delete_; }
    QCheckBox* httpBox() const { return http_; }
    QCheckBox* mmsBox() const { return mms_; }
    QCheckBox* rtspBox() const { return rtsp_; }
    QLineEdit* captureFileEdit() const { return file_; }
    QLabel* rightsNote() const { return rights_; }
    QDialogButtonBox* buttons() const { return buttons_; }

    void accept() override;

private:
    void FillTypes();
    void UpdateOk();

    AdapterSelection& selection_;
    QListWidget* adapters_;
    QCheckBox* save_;
    QListWidget* types_;
    QLineEdit* newType_;
    QPushButton* insert_;
    QPushButton* delete_;
    QCheckBox* http_;
    QCheckBox* mms_;
    QCheckBox* rtsp_;
    QLineEdit* file_;
    QPushButton* browse_;
    QLabel* rights_;
    QDialogButtonBox* buttons_;
};
