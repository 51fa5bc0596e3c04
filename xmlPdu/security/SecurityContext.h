// TSecurityContext: what one translation knows about security. The entry
// points open it; the octet reader and the XML reader carry a pointer to it,
// so that ciphered APDUs find the user's keys and the system titles that the
// association APDUs name. Nothing in it outlives the translation.
#pragma once

#include <string>
#include <vector>

struct VantrelKeys;

namespace vantrel {

struct TSecurityContext {
    const VantrelKeys* Keys = nullptr;  // read only; null: nothing deciphers
    // While an association or release APDU is read: its own system title
    // (calling-AP-title of an AARQ, responding-AP-title of an AARE), which the
    // ciphered initiate APDU in its user information was enciphered with.
    bool InAssociation = false;
    std::string AssociationTitle;
    // What the translation has to say of its ciphered APDUs, one sentence
    // each, for its notes: one that did not decipher although keys were
    // given, a tag that was not checked.
    std::vector<std::string> Notes;
};

// Marks the reading of an association APDU for its lifetime.
class TAssociationScope {
public:
    explicit TAssociationScope(TSecurityContext* Context) : FContext(Context) {
        if (!FContext) return;
        FWasIn = FContext->InAssociation;
        FTitle.swap(FContext->AssociationTitle);
        FContext->InAssociation = true;
    }
    ~TAssociationScope() {
        if (!FContext) return;
        FContext->InAssociation = FWasIn;
        FContext->AssociationTitle.swap(FTitle);
    }
    TAssociationScope(const TAssociationScope&) = delete;
    TAssociationScope& operator=(const TAssociationScope&) = delete;

private:
    TSecurityContext* FContext;
    bool FWasIn = false;
    std::string FTitle;
};

}  // namespace vantrel
