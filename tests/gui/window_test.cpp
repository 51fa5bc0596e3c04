// The main window: Translate in both directions through the menu command and
// Ctrl+T, failures with their message and caret, HDLC frames.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>

#include <Qsci/qsciscintilla.h>

#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "Src/translate/Version.h"

using vantrel::TFormMain;
using vantrel::TFrameBaseEditor;

namespace {

const QString kDataXml = QStringLiteral("<Data>\r\n  <LongUnsigned Value=\"0102\" />\r\n</Data>\r\n");

QString Caret(const TFrameBaseEditor& Pane) {
    int line, index;
    Pane.Editor()->getCursorPosition(&line, &index);
    return QString::asprintf("%d:%d", line, index);
}

// The check sequence of HDLC frames, stored low octet first.
QByteArray CheckSequence(const QByteArray& Octets) {
    quint16 fcs = 0xFFFF;
    for (char c : Octets) {
        fcs ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit) fcs = (fcs & 1) ? (fcs >> 1) ^ 0x8408 : fcs >> 1;
    }
    fcs = ~fcs;
    QByteArray octets;
    octets += static_cast<char>(fcs & 0xFF);
    octets += static_cast<char>(fcs >> 8);
    return octets;
}

// A frame from destination 0x03 to source 0x21 with Control; the
// information field, when given, gets a frame check sequence.
QString Frame(quint8 Control, const QByteArray& Info) {
    const int length = 7 + (Info.isEmpty() ? 0 : Info.size() + 2);
    QByteArray header{"\xA0"};
    header += static_cast<char>(length);
    header += "\x03\x21";
    header += static_cast<char>(Control);
    QByteArray frame = header + CheckSequence(header);
    if (!Info.isEmpty()) {
        frame += Info;
        frame += CheckSequence(frame);
    }
    return QString::fromLatin1(("\x7E" + frame + "\x7E").toHex(' ').toUpper());
}

class TWindowTest final : public QObject {
    Q_OBJECT
private slots:
    void PartsAndCaption() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Vantrel"));
        QCOMPARE(form.Splitter1()->orientation(), Qt::Vertical);
        QCOMPARE(form.Splitter1()->widget(0), form.TopEditor());
        QCOMPARE(form.Splitter1()->widget(1), form.BottomEditor());
        // The upper pane keeps its 240 pixels in a window of any size.
        vantrel::Settings().setValue("FormMain/Width", 700);
        vantrel::Settings().setValue("FormMain/Height", 550);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.TopEditor()->height(), 240);
        QVERIFY(form.BottomEditor()->height() > 200);
        QCOMPARE(form.MMHelp()->text(), QStringLiteral("Help"));
        QCOMPARE(form.MMAbout()->text(), QStringLiteral("About"));
        QCOMPARE(form.menuBar()->actions().mid(4), (QList<QAction*>{form.MMHelp(), form.MMAbout()}));
    }

    void HexToXmlAndBackThroughTheMenuCommand() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(QStringLiteral("\r\n  FF 12-01\r\n02"));
        form.TopEditor()->Action(vantrel::eaTranslate)->trigger();
        QCOMPARE(form.BottomEditor()->Text(), kDataXml);
        QVERIFY(sandbox.Prompts.Shown.isEmpty());

        form.TopEditor()->SetText(QString());
        form.BottomEditor()->Action(vantrel::eaTranslate)->trigger();
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("FF120102"));

        // The translation replaced the text as one step of the undo history.
        form.TopEditor()->Editor()->undo();
        QCOMPARE(form.TopEditor()->Text(), QString());
    }

    void CtrlTTranslatesTheFocusedPane() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.BottomEditor()->SetText(kDataXml);
        form.BottomEditor()->Editor()->setFocus();
        QTest::keyClick(form.BottomEditor()->Editor(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("FF120102"));

        form.TopEditor()->Editor()->setFocus();
        QTest::keyClick(form.TopEditor()->Editor(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(form.BottomEditor()->Text(), kDataXml);
        QCOMPARE(form.TopEditor()->Text(), QStringLiteral("FF120102"));  // not a line swap
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
    }

    void FailureShowsTheMessageAndPlacesTheCaret_data() {
        QTest::addColumn<bool>("Top");
        QTest::addColumn<QString>("Source");
        QTest::addColumn<QString>("Shown");
        QTest::addColumn<QString>("Caret");
        QTest::newRow("xml: the failing value")
            << true << "<Data>\r\n  <LongUnsigned Value=\"01x2\" />\r\n</Data>" << "message: Illegal hex-character"
            << "1:31";
        QTest::newRow("hex: octets run out") << false << "FF1201" << "message: Wrong encoding in pdu" << "0:5";
        QTest::newRow("hex on two lines") << true << "FF\r\n1201" << "message: Wrong encoding in pdu" << "1:4";
    }
    void FailureShowsTheMessageAndPlacesTheCaret() {
        QFETCH(bool, Top);
        QFETCH(QString, Source);
        QFETCH(QString, Shown);
        QFETCH(QString, Caret);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        TFrameBaseEditor* source = Top ? form.TopEditor() : form.BottomEditor();
        TFrameBaseEditor* destination = Top ? form.BottomEditor() : form.TopEditor();
        destination->SetText(QStringLiteral("unchanged"));
        source->SetText(Source);
        form.TranslateRequested(source);
        QCOMPARE(sandbox.Prompts.Shown, QStringList{Shown});
        QCOMPARE(::Caret(*source), Caret);
        QCOMPARE(destination->Text(), QStringLiteral("unchanged"));
    }

    void HexConversionFailureKeepsTheCaret() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(QStringLiteral("FF 12 0"));
        form.TopEditor()->GotoPos(3, 1);
        form.TranslateRequested(form.TopEditor());
        QCOMPARE(sandbox.Prompts.Shown, QStringList{"error: HexStrToByteStr: Hex-character missing"});
        QCOMPARE(Caret(*form.TopEditor()), QStringLiteral("0:2"));
        QVERIFY(form.BottomEditor()->Text().isEmpty());
    }

    void HdlcFrames_data() {
        QTest::addColumn<QString>("Source");
        QTest::addColumn<QString>("Translation");  // "beep", "message" or the XML
        QTest::newRow("I frame") << Frame(0x10, QByteArray("\xE6\xE6\x00\xFF\x12\x01\x02", 7)) << kDataXml;
        QTest::newRow("UI frame") << Frame(0x13, QByteArray("\xE6\xE7\x00\xFF\x12\x01\x02", 7)) << kDataXml;
        QTest::newRow("RR frame") << Frame(0x31, {}) << "beep";
        QTest::newRow("SNRM frame") << Frame(0x93, {}) << "beep";
        QTest::newRow("wrong length") << Frame(0x10, QByteArray("\xE6\xE6\x00\xFF\x12\x01\x02", 7)).replace(0, 5, "7E A1")
                                      << "beep";
        QTest::newRow("segmented") << Frame(0x10, QByteArray("\xE6\xE6\x00\xFF\x12\x01\x02", 7)).replace(0, 5, "7E A8")
                                   << "beep";
        QTest::newRow("I frame in lower case") << Frame(0x10, QByteArray("\xE6\xE6\x00\xFF\x12\x01\x02", 7)).toLower()
                                               << kDataXml;
    }
    void HdlcFrames() {
        QFETCH(QString, Source);
        QFETCH(QString, Translation);
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(Source);
        form.BottomEditor()->SetText(QStringLiteral("unchanged"));
        form.TranslateRequested(form.TopEditor());
        if (Translation == "beep" || Translation == "message") {
            QCOMPARE(form.BottomEditor()->Text(), QStringLiteral("unchanged"));
            QCOMPARE(sandbox.Prompts.Beeps, Translation == "beep" ? 1 : 0);
            QCOMPARE(sandbox.Prompts.Shown.size(), Translation == "beep" ? 0 : 1);
        } else {
            QCOMPARE(form.BottomEditor()->Text(), Translation);
            QCOMPARE(sandbox.Prompts.Beeps, 0);
        }
    }

    void XmlAfterALongPreambleBeeps() {
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.TopEditor()->SetText(QString(79, QLatin1Char('x')) + kDataXml);
        form.BottomEditor()->SetText(QStringLiteral("unchanged"));
        form.TranslateRequested(form.TopEditor());
        QCOMPARE(sandbox.Prompts.Beeps, 1);
        QVERIFY(sandbox.Prompts.Shown.isEmpty());
        QCOMPARE(form.BottomEditor()->Text(), QStringLiteral("unchanged"));
    }

    // A large hex paste: an array of long-unsigned values, 290 kB and 2 MB.
    void LargePasteTranslates_data() {
        QTest::addColumn<int>("Count");
        QTest::newRow("290 kB") << 48332;
        QTest::newRow("2 MB") << 333332;
    }
    void LargePasteTranslates() {
        QFETCH(int, Count);
        const int kCount = Count;
        vtest::TGuiSandbox sandbox;
        TFormMain form;
        form.resize(1000, 700);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QByteArray hex = kCount > 0xFFFF ? "FF0183" + QByteArray::number(kCount, 16).rightJustified(6, '0').toUpper()
                                         : "FF0182" + QByteArray::number(kCount, 16).rightJustified(4, '0').toUpper();
        const qsizetype header = hex.size();
        hex.reserve(header + 6 * kCount);
        for (int i = 0; i < kCount; ++i) hex += QByteArray::number(0x120000 + (i & 0xFFFF), 16).toUpper();
        QCOMPARE(hex.size(), header + 6 * kCount);
        QApplication::clipboard()->setText(QString::fromLatin1(hex));

        QElapsedTimer timer;
        timer.start();
        form.TopEditor()->Action(vantrel::eaPaste)->trigger();
        form.TopEditor()->grab();  // the text drawn
        const qint64 pasted = timer.elapsed();
        QCOMPARE(form.TopEditor()->TextView().size(), static_cast<size_t>(hex.size()));

        timer.restart();
        form.TopEditor()->Action(vantrel::eaTranslate)->trigger();
        form.BottomEditor()->grab();
        const qint64 shown = timer.elapsed();
        QsciScintilla* xml = form.BottomEditor()->Editor();
        QCOMPARE(xml->lines(), kCount + 5);
        QCOMPARE(xml->text(2), QStringLiteral("    <LongUnsigned Value=\"0000\" />\r\n"));

        // The caret moving through the XML shades each value's octets in
        // the hex, and back, each move drawn before the next.
        auto moves = [](TFrameBaseEditor* Pane, TFrameBaseEditor* Other, auto Move) {
            QElapsedTimer clock;
            clock.start();
            for (int i = 0; i < 20; ++i) {
                Move(Pane->Editor(), i);
                Pane->grab();
                Other->grab();
            }
            return clock.elapsed() / 20.0;
        };
        const double linkXml = moves(form.BottomEditor(), form.TopEditor(), [Count](QsciScintilla* Editor, int i) {
            Editor->setCursorPosition(Count / 2 + i * 997, 6);
        });
        QCOMPARE(form.TopEditor()->LinkedRange().second - form.TopEditor()->LinkedRange().first, 6L);
        const double linkHex = moves(form.TopEditor(), form.BottomEditor(), [Count, header](QsciScintilla* Editor, int i) {
            Editor->SendScintilla(QsciScintilla::SCI_GOTOPOS, static_cast<unsigned long>(header + 6 * (Count / 2 + i * 997) + 1));
        });
        QCOMPARE(form.BottomEditor()->LineAt(form.BottomEditor()->LinkedRange().first), kCount / 2 + 19 * 997 + 3);
        // The lookups alone, without drawing.
        QVERIFY(form.FieldLinks());
        QElapsedTimer lookups;
        lookups.start();
        for (int i = 0; i < 100; ++i) QVERIFY(form.FieldLinks()->AtLine(3 + i * (kCount / 100)));
        const double atLine = lookups.nsecsElapsed() / 100e3;
        lookups.restart();
        for (int i = 0; i < 100; ++i) {
            const long at = header + 6L * i * (kCount / 100);
            QVERIFY(form.FieldLinks()->AtHex(at, at));
        }
        const double atHex = lookups.nsecsElapsed() / 100e3;

        // And back: the XML gives the same octets.
        form.TopEditor()->Clear();
        timer.restart();
        form.BottomEditor()->Action(vantrel::eaTranslate)->trigger();
        form.TopEditor()->grab();
        const qint64 shownHex = timer.elapsed();
        QVERIFY(form.TopEditor()->TextView() == std::string_view(hex.constData(), static_cast<size_t>(hex.size())));

        // Each key is drawn before the next, as at the keyboard.
        auto type = [](TFrameBaseEditor* Pane) {
            QElapsedTimer keys;
            keys.start();
            for (char c : {'a', 'b', 'c'}) {
                QTest::keyClick(Pane->Editor(), c);
                Pane->grab();
            }
            return keys.elapsed() / 3;
        };
        timer.restart();
        xml->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
        form.BottomEditor()->grab();
        const qint64 scrolledXml = timer.elapsed();
        const qint64 keyXml = type(form.BottomEditor());
        QsciScintilla* hexEditor = form.TopEditor()->Editor();
        timer.restart();
        hexEditor->SendScintilla(QsciScintilla::SCI_LINEEND);
        form.TopEditor()->grab();
        const qint64 scrolledHex = timer.elapsed();
        const qint64 keyHex = type(form.TopEditor());
        qInfo("%s hex: pasted in %lld ms, translated and shown in %lld ms, back to hex in %lld ms; "
              "XML pane: to the end in %lld ms, %lld ms a key; hex pane: to the line end in %lld ms, %lld ms a key; "
              "the caret's field shaded from the XML in %.1f ms, from the hex in %.1f ms (the lookups alone %.1f us, %.1f us)",
              QTest::currentDataTag(), pasted, shown, shownHex, scrolledXml, keyXml, scrolledHex, keyHex, linkXml, linkHex, atLine, atHex);
        QVERIFY(shown < 30000);
    }
};

VTEST_REGISTER(TWindowTest);

}  // namespace

#include "window_test.moc"
