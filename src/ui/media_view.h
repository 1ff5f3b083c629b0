#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "base/cancel_signal.h"
#include "ui/recent_list.h"

struct AppSettings;
class MediaList;
class MediaListModel;
class Profile;
class QAction;
class QHBoxLayout;
class QMenu;
class QSortFilterProxyModel;
class QTableView;
class QtTaskPoster;
class QtUserPrompts;
class TaskPoster;

// The lower pane of the window: the media list and its commands. Recording
// and playing are done by the parts that connect to recordRequested and
// playRequested; the view only says which row.
class MediaView final : public QWidget {
    Q_OBJECT
public:
    MediaView(AppSettings& settings, Profile& profile, QWidget* parent = nullptr);
    ~MediaView() override;

    MediaList& list() { return *list_; }
    MediaListModel* model() const { return model_; }
    // The list as shown: sorted by a click on a header (a third click
    // gives the list's own order back). Rows of the view's API are the
    // list's rows; only the table's indexes are the sorter's.
    QTableView* table() const { return table_; }
    QSortFilterProxyModel* sorter() const { return sorter_; }
    // The table's index of a list row, and the list row of a table index.
    QModelIndex ViewIndex(int row, int column = 0) const;
    int ListRow(const QModelIndex& viewIndex) const;
    QtUserPrompts& prompts() { return *prompts_; }
    // The bar above the list where the recording and player controls go.
    QHBoxLayout* controlsBar() const { return controls_; }

    // Opens a path or address into the list (list files, playlists, plain
    // entries). Returns the first new row or -1.
    int OpenEntry(const QString& path, const QString& title, const QString& sizeSwitch);
    int SelectedRow() const;
    void SelectRow(int row);
    void PlayRow(int row);
    void RecordRow(int row);  // unless the busy rows fill every recording slot
    bool AnyRowBusy() const;
    // The row the player is on (-1: none), followed by id.
    int playingRow() const;
    void SetPlayingRow(int row);
    // Other threads post what must happen to the list here (capture, URL
    // check).
    TaskPoster& taskPoster();

    // The automatic list file: $XDG_DATA_HOME/Brimcast/brimcast.kvx.
    static QString AutoListPath();
    // Reads the automatic list file when "Save Play list." is set.
    void LoadAutoList();
    // At exit: writes the automatic list file when "Save Play list." is set,
    // otherwise deletes it.
    void SaveAutoList();

    // Re-reads the recent files after the preferences deleted them.
    void ReloadRecent();
    void AddRecentFile(const QString& path);
    QStringList recentFiles() const { return recentFiles_.Items(); }

    // Ends the view's own background work (the credential probe of a list
    // file) and waits for it; an open question is withdrawn.
    void StopWork();
    bool probeRunning() const { return probeRunning_; }

    // Applies settings that change how the list looks (tool tips).
    void SettingsChanged();

    // The columns' widths and order and the sort, kept in the profile
    // between runs ("List" section). Saved with the window's state; read
    // when the list is made (order, sort) and first shown (widths).
    void SaveLayout();

    // The commands, for the window's menus and tests.
    struct Actions {
        QAction* newList;
        QAction* open;
        QAction* openAs;
        QAction* urlOpen;
        QAction* deleteRow;
        QAction* modifyUrl;
        QAction* modifyFileName;
        QAction* info;
        QAction* setAuthentication;
        QAction* copyClipboard;
        QAction* asxSave;
        QAction* asxSaveAs;
        QAction* saveOnlyUrl;
        QAction* saveOnlyFile;
        QAction* saveAll;
        QAction* asxDataBank;
        QAction* kvxDataBank;
        QAction* play;
    };
    const Actions& actions() const { return actions_; }
    QMenu* recentMenu() const { return recentMenu_; }
    QMenu* popupMenu() const { return popup_; }

    // The web pages of the two "DataBank" commands.
    static const char* const kAsxDataBankUrl;
    static const char* const kKvxDataBankUrl;

protected:
    void showEvent(QShowEvent* event) override;

signals:
    void playRequested(int row);
    void recordRequested(int row);
    // Open asks whatever records or plays the selected row to stop first.
    void stopRequested();

private:
    // Shows the hidden Info column, at a share of the list's width.
    void RevealInfoColumn();
    void CreateActions();
    void UpdateActions();
    void RebuildRecentMenu();

    void New();
    void Open(bool keepList);
    void UrlOpen();
    void DeleteSelected();
    void ModifyUrl();
    void ModifyFileName();
    void EditInfo();
    void SetAuthentication();
    void CopyClipboard();
    void AsxSave(bool saveAs);
    void SaveListFile(int mode);
    void OpenRecent(const QString& path);
    void StartCredentialProbe(const std::string& address, const std::string& user,
                              const std::string& password);

    AppSettings& settings_;
    Profile& profile_;
    QtUserPrompts* prompts_;
    std::unique_ptr<MediaList> list_;
    MediaListModel* model_;
    QSortFilterProxyModel* sorter_;
    QTableView* table_;
    QHBoxLayout* controls_;
    RecentList recentFiles_;
    RecentList urlHistory_;
    Actions actions_{};
    QMenu* recentMenu_;
    QMenu* popup_;
    uint64_t playingId_ = 0;
    QtTaskPoster* poster_;
    // A list file that carried member credentials has them tried against
    // its first network address, on a thread of its own.
    std::thread probeThread_;
    std::atomic<bool> probeRunning_{false};
    CancelSignal probeStop_;
    bool widthsSet_ = false;
};
