#pragma once

#include <QString>
#include <vector>

// How an entry of the media list becomes something mpv opens.

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

}  // namespace player
