// Runs every registered test class in one application. A first argument
// naming a class runs only that class, with the remaining arguments
// (test functions, QTest options): vantrel-gui-tests TPaneTest Search
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <vector>

#include "GuiTestSupport.h"

namespace vtest {
std::vector<TTestFactory>& TestRegistry() {
    static std::vector<TTestFactory> registry;
    return registry;
}

namespace {
QString GRunSettingsFile;
}
const QString& RunSettingsFile() { return GRunSettingsFile; }
}  // namespace vtest

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Every file of the run lives in one temporary folder, gone at the end.
    const QTemporaryDir run;
    if (!run.isValid()) return 1;
    vtest::GRunSettingsFile = run.filePath(QStringLiteral("Vantrel.ini"));
    vantrel::OpenSettings(vtest::GRunSettingsFile);
    const char* only = argc > 1 && argv[1][0] == 'T' ? argv[1] : nullptr;
    std::vector<char*> args(argv, argv + argc);
    if (only) args.erase(args.begin() + 1);
    int failures = 0;
    for (const vtest::TTestFactory& factory : vtest::TestRegistry()) {
        const std::unique_ptr<QObject> test = factory();
        if (only && std::strcmp(test->metaObject()->className(), only) != 0) continue;
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    vantrel::CloseSettings();
    return failures == 0 ? 0 : 1;
}
