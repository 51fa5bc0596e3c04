// Runs every registered test class in one application.
#include <QApplication>
#include <QTest>

#include "GuiTestSupport.h"

namespace vtest {
std::vector<TTestFactory>& TestRegistry() {
    static std::vector<TTestFactory> registry;
    return registry;
}
}  // namespace vtest

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    for (const vtest::TTestFactory& factory : vtest::TestRegistry()) {
        const std::unique_ptr<QObject> test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
