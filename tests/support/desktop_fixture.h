#pragma once

// The desktop program in a temporary home: its settings file (recordings
// go to rec/, the screen saver is left alone), the window and the list.
// Every window test starts one in init() and ends it in cleanup().

#include <functional>
#include <memory>

#include <QtTest>

#include "app/main_window.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "ui/media_list_model.h"
#include "ui/media_view.h"

class DesktopFixture {
public:
    // clients: how recordings and the URL check make their protocol
    // clients (empty: the real ones).
    void Start(ClientFactory clients = {})
    {
        clients_ = std::move(clients);
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        qputenv("HOME", dir_->path().toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", Path("conf").toLocal8Bit());
        qputenv("XDG_DATA_HOME", Path("data").toLocal8Bit());
        profile_ = std::make_unique<IniProfile>();
        profile_->WriteString("settings", "base dir", Path("rec").toStdString());
        profile_->WriteInt("settings", "ScreenSave ", 0);
        Reopen();
    }
    // Closes the window (it saves as at exit) and opens a new one on the
    // settings file as a new start reads it.
    void Reopen()
    {
        window_.reset();
        profile_ = std::make_unique<IniProfile>();
        window_ = std::make_unique<MainWindow>(*profile_, clients_);
        if (beforeShow)
            beforeShow(*window_);
        window_->show();
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    // The window goes as at a logout, without its Exit.
    void CloseWindow() { window_.reset(); }
    void Stop() { window_.reset(), profile_.reset(), dir_.reset(); }

    // Runs on every new window before it shows (a player joins it, say).
    std::function<void(MainWindow&)> beforeShow;

    MainWindow& W() const { return *window_; }
    MediaView& V() const { return *window_->view(); }
    MediaList& L() const { return window_->view()->list(); }
    IniProfile& P() const { return *profile_; }
    QString Path(const QString& name) const { return dir_->path() + QLatin1Char('/') + name; }
    QString Rec(const QString& name) const { return Path(QStringLiteral("rec/") + name); }

    // What the window shows in a cell.
    QString Cell(int row, int column) const
    {
        const MediaListModel* m = V().model();
        return m->data(m->index(row, column), Qt::DisplayRole).toString();
    }
    int Rows() const { return V().model()->rowCount(); }
    QStringList Addresses() const
    {
        QStringList out;
        for (int r = 0; r < Rows(); ++r)
            out.append(Cell(r, kColOriginalFile));
        return out;
    }
    // The row with this address (or -1), what it shows in a column.
    int RowOf(const QString& address) const { return L().FindAddress(address.toStdString()); }
    QString Shown(const QString& address, int column) const { return Cell(RowOf(address), column); }
    int Add(const QString& address, const QString& title = {}) const
    {
        return L().AddEntry(address.toStdString(), title.toStdString(), " ", "");
    }

    static void WriteText(const QString& path, const QByteArray& bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    static QByteArray ReadAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private:
    ClientFactory clients_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<IniProfile> profile_;
    std::unique_ptr<MainWindow> window_;
};
