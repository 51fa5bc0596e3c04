// The pictures of the user guide, taken when VANTREL_SCREENSHOTS names a
// folder (skipped otherwise). Run on a real display server so that fonts
// and styles look as they do on a desktop:
//   VANTREL_SCREENSHOTS=Src/gui/guide xvfb-run -a env QT_QPA_PLATFORM=xcb
//     build/tests/gui/vantrel-gui-tests TScreenshots   (one command line)
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include "FindBar.h"
#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "FrameStrip.h"
#include "GuiTestSupport.h"
#include "KeySet.h"
#include "KeysDialog.h"
#include "SecretStore.h"

using vantrel::TFormMain;

namespace {

QPalette DarkPalette() {
    QPalette dark;
    const QColor window(0x2D, 0x2D, 0x30), base(0x1E, 0x1E, 0x1E), text(0xDC, 0xDC, 0xDC);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3D));
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::Highlight, QColor(0x26, 0x4F, 0x78));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, window);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    return dark;
}

class TScreenshots final : public QObject {
    Q_OBJECT
private:
    QString FFolder;

    void Save(QWidget& Widget, const char* Name) {
        QCoreApplication::processEvents();
        QTest::qWait(150);
        QVERIFY(Widget.grab().save(FFolder + QLatin1Char('/') + QLatin1String(Name)));
    }

    // A window with a request translated, line numbers and annotations on.
    void Translated(TFormMain& Form, const QString& Source = QStringLiteral("C0 01 C1 00 08 00 00 01 00 00 FF 02 00")) {
        Form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Form));
        Form.resize(760, 520);
        Form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Form));
        Form.MenuAction("MMLineNumbers")->setChecked(true);
        Form.MenuAction("MMAnnotate")->setChecked(true);
        Form.TopEditor()->SetText(Source);
        Form.TranslateRequested(Form.TopEditor());
        Form.BottomEditor()->Editor()->setFocus();
        Form.BottomEditor()->GotoPos(20, 6);
    }

private slots:
    // (A skip in initTestCase would end the test classes that follow.)
    void init() {
        FFolder = qEnvironmentVariable("VANTREL_SCREENSHOTS");
        if (FFolder.isEmpty()) QSKIP("VANTREL_SCREENSHOTS names no folder");
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }

    void Light() {
        vtest::TGuiSandbox sandbox;
        QApplication::setPalette(QApplication::style()->standardPalette());
        TFormMain form;
        Translated(form);
        Save(form, "window.png");

        // A failure: the place in the status line, the octet marked.
        form.TopEditor()->SetText(QStringLiteral("C0 01 C1 00 08 00 00 01 00 00 FF"));
        form.TranslateRequested(form.TopEditor());
        {
            // The box as it stands over the window.
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vantrel"), QStringLiteral("Wrong encoding in pdu"),
                            QMessageBox::Ok, &form);
            box.setInformativeText(sandbox.Prompts.Places.value(0));
            box.show();
            QCoreApplication::processEvents();
            QTest::qWait(150);
            QPixmap shot = form.grab();
            const QPixmap dialog = box.grab();
            QPainter painter(&shot);
            const QPoint at((shot.width() - dialog.width()) / 2, (shot.height() - dialog.height()) / 2 - 40);
            painter.fillRect(QRect(at, dialog.size()).adjusted(-1, -1, 1, 1), Qt::darkGray);
            painter.drawPixmap(at, dialog);
            painter.end();
            QVERIFY(shot.save(FFolder + QStringLiteral("/failure.png")));
        }

        form.TopEditor()->SetText(QStringLiteral("C0 01 C1 00 08 00 00 01 00 00 FF 02 00"));
        form.TranslateRequested(form.TopEditor());
        form.BottomEditor()->Editor()->setFocus();
        QTRY_COMPARE(form.ActivePane(), form.BottomEditor());
        form.MenuAction("MMFind")->trigger();
        QTest::keyClicks(form.FindBar()->TextEdit(), QStringLiteral("Attribute"));
        QTest::keyClick(form.FindBar()->TextEdit(), Qt::Key_Return);
        QTest::keyClick(form.FindBar()->TextEdit(), Qt::Key_Return);
        Save(form, "findbar.png");
    }

    // The Keys dialog as it opens where no secret store answers (Xvfb has
    // none), with public example keys, a title still being typed.
    void Keys() {
        vtest::TGuiSandbox sandbox;
        QApplication::setPalette(QApplication::style()->standardPalette());
        QString reason;
        const bool store = vantrel::SecretStore().Available(reason);
        qInfo("secret store: %s", store ? "answers" : qPrintable(reason));
        vantrel::TKeySet keys;
        QVERIFY(keys.Set(vantrel::kfBlockCipherKey, QStringLiteral("000102030405060708090A0B0C0D0E0F")));
        QVERIFY(keys.Set(vantrel::kfAuthenticationKey, QStringLiteral("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF")));
        QVERIFY(keys.Set(vantrel::kfClientSystemTitle, QStringLiteral("4D4D4D0000BC614E")));
        vantrel::TKeysDialog dialog(nullptr, keys, false, store ? QString() : reason);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.Field(vantrel::kfServerSystemTitle), QStringLiteral("4D4D4D00"));
        Save(dialog, "keys.png");
    }

    // A translation that is not exact: octets after the end of the APDU,
    // the warning in the status line with its tooltip.
    void Warning() {
        vtest::TGuiSandbox sandbox;
        QApplication::setPalette(QApplication::style()->standardPalette());
        TFormMain form;
        Translated(form, QStringLiteral("C4 01 C1 00 06 00 00 30 39 7E 7E"));
        Save(form, "warning.png");
    }

    // The previous translation kept after a failure, dimmed; and a frame
    // with its description unfolded under the panes.
    void StaleAndFrame() {
        vtest::TGuiSandbox sandbox;
        QApplication::setPalette(QApplication::style()->standardPalette());
        TFormMain form;
        Translated(form);
        form.TopEditor()->SetText(QStringLiteral("C0 01 C1 00 08 00 00 01 00 00 FF 02"));
        form.TranslateRequested(form.TopEditor());
        Save(form, "stale.png");

        form.FrameStrip()->SetUnfolded(true);
        form.TopEditor()->SetText(
            QStringLiteral("7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E"));
        form.TranslateRequested(form.TopEditor());
        Save(form, "frame.png");
    }

    // The link between fields and octets: the caret on a value's line of
    // the XML shades its octets in the hex; in the dark, a selection in the
    // hex shades the element holding it.
    void Linked() {
        vtest::TGuiSandbox sandbox;
        QApplication::setPalette(QApplication::style()->standardPalette());
        TFormMain form;
        Translated(form, QStringLiteral("C4 01 C1 00 02 02 12 00 05 09 06 01 00 01 08 00 FF"));
        form.BottomEditor()->GotoPos(8, 7);
        Save(form, "link.png");

        QApplication::setPalette(DarkPalette());
        TFormMain dark;
        Translated(dark, QStringLiteral("C4 01 C1 00 02 02 12 00 05 09 06 01 00 01 08 00 FF"));
        QTest::qWait(100);  // the caret Translated placed drawn first, as a user's click would be
        dark.TopEditor()->Editor()->setFocus();
        dark.TopEditor()->Editor()->SendScintilla(QsciScintilla::SCI_SETSEL, 40UL, 45L);
        Save(dark, "link-dark.png");
        QApplication::setPalette(QApplication::style()->standardPalette());
    }

    // A deciphered field shades the ciphered octets that hold it, in violet.
    void Deciphered() {
        vtest::TGuiSandbox sandbox;
        QApplication::setPalette(QApplication::style()->standardPalette());
        TFormMain form;
        vantrel::TKeySet keys;
        QVERIFY(keys.Set(vantrel::kfDedicatedKey, QStringLiteral("5E168412318BA71848C99B2B2AB33294")));
        QVERIFY(keys.Set(vantrel::kfAuthenticationKey, QStringLiteral("00112233445566778899AABBCCDDEEFF")));
        QVERIFY(keys.Set(vantrel::kfClientSystemTitle, QStringLiteral("4349520000000001")));
        QVERIFY(form.ApplyKeys(keys, false));
        Translated(form, QStringLiteral("D0 1E 30 00 00 00 01 D3 B9 03 99 6D 95 08 C5 B6 BC DE B0 25 DD 18 00 A5 C9 27 75 "
                                        "FB 55 F3 17 CF"));
        form.BottomEditor()->GotoPos(10, 10);
        Save(form, "link-deciphered.png");
    }

    void Dark() {
        vtest::TGuiSandbox sandbox;
        const QPalette light = QApplication::palette();
        QApplication::setPalette(DarkPalette());
        {
            TFormMain form;
            Translated(form);
            Save(form, "window-dark.png");
        }
        QApplication::setPalette(light);
    }
};

VTEST_REGISTER(TScreenshots);

}  // namespace

#include "screenshots_test.moc"
