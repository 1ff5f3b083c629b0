#pragma once

#include <string>

struct AppSettings;
class UserPrompts;

// The one-entry ASX playlist that the media list saves for a row, so that
// another player can open the stream:
//   <ASX version="3.0">, <Entry>, <TITLE>title</TITLE>, <ref href="address"/>,
//   </Entry>, </ASX>
// one per line, each ending in CR LF, nothing escaped. Lines are written
// whole whatever their length: a cut address would name another stream.

enum class AsxWriteResult {
    Written,
    Declined,  // the user kept the existing file or cancelled the save dialog
    Failed,    // the file could not be opened or written
};

// The row title with each of \ / : * ? " < > | (and NUL) replaced by "_".
std::string CleanAsxTitle(const std::string& title);

// The folder ASX files are saved into: the base folder.
std::string AsxSaveFolder(const AppSettings& settings);

// The save path proposed for a row: the save folder and the cleaned title
// with ".asx", or "noname.asx" when the cleaned title is empty.
std::string ProposedAsxPath(const AppSettings& settings, const std::string& title);

// Writes the playlist at path. An existing file is replaced only when
// prompts answers yes to "<path> \n\n File exist. Overwrite?"; with no
// prompts it is kept.
AsxWriteResult WriteAsxFile(const std::string& path, const std::string& title,
                            const std::string& address, UserPrompts* prompts);

// "ASX Save": writes the proposed path, or runs AsxSaveAs when the cleaned
// title is empty.
AsxWriteResult AsxSave(const AppSettings& settings, const std::string& title,
                       const std::string& address, UserPrompts* prompts);

// "ASX Save As": asks for the path (AskSavePath, starting at the proposed
// path) and writes it with the cleaned title. No prompts: nothing is saved.
AsxWriteResult AsxSaveAs(const AppSettings& settings, const std::string& title,
                         const std::string& address, UserPrompts* prompts);
