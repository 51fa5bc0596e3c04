// Start-up paths, the pane font and the window geometry kept in the
// settings file.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

#include "FormBase.h"
#include "FormMain.h"
#include "GuiTestSupport.h"

namespace {

class TTestForm final : public vantrel::TFormBase<QWidget> {
public:
    TTestForm() { setObjectName(QStringLiteral("FormTest")); }
};

QString ReadFile(const QString& Name) {
    QFile file(Name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class TSettingsTest final : public QObject {
    Q_OBJECT
private slots:
    void SettingsFolderUnderTheConfigFolder() {
        vtest::TGuiSandbox sandbox;
        const vantrel::TAppPaths paths =
            vantrel::ResolveAppPaths(sandbox.Path("app"), sandbox.Path("config"), QStringLiteral("../doc"));
        QCOMPARE(paths.AppFolder, sandbox.Path("app") + "/");
        QCOMPARE(paths.SettingsFolder, sandbox.Path("config") + "/Vantrel/");
        QCOMPARE(paths.SettingsFile, sandbox.Path("config") + "/Vantrel/Vantrel.ini");
        QVERIFY(QDir(paths.SettingsFolder).exists());
        QVERIFY(paths.HelpFile.isEmpty());
    }

    void SettingsFolderFallsBackToTheApplicationFolder_data() {
        QTest::addColumn<bool>("ConfigIsAFile");
        QTest::newRow("no config folder") << false;
        QTest::newRow("config folder cannot be made") << true;
    }
    void SettingsFolderFallsBackToTheApplicationFolder() {
        QFETCH(bool, ConfigIsAFile);
        vtest::TGuiSandbox sandbox;
        QString config;
        if (ConfigIsAFile) {
            config = sandbox.Path("blocked");
            QFile file(config);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const vantrel::TAppPaths paths = vantrel::ResolveAppPaths(sandbox.Path("app"), config, QStringLiteral("."));
        QCOMPARE(paths.SettingsFile, sandbox.Path("app") + "/Vantrel.ini");
    }

    void UserGuideNextToTheExecutableOrInTheDocFolder_data() {
        QTest::addColumn<QString>("GuideAt");
        QTest::addColumn<QString>("Expected");
        QTest::newRow("next to the executable") << "bin/Vantrel.html" << "bin/Vantrel.html";
        QTest::newRow("in the doc folder") << "share/doc/vantrel/Vantrel.html" << "share/doc/vantrel/Vantrel.html";
        QTest::newRow("missing") << "elsewhere/Vantrel.html" << "";
    }
    void UserGuideNextToTheExecutableOrInTheDocFolder() {
        QFETCH(QString, GuideAt);
        QFETCH(QString, Expected);
        vtest::TGuiSandbox sandbox;
        QVERIFY(QDir(sandbox.Dir.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(sandbox.Dir.path()).mkpath(QFileInfo(sandbox.Path(GuideAt)).path()));
        QFile guide(sandbox.Path(GuideAt));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.close();
        const vantrel::TAppPaths paths =
            vantrel::ResolveAppPaths(sandbox.Path("bin"), QString(), QStringLiteral("../share/doc/vantrel"));
        QCOMPARE(paths.HelpFile, Expected.isEmpty() ? QString() : sandbox.Path(Expected));
    }

    void ClockCheckAndItsMessage() {
        QVERIFY(vantrel::HasMonotonicClock());
        QCOMPARE(vantrel::MonotonicClockMissingText(),
                 QStringLiteral("Vantrel requires a machine with a performance counter. Your machine could be outdated."));
    }

    void ScriptFont_data() {
        QTest::addColumn<QString>("Family");
        QTest::addColumn<int>("Size");
        QTest::addColumn<int>("ExpectedSize");
        QTest::newRow("defaults") << QString() << 0 << 10;
        QTest::newRow("stored size") << QString() << 14 << 14;
        QTest::newRow("installed family") << QFontDatabase::systemFont(QFontDatabase::FixedFont).family() << 12 << 12;
        QTest::newRow("missing family") << QStringLiteral("No Such Font 1234") << 9 << 9;
    }
    void ScriptFont() {
        QFETCH(QString, Family);
        QFETCH(int, Size);
        QFETCH(int, ExpectedSize);
        vtest::TGuiSandbox sandbox;
        if (!Family.isEmpty()) vantrel::Settings().setValue(QStringLiteral("ScriptFont/0"), Family);
        if (Size) vantrel::Settings().setValue(QStringLiteral("ScriptFont/1"), Size);
        const QFont font = vantrel::ScriptFont();
        QCOMPARE(font.pointSize(), ExpectedSize);
        const bool installed = QFontDatabase::hasFamily(Family.isEmpty() ? QStringLiteral("Dina") : Family);
        const QString expectedFamily = installed ? (Family.isEmpty() ? QStringLiteral("Dina") : Family)
                                                 : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        QCOMPARE(font.family(), expectedFamily);
    }

    void GeometryWrittenOnHideAndReadOnShow() {
        vtest::TGuiSandbox sandbox;
        {
            TTestForm form;
            form.show();
            form.move(40, 30);
            form.resize(300, 200);
            form.hide();
        }
        QSettings& settings = vantrel::Settings();
        QCOMPARE(settings.value("FormTest/WindowState").toInt(), 0);
        QCOMPARE(settings.value("FormTest/Left").toInt(), 40);
        QCOMPARE(settings.value("FormTest/Top").toInt(), 30);
        QCOMPARE(settings.value("FormTest/Width").toInt(), 300);
        QCOMPARE(settings.value("FormTest/Height").toInt(), 200);
        QCOMPARE(settings.value("FormTest/StayOnTop").toInt(), 0);

        settings.sync();
        const QString ini = ReadFile(sandbox.Path("Vantrel.ini"));
        QVERIFY2(ini.contains("[FormTest]") && ini.contains("Width=300") && ini.contains("StayOnTop=0"), qPrintable(ini));

        settings.setValue("FormTest/StayOnTop", 1);
        TTestForm again;
        again.show();
        QCOMPARE(again.pos(), QPoint(40, 30));
        QCOMPARE(again.size(), QSize(300, 200));
        QVERIFY(again.windowFlags() & Qt::WindowStaysOnTopHint);
    }

    void MissingWidthOrHeightGivesHalfTheScreen_data() {
        QTest::addColumn<QString>("Missing");
        QTest::newRow("no width") << "Width";
        QTest::newRow("no height") << "Height";
        QTest::newRow("zero width") << "zero";
    }
    void MissingWidthOrHeightGivesHalfTheScreen() {
        QFETCH(QString, Missing);
        vtest::TGuiSandbox sandbox;
        QSettings& settings = vantrel::Settings();
        settings.setValue("FormMain/Width", Missing == "zero" ? 0 : 500);
        settings.setValue("FormMain/Height", 300);
        if (Missing != "zero") settings.remove("FormMain/" + Missing);
        vantrel::TFormMain form;
        form.show();
        QCOMPARE(form.size(), form.screen()->geometry().size() / 2);
    }

    void MaximisedWindowRestoredMaximised() {
        vtest::TGuiSandbox sandbox;
        vantrel::Settings().setValue("FormMain/WindowState", 2);
        vantrel::TFormMain form;
        form.show();
        QVERIFY(form.windowState() & Qt::WindowMaximized);
        form.hide();
        QCOMPARE(vantrel::Settings().value("FormMain/WindowState").toInt(), 2);
    }

    void PositionOffEveryScreenIgnored() {
        vtest::TGuiSandbox sandbox;
        QSettings& settings = vantrel::Settings();
        settings.setValue("FormTest/Left", 100000);
        settings.setValue("FormTest/Top", 100000);
        settings.setValue("FormTest/Width", 300);
        settings.setValue("FormTest/Height", 200);
        TTestForm form;
        form.show();
        QVERIFY(form.screen()->geometry().intersects(form.frameGeometry()));
    }
};

VTEST_REGISTER(TSettingsTest);

}  // namespace

#include "settings_test.moc"
