#pragma once

#include <QString>
#include <QStringList>

// How the program was asked to open its argument: "/Open" and "/Play" (also
// the default) add and play it, "/Record" adds and records it (unless a
// recording runs). The player tells Open and Play apart.
enum class LaunchMode : int { Open = 0, Play = 1, Record = 2 };

// One launch argument split at "&&": path or address, title, size switch.
// A missing title is empty; a missing size switch is "0" (the entry's file
// size is then not looked up).
struct LaunchEntry {
    QString path;
    QString title;
    QString sizeSwitch;
};

// What one start of the program asks for: the mode and the arguments to
// open, in order. The first argument is played or recorded as the mode
// says; the others are only added.
struct LaunchRequest {
    LaunchMode mode = LaunchMode::Play;
    QStringList arguments;
    // Program options (not handed over to a running instance).
    bool showHelp = false;
    bool showVersion = false;
    QString screenshotPath;  // take a picture of the window and quit
    int screenshotDelayMs = 1500;  // how long after the start the picture is taken
    QString error;           // a usage error: printed, exit status 2
};

// The mode named by the start of a switch: "/Open" -> Open, "/Play" -> Play,
// "/Rec..." -> Record, anything else -> Play. Case-sensitive.
LaunchMode LaunchModeOf(const QString& switchText);

// Splits a launch argument at "&&" into path, title and size switch.
LaunchEntry SplitLaunchArgument(const QString& argument);

// Parses the arguments after the program name. Accepted forms:
//   brimcast [/Open|/Play|/Record] [ARG]   (the form the file associations use)
//   brimcast FILE-OR-URL...                (each opened, the first played)
// A first argument counts as a mode switch when it begins with "/Open",
// "/Play" or "/Rec" and is a single word (no further "/"), so that a local
// path such as "/Recordings/a.asf" stays a path. Other single-word tokens
// that start with "/" are ignored like any unknown switch; "--help",
// "--version", "--screenshot FILE" and "--screenshot-delay SECONDS" are
// options.
LaunchRequest ParseCommandLine(const QStringList& args);
