#pragma once

#include <QString>

// The file names the player derives from a medium, and caption text as mpv
// takes it.

namespace player {

// The caption file that belongs to a medium: the same name with ".smi" in
// place of its extension.
QString CaptionFileFor(const QString& mediaPath);

// Caption text with every "&nbsp;" (also without ";") removed.
QString WithoutNbsp(QString text);

// "<title>_<h>-<mm>-<ss>.png" for a frame at a position, made safe as one
// file name in the given folder and not taking the name of an existing file.
QString CaptureFilePath(const QString& folder, const QString& title, int seconds);

}  // namespace player
