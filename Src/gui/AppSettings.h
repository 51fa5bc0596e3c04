// Start-up state of the desktop application: where it lives, the settings
// file every window and pane reads and writes, the user guide, and the font
// the panes share.
#pragma once

#include <QFont>
#include <QObject>
#include <QSettings>
#include <QString>

namespace vantrel {

struct TAppPaths {
    QString AppFolder;       // the folder of the executable, with a trailing "/"
    QString SettingsFolder;  // with a trailing "/"
    QString SettingsFile;    // SettingsFolder + "Vantrel.ini"
    QString HelpFile;        // the user guide, empty when it is not installed
};

// The paths for an executable in AppFolder. ConfigRoot is the user's
// configuration folder (empty when the system names none); the settings
// folder is ConfigRoot/Vantrel/, created when missing, else the application
// folder. The user guide is looked for next to the executable, then in
// HelpFolder (relative to the executable).
TAppPaths ResolveAppPaths(const QString& AppFolder, const QString& ConfigRoot, const QString& HelpFolder);

// Opens the settings file for the life of the program (replacing any file
// opened before) and returns it.
QSettings& OpenSettings(const QString& FileName);
// The settings file; OpenSettings must have run.
QSettings& Settings();
// Writes what is pending and closes the settings file, so that nothing is
// written to it afterwards; Settings() needs OpenSettings again.
void CloseSettings();

// The user guide found at start-up, empty when there is none.
const QString& HelpFileName();
void SetHelpFileName(const QString& FileName);

// Whether the machine has the monotonic high-resolution clock the program
// needs, and the text shown when it has none.
bool HasMonotonicClock();
QString MonotonicClockMissingText();

// The font of the editor panes: section "ScriptFont", key "0" the family
// ("Dina" when missing), key "1" the size in points (10 when missing). A
// family that is not installed gives the system's fixed-width font at the
// stored size.
QFont ScriptFont();
// Stores a new font; every pane follows.
void SetScriptFont(const QString& Family, int PointSize);

// Announces changes of the shared settings to the windows that show them.
class TSettingsNotifier final : public QObject {
    Q_OBJECT
public:
    static TSettingsNotifier& Instance();
signals:
    void ScriptFontChanged();
};

}  // namespace vantrel
