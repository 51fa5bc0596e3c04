// The Keys dialog: each field checked as typed, the keys held in memory or,
// with "Remember keys", in the secret store and never in the settings file,
// and the box greyed with the reason when no store answers.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "FormMain.h"
#include "FrameBaseEditor.h"
#include "GuiTestSupport.h"
#include "KeySet.h"
#include "KeysDialog.h"
#include "SecretStore.h"

using vantrel::TKeyField;
using vantrel::TKeySet;

Q_DECLARE_METATYPE(vantrel::TKeyField)

namespace {

// Public example keys of the DLMS security suite's worked examples.
const QString kExampleKey = QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
const QString kExampleAuthKey = QStringLiteral("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF");
const QString kExampleTitle = QStringLiteral("4D4D4D0000BC614E");

class TMemoryStore final : public vantrel::TSecretStore {
public:
    QString Missing;  // why no store answers; empty: it does
    std::string Stored;
    bool Has = false;
    bool Available(QString& Reason) override {
        Reason = Missing;
        return Missing.isEmpty();
    }
    bool Read(std::string& Secret, QString& Reason) override {
        Reason = Missing;
        if (!Missing.isEmpty() || !Has) return false;
        Secret = Stored;
        return true;
    }
    bool Write(const std::string& Secret, QString& Reason) override {
        Reason = Missing;
        if (!Missing.isEmpty()) return false;
        Stored = Secret;
        Has = true;
        return true;
    }
    bool Erase(QString& Reason) override {
        Reason = Missing;
        Stored.clear();
        Has = false;
        return Missing.isEmpty();
    }
};

class TStoreSandbox {
public:
    TStoreSandbox() { vantrel::SetSecretStore(&Store); }
    ~TStoreSandbox() { vantrel::SetSecretStore(nullptr); }
    TMemoryStore Store;
};

QString SettingsText(const vtest::TGuiSandbox& Sandbox) {
    vantrel::Settings().sync();
    QFile file(Sandbox.Path("Vantrel.ini"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class TKeysTest final : public QObject {
    Q_OBJECT
private slots:
    void FieldsCheckedAsTyped_data() {
        QTest::addColumn<TKeyField>("Field");
        QTest::addColumn<QString>("Text");
        QTest::addColumn<bool>("Ok");
        QTest::addColumn<QString>("Hint");
        using namespace vantrel;
        QTest::newRow("empty") << kfBlockCipherKey << "" << true << "not set";
        QTest::newRow("blanks only") << kfDedicatedKey << "  " << true << "not set";
        QTest::newRow("16 octets with blanks") << kfBlockCipherKey << kExampleKey << true << "16 octets";
        QTest::newRow("32 octets, suite 2") << kfAuthenticationKey << kExampleAuthKey + kExampleAuthKey << true
                                            << "32 octets";
        QTest::newRow("short key") << kfBroadcastKey << "0001020304" << false << "5 of 16 octets";
        QTest::newRow("between the key sizes") << kfMasterKey << QString(40, '0') << false
                                               << "20 octets: 16, or 32 for suite 2";
        QTest::newRow("odd digits") << kfBlockCipherKey << "000" << false << "odd number of hex digits";
        QTest::newRow("not hex") << kfBlockCipherKey << "00G1" << false << "not a hex digit: \"G\"";
        QTest::newRow("system title") << kfClientSystemTitle << kExampleTitle << true << "8 octets";
        QTest::newRow("short system title") << kfServerSystemTitle << "4D4D4D" << false << "3 of 8 octets";
        QTest::newRow("key length as a title") << kfServerSystemTitle << kExampleAuthKey << false << "16 of 8 octets";
    }
    void FieldsCheckedAsTyped() {
        QFETCH(TKeyField, Field);
        QFETCH(QString, Text);
        QFETCH(bool, Ok);
        QFETCH(QString, Hint);
        const vantrel::TKeyFieldCheck check = vantrel::CheckKeyField(Field, Text);
        QCOMPARE(check.Ok, Ok);
        QCOMPARE(check.Hint, Hint);

        vtest::TGuiSandbox sandbox;
        vantrel::TKeysDialog dialog(nullptr, TKeySet(), false, QString());
        QTest::keyClicks(dialog.Field(Field), Text);
        QCOMPARE(dialog.Hint(Field)->text(), Hint);
        QCOMPARE(dialog.Buttons()->button(QDialogButtonBox::Ok)->isEnabled(), Ok);
    }

    void KeysTextReadAndWritten() {
        TKeySet keys;
        QVERIFY(keys.FromText("# commissioning keys\n\nBlockCipherKey = " + kExampleKey.toStdString() +
                              "\r\n  ClientSystemTitle=4d4d4d0000bc614e\n"));
        QCOMPARE(keys.Count(), 2);
        QCOMPARE(keys.ToText(), std::string("BlockCipherKey = 000102030405060708090A0B0C0D0E0F\n"
                                            "ClientSystemTitle = 4D4D4D0000BC614E\n"));
        for (const char* bad : {"NoSuchKey = 00", "BlockCipherKey = 0001", "BlockCipherKey"}) {
            QVERIFY2(!keys.FromText(bad), bad);
            QCOMPARE(keys.Count(), 2);
        }
    }

    void NoStoreGreysTheBoxWithTheReason() {
        vtest::TGuiSandbox sandbox;
        TStoreSandbox store;
        store.Store.Missing = QStringLiteral("no secret service on the session bus");
        vantrel::TFormMain form;
        bool shown = false, enabled = true, checked = true;
        QString label;
        sandbox.Prompts.Dialog = [&](QDialog& Shown) {
            auto& dialog = static_cast<vantrel::TKeysDialog&>(Shown);
            shown = true;
            enabled = dialog.RememberBox()->isEnabled();
            checked = dialog.RememberBox()->isChecked();
            label = dialog.StoreLabel()->text();
            return false;
        };
        form.MenuAction("MMKeys")->trigger();
        QVERIFY(shown);
        QVERIFY(!enabled);
        QVERIFY(!checked);
        QVERIFY2(label.contains(store.Store.Missing), qPrintable(label));
    }

    void KeysHeldInMemoryOnly() {
        vtest::TGuiSandbox sandbox;
        TStoreSandbox store;
        vantrel::TFormMain form;
        QVERIFY(!form.Keys());
        sandbox.Prompts.Dialog = [&](QDialog& Shown) {
            auto& dialog = static_cast<vantrel::TKeysDialog&>(Shown);
            dialog.Field(vantrel::kfBlockCipherKey)->setText(kExampleKey);
            dialog.Field(vantrel::kfAuthenticationKey)->setText(kExampleAuthKey);
            return true;
        };
        form.MenuAction("MMKeys")->trigger();
        QVERIFY(form.Keys());
        QCOMPARE(form.findChild<QLabel*>("StatusKeys")->text(), QStringLiteral("Keys: 2 set"));
        QVERIFY(!store.Store.Has);
        QVERIFY(!SettingsText(sandbox).contains("0A0B0C"));
        vantrel::TFormMain again;  // a new start knows none
        QVERIFY(!again.Keys());
    }

    // Translate uses the keys: a ciphered GET request of a public session
    // (the library's security tests name its origin) deciphers, and its XML
    // enciphers back to the same octets.
    void TranslateDeciphersWithTheKeys() {
        vtest::TGuiSandbox sandbox;
        TStoreSandbox store;
        const QString ciphered = QStringLiteral("D01E3000000001D3B903996D9508C5B6BCDEB025DD1800A5C92775FB55F317CF");
        vantrel::TFormMain form;
        form.TopEditor()->SetText(ciphered);
        form.TranslateRequested(form.TopEditor());
        QVERIFY(!form.BottomEditor()->Text().contains("SecurityControl"));

        TKeySet keys;
        QVERIFY(keys.Set(vantrel::kfDedicatedKey, QStringLiteral("5E168412318BA71848C99B2B2AB33294")));
        QVERIFY(keys.Set(vantrel::kfAuthenticationKey, QStringLiteral("00112233445566778899AABBCCDDEEFF")));
        QVERIFY(keys.Set(vantrel::kfClientSystemTitle, QStringLiteral("4349520000000001")));
        QVERIFY(form.ApplyKeys(keys, false));
        form.TranslateRequested(form.TopEditor());
        const QString xml = form.BottomEditor()->Text();
        QVERIFY2(xml.contains("<SecurityControl") && xml.contains("<GetRequest>"), qPrintable(xml));
        QVERIFY(!xml.contains("0011223344"));
        form.TopEditor()->Clear();
        form.TranslateRequested(form.BottomEditor());
        QCOMPARE(form.TopEditor()->Text(), ciphered);
    }

    void RememberedKeysInTheStoreNeverInTheSettings() {
        vtest::TGuiSandbox sandbox;
        TStoreSandbox store;
        {
            vantrel::TFormMain form;
            sandbox.Prompts.Dialog = [&](QDialog& Shown) {
                auto& dialog = static_cast<vantrel::TKeysDialog&>(Shown);
                dialog.Field(vantrel::kfBlockCipherKey)->setText(kExampleKey);
                dialog.Field(vantrel::kfServerSystemTitle)->setText(kExampleTitle);
                dialog.RememberBox()->setChecked(true);
                return true;
            };
            form.MenuAction("MMKeys")->trigger();
            QVERIFY(store.Store.Has);
            QCOMPARE(store.Store.Stored, std::string("BlockCipherKey = 000102030405060708090A0B0C0D0E0F\n"
                                                     "ServerSystemTitle = 4D4D4D0000BC614E\n"));
        }
        const QString ini = SettingsText(sandbox);
        QVERIFY2(!ini.contains("0A0B0C") && !ini.contains("0a0b0c") && ini.contains("Remember=true"), qPrintable(ini));

        vantrel::TFormMain form;  // a new start reads them back
        QVERIFY(form.Keys());
        QString shownKey;
        bool hidden = false, remembered = false;
        sandbox.Prompts.Dialog = [&](QDialog& Shown) {
            auto& dialog = static_cast<vantrel::TKeysDialog&>(Shown);
            shownKey = dialog.Field(vantrel::kfBlockCipherKey)->text();
            hidden = dialog.Field(vantrel::kfBlockCipherKey)->echoMode() == QLineEdit::PasswordEchoOnEdit;
            remembered = dialog.RememberBox()->isChecked();
            dialog.RememberBox()->setChecked(false);  // forgotten again
            return true;
        };
        form.MenuAction("MMKeys")->trigger();
        QCOMPARE(shownKey, QStringLiteral("000102030405060708090A0B0C0D0E0F"));
        QVERIFY(hidden);
        QVERIFY(remembered);
        QVERIFY(!store.Store.Has);
        QVERIFY(form.Keys());
        QCOMPARE(vantrel::Settings().value("Keys/Remember").toBool(), false);
    }
};

VTEST_REGISTER(TKeysTest);

}  // namespace

#include "keys_test.moc"
