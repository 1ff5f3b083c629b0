#pragma once

#include <QString>
#include <vector>

// How an entry of the media list becomes something mpv opens, and the file
// names the player derives from a medium.

namespace player {

// Local paths: "/", "~/", "./", "../", "file://", or a drive letter and ":\"
// (lists made on Windows). Everything else with a scheme is an address.
bool IsLocalAddress(const QString& address);

// The file system path of a local address ("~/" expanded, "file://"
// decoded); empty for a network address.
QString LocalPath(const QString& address);

struct PlayTarget {
    QString url;        // what mpv opens
    bool mmsh = false;  // MMS over HTTP: credentials can only go through the relay
};

// The ways of reaching an address, in the order they are tried. A local
// file that is still being written is followed as it grows. user and
// password (both non-empty) are put into http(s) addresses that carry none.
std::vector<PlayTarget> PlayTargets(const QString& address, bool growing, const QString& user = {},
                                    const QString& password = {});

// Host and port of a network address (port 0 when the address names none),
// and the path with its query ("/" when empty).
struct AddressParts {
    QString host;
    int port = 0;
    QString pathAndQuery;
};
AddressParts SplitAddress(const QString& address);

// The caption file that belongs to a medium: the same name with ".smi" in
// place of its extension.
QString CaptionFileFor(const QString& mediaPath);

// Caption text with every "&nbsp;" (also without ";") removed.
QString WithoutNbsp(QString text);

// "<title>_<h>-<mm>-<ss>.png" for a frame at a position, made safe as one
// file name in the given folder and not taking the name of an existing file.
QString CaptureFilePath(const QString& folder, const QString& title, int seconds);

}  // namespace player
