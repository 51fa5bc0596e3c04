// The desktop's secret store, where remembered keys are kept: one entry of
// the service "Vantrel". The application uses the store through QtKeychain;
// tests put in one of their own.
#pragma once

#include <QString>

#include <string>

namespace vantrel {

class TSecretStore {
public:
    virtual ~TSecretStore() = default;
    // Whether a store answers; Reason says why not.
    virtual bool Available(QString& Reason) = 0;
    // The stored secret; false with Reason when none is stored or the store
    // failed (Reason empty when there simply is none).
    virtual bool Read(std::string& Secret, QString& Reason) = 0;
    virtual bool Write(const std::string& Secret, QString& Reason) = 0;
    // Removes the entry; true when there is none afterwards.
    virtual bool Erase(QString& Reason) = 0;
};

// The store in use: the desktop's unless SetSecretStore replaced it.
TSecretStore& SecretStore();
// Replaces the store (nullptr restores the desktop's); the caller keeps
// ownership.
void SetSecretStore(TSecretStore* Store);

}  // namespace vantrel
