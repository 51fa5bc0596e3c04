#include "KeySet.h"

#include <openssl/crypto.h>

#include <cstring>
#include <sstream>

#include "vantrel/vantrel.h"

namespace vantrel {

namespace {

constexpr TKeyFieldInfo kFields[kKeyFieldCount] = {
    {"BlockCipherKey", "Block cipher key (global unicast)", true},
    {"BroadcastKey", "Broadcast key (global)", true},
    {"DedicatedKey", "Dedicated key", true},
    {"AuthenticationKey", "Authentication key", true},
    {"MasterKey", "Master key (key-encrypting key)", true},
    {"ClientSystemTitle", "Client system title", false},
    {"ServerSystemTitle", "Server system title", false},
};

bool IsHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

}  // namespace

const TKeyFieldInfo& KeyFieldInfo(TKeyField Field) { return kFields[Field]; }

TKeyFieldCheck CheckKeyField(TKeyField Field, const QString& Text) {
    int digits = 0;
    for (const QChar c : Text) {
        if (c == QLatin1Char(' ')) continue;
        if (!IsHexDigit(c)) return {false, QStringLiteral("not a hex digit: \"%1\"").arg(c)};
        ++digits;
    }
    if (digits == 0) return {true, QStringLiteral("not set")};
    const bool key = kFields[Field].IsKey;
    if (digits % 2) return {false, QStringLiteral("odd number of hex digits")};
    const int octets = digits / 2;
    if (key ? octets == 16 || octets == 32 : octets == 8) return {true, QStringLiteral("%1 octets").arg(octets)};
    if (!key) return {false, QStringLiteral("%1 of 8 octets").arg(octets)};
    if (octets < 16) return {false, QStringLiteral("%1 of 16 octets").arg(octets)};
    return {false, QStringLiteral("%1 octets: 16, or 32 for suite 2").arg(octets)};
}

void WipeSecret(std::string& Text) noexcept {
    if (!Text.empty()) OPENSSL_cleanse(Text.data(), Text.size());
    Text.clear();
}

void WipeSecret(QString& Text) noexcept {
    if (!Text.isEmpty()) {
        Text.detach();
        OPENSSL_cleanse(Text.data(), static_cast<size_t>(Text.size()) * sizeof(QChar));
    }
    Text.clear();
}

TKeySet& TKeySet::operator=(const TKeySet& Other) {
    if (this != &Other) {
        Clear();
        FValues = Other.FValues;
    }
    return *this;
}

TKeySet::~TKeySet() { Clear(); }

bool TKeySet::Set(TKeyField Field, const QString& Text) {
    if (!CheckKeyField(Field, Text).Ok) return false;
    std::string digits;
    digits.reserve(static_cast<size_t>(Text.size()));
    for (const QChar c : Text)
        if (c != QLatin1Char(' ')) digits += static_cast<char>(c.toUpper().toLatin1());
    WipeSecret(FValues[Field]);
    FValues[Field] = std::move(digits);
    return true;
}

void TKeySet::Clear() {
    for (std::string& value : FValues) WipeSecret(value);
}

bool TKeySet::IsEmpty() const { return Count() == 0; }

int TKeySet::Count() const {
    int count = 0;
    for (const std::string& value : FValues) count += !value.empty();
    return count;
}

std::string TKeySet::ToText() const {
    std::string text;
    for (int field = 0; field < kKeyFieldCount; ++field)
        if (!FValues[field].empty()) text += std::string(kFields[field].Name) + " = " + FValues[field] + "\n";
    return text;
}

bool TKeySet::FromText(const std::string& Text) {
    TKeySet read;
    size_t start = 0;
    while (start < Text.size()) {
        size_t end = Text.find('\n', start);
        if (end == std::string::npos) end = Text.size();
        QString line = QString::fromLatin1(Text.data() + start, static_cast<qsizetype>(end - start)).trimmed();
        start = end + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = line.left(equals).trimmed();
        QString value = equals < 0 ? QString() : line.mid(equals + 1).trimmed();
        WipeSecret(line);
        int field = 0;
        while (field < kKeyFieldCount && name != QLatin1String(kFields[field].Name)) ++field;
        const bool ok = equals > 0 && field < kKeyFieldCount && read.Set(static_cast<TKeyField>(field), value);
        WipeSecret(value);
        if (!ok) return false;
    }
    *this = read;
    return true;
}

void TKeySet::TFree::operator()(VantrelKeys* Keys) const noexcept { VantrelKeysFree(Keys); }

TKeySet::TKeysPtr TKeySet::ToLibraryKeys(QString& Error) const {
    Error.clear();
    if (IsEmpty()) return {};
    TKeysPtr keys(VantrelKeysNew());
    if (!keys) {
        Error = QStringLiteral("out of memory");
        return {};
    }
    for (int field = 0; field < kKeyFieldCount; ++field) {
        if (FValues[field].empty()) continue;
        TTranslationError error{};
        if (VantrelKeysSet(keys.get(), kFields[field].Name, FValues[field].c_str(), &error) != 0) {
            // The library's message names the field, never the key.
            Error = QStringLiteral("%1: %2").arg(QLatin1String(kFields[field].Name),
                                                 QString::fromLatin1(error.Message, static_cast<qsizetype>(strnlen(error.Message, sizeof error.Message))));
            return {};
        }
    }
    return keys;
}

}  // namespace vantrel
