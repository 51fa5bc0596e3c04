#include "RecentFiles.h"

#include "AppSettings.h"

namespace vantrel {

namespace {
const QString kKey = QStringLiteral("RecentFiles/Files");
}

QStringList RecentFiles() { return Settings().value(kKey).toStringList(); }

void AddRecentFile(const QString& FileName) {
    if (FileName.isEmpty()) return;
    QStringList files = RecentFiles();
    files.removeAll(FileName);
    files.prepend(FileName);
    while (files.size() > kMaxRecentFiles) files.removeLast();
    Settings().setValue(kKey, files);
}

void RemoveRecentFile(const QString& FileName) {
    QStringList files = RecentFiles();
    if (files.removeAll(FileName) > 0) Settings().setValue(kKey, files);
}

}  // namespace vantrel
