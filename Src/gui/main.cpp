// The desktop application: finds its folders and settings, checks the clock,
// and shows the main window.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStandardPaths>

#include "AppSettings.h"
#include "FormMain.h"
#include "Src/translate/Version.h"

#ifndef VANTREL_HELP_FOLDER
#define VANTREL_HELP_FOLDER "."
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(vantrel::kProductName));
    QApplication::setApplicationVersion(QString::fromStdString(vantrel::VersionText()));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantrel/vantrel.png")));

    const vantrel::TAppPaths paths = vantrel::ResolveAppPaths(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
        QStringLiteral(VANTREL_HELP_FOLDER));
    vantrel::OpenSettings(paths.SettingsFile);
    vantrel::SetHelpFileName(paths.HelpFile);
    if (!vantrel::HasMonotonicClock()) {
        QMessageBox::critical(nullptr, QStringLiteral("Error"), vantrel::MonotonicClockMissingText());
        return 1;
    }

    vantrel::TFormMain form;
    form.show();
    const int status = QApplication::exec();
    vantrel::Settings().sync();
    return status;
}
