#pragma once

class Profile;
class QHeaderView;
class QTableView;

// The media list's columns as the user left them, kept in the profile's
// "List" section: "Column Widths" and "Column Order" (comma-separated, one
// value per column; a hidden column's width is 0) and "Sort Column" (-1:
// the list's own order) with "Sort Order" (0 ascending, 1 descending).
void SaveColumnLayout(const QHeaderView& header, Profile& profile);
// Moves the columns into the stored order (when it names every column
// once) and sorts as stored.
void RestoreColumnOrderAndSort(QHeaderView& header, const Profile& profile);
// Gives the shown columns their stored widths. False when none are stored.
bool RestoreColumnWidths(QTableView& table, const Profile& profile);
