// The keys the user typed into the Keys dialog, as hex digits: held in
// memory for the translations, and in the desktop's secret store when the
// user asks for it (never in the settings file). The digits are wiped when
// they are dropped.
#pragma once

#include <QString>

#include <array>
#include <memory>
#include <string>

struct VantrelKeys;

namespace vantrel {

enum TKeyField : int {
    kfBlockCipherKey,
    kfBroadcastKey,
    kfDedicatedKey,
    kfAuthenticationKey,
    kfMasterKey,
    kfClientSystemTitle,
    kfServerSystemTitle,
    kKeyFieldCount
};

struct TKeyFieldInfo {
    const char* Name;     // as the library and key files name it
    const char* Caption;  // in the dialog
    bool IsKey;           // 16 or 32 octets; otherwise a system title of 8
};
const TKeyFieldInfo& KeyFieldInfo(TKeyField Field);

// How a field's text stands: empty (not set), complete, or what is wrong.
struct TKeyFieldCheck {
    bool Ok;       // empty or complete
    QString Hint;  // "16 octets", "5 of 16 octets", "odd number of digits", ...
};
TKeyFieldCheck CheckKeyField(TKeyField Field, const QString& Text);

// Overwrites the characters of Text; for every copy of key material.
void WipeSecret(std::string& Text) noexcept;
void WipeSecret(QString& Text) noexcept;

class TKeySet {
public:
    TKeySet() = default;
    TKeySet(const TKeySet& Other) = default;
    TKeySet& operator=(const TKeySet& Other);
    ~TKeySet();

    // The digits of Field, upper case without blanks; empty when unset.
    const std::string& Value(TKeyField Field) const { return FValues[Field]; }
    // Sets Field from hex text (blanks allowed); false when it does not check.
    bool Set(TKeyField Field, const QString& Text);
    void Clear();
    bool IsEmpty() const;
    int Count() const;

    // "Name=HEX" lines, the form of a keys file and of the secret store.
    std::string ToText() const;
    // Reads such lines (blank lines and "#" comments skipped); false, with
    // the set unchanged, when a line does not read.
    bool FromText(const std::string& Text);

    // The library's key set for a translation; null when no field is set.
    // Error names the field that the library refused.
    struct TFree {
        void operator()(VantrelKeys* Keys) const noexcept;
    };
    using TKeysPtr = std::unique_ptr<VantrelKeys, TFree>;
    TKeysPtr ToLibraryKeys(QString& Error) const;

private:
    std::array<std::string, kKeyFieldCount> FValues;
};

}  // namespace vantrel
