// The files opened or saved last, newest first, kept in the settings file
// (section "RecentFiles", key "Files"), shared by both panes.
#pragma once

#include <QStringList>

namespace vantrel {

inline constexpr int kMaxRecentFiles = 8;

QStringList RecentFiles();
// Puts FileName first (once), keeping at most kMaxRecentFiles.
void AddRecentFile(const QString& FileName);
void RemoveRecentFile(const QString& FileName);

}  // namespace vantrel
