#include "SecretStore.h"

#include <QEventLoop>
#include <QTimer>

#include <openssl/crypto.h>
#include <qt6keychain/keychain.h>

#include "Src/translate/Version.h"

namespace vantrel {

namespace {

// A store that does not answer within this time counts as none.
constexpr int kTimeoutMs = 5000;

const QString kEntry = QStringLiteral("keys");

// Runs Job to its end; false with Reason when it failed or timed out.
bool Run(QKeychain::Job& Job, QString& Reason) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&Job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    Job.setAutoDelete(false);
    Job.setKey(kEntry);
    Job.start();
    if (!finished) loop.exec();
    if (!finished) {
        Reason = QStringLiteral("the secret store did not answer");
        return false;
    }
    if (Job.error() == QKeychain::NoError) return true;
    Reason = Job.errorString().isEmpty() ? QStringLiteral("the secret store failed") : Job.errorString();
    return false;
}

class TKeychainStore final : public TSecretStore {
public:
    bool Available(QString& Reason) override {
        QKeychain::ReadPasswordJob job{QLatin1String(kProductName)};
        if (Run(job, Reason)) return true;
        // A store that answers "nothing stored" is there.
        if (job.error() == QKeychain::EntryNotFound) {
            Reason.clear();
            return true;
        }
        return false;
    }
    bool Read(std::string& Secret, QString& Reason) override {
        QKeychain::ReadPasswordJob job{QLatin1String(kProductName)};
        if (!Run(job, Reason)) {
            if (job.error() == QKeychain::EntryNotFound) Reason.clear();
            return false;
        }
        QByteArray data = job.binaryData();
        Secret.assign(data.constData(), static_cast<size_t>(data.size()));
        if (!data.isEmpty()) OPENSSL_cleanse(data.data(), static_cast<size_t>(data.size()));
        return true;
    }
    bool Write(const std::string& Secret, QString& Reason) override {
        QKeychain::WritePasswordJob job{QLatin1String(kProductName)};
        QByteArray data(Secret.data(), static_cast<qsizetype>(Secret.size()));
        job.setBinaryData(data);
        OPENSSL_cleanse(data.data(), static_cast<size_t>(data.size()));
        return Run(job, Reason);
    }
    bool Erase(QString& Reason) override {
        QKeychain::DeletePasswordJob job{QLatin1String(kProductName)};
        if (Run(job, Reason) || job.error() == QKeychain::EntryNotFound) {
            Reason.clear();
            return true;
        }
        return false;
    }
};

TKeychainStore GKeychainStore;
TSecretStore* GStore = &GKeychainStore;

}  // namespace

TSecretStore& SecretStore() { return *GStore; }

void SetSecretStore(TSecretStore* Store) { GStore = Store ? Store : &GKeychainStore; }

}  // namespace vantrel
