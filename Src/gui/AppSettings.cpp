#include "AppSettings.h"

#include <ctime>
#include <memory>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>

#include "Src/translate/Version.h"

namespace vantrel {

namespace {

std::unique_ptr<QSettings> GSettings;
QString GHelpFile;

QString WithSlash(const QString& Folder) {
    return Folder.endsWith(QLatin1Char('/')) ? Folder : Folder + QLatin1Char('/');
}

}  // namespace

TAppPaths ResolveAppPaths(const QString& AppFolder, const QString& ConfigRoot, const QString& HelpFolder) {
    TAppPaths paths;
    paths.AppFolder = WithSlash(AppFolder);
    paths.SettingsFolder = paths.AppFolder;
    if (!ConfigRoot.isEmpty()) {
        const QString folder = WithSlash(ConfigRoot) + QLatin1String(kProductName) + QLatin1Char('/');
        if (QDir().mkpath(folder)) paths.SettingsFolder = folder;
    }
    paths.SettingsFile = paths.SettingsFolder + QLatin1String(kProductName) + QLatin1String(".ini");

    const QString guide = QLatin1String(kProductName) + QLatin1String(".html");
    for (const QString& folder : {paths.AppFolder, WithSlash(paths.AppFolder + HelpFolder)}) {
        if (QFileInfo::exists(folder + guide)) {
            paths.HelpFile = QDir::cleanPath(folder + guide);
            break;
        }
    }
    return paths;
}

QSettings& OpenSettings(const QString& FileName) {
    GSettings = std::make_unique<QSettings>(FileName, QSettings::IniFormat);
    return *GSettings;
}

QSettings& Settings() {
    Q_ASSERT(GSettings);
    return *GSettings;
}

void CloseSettings() {
    if (GSettings) GSettings->sync();
    GSettings.reset();
}

const QString& HelpFileName() { return GHelpFile; }
void SetHelpFileName(const QString& FileName) { GHelpFile = FileName; }

bool HasMonotonicClock() {
    timespec now{};
    return QElapsedTimer::isMonotonic() && clock_gettime(CLOCK_MONOTONIC, &now) == 0;
}

QString MonotonicClockMissingText() {
    return QString::asprintf("%s requires a machine with a performance counter. Your machine could be outdated.",
                             kProductName);
}

QFont ScriptFont() {
    QSettings& settings = Settings();
    const QString family = settings.value(QStringLiteral("ScriptFont/0"), QStringLiteral("Dina")).toString();
    bool ok = false;
    int size = settings.value(QStringLiteral("ScriptFont/1"), 10).toInt(&ok);
    if (!ok || size <= 0) size = 10;
    if (QFontDatabase::hasFamily(family)) return QFont(family, size);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(size);
    return font;
}

void SetScriptFont(const QString& Family, int PointSize) {
    QSettings& settings = Settings();
    settings.setValue(QStringLiteral("ScriptFont/0"), Family);
    settings.setValue(QStringLiteral("ScriptFont/1"), PointSize);
    emit TSettingsNotifier::Instance().ScriptFontChanged();
}

TSettingsNotifier& TSettingsNotifier::Instance() {
    static TSettingsNotifier notifier;
    return notifier;
}

}  // namespace vantrel
