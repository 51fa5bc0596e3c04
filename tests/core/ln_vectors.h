// Vector tables of the service APDU tests: octets and exact XML both ways,
// decode failures and XML cases, each row with its message and position.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "TestSupport.h"

namespace lntest {

struct TRoundTrip {
    const char* Octets;
    const char* XmlText;  // raw literal, LF line ends
};

// Octets → exactly this XML → the same octets.
inline void ExpectRoundTrips(std::span<const TRoundTrip> Cases) {
    for (const TRoundTrip& c : Cases) {
        SCOPED_TRACE(c.Octets);
        vtest::ExpectRoundTrip(c.Octets, vtest::Xml(c.XmlText));
    }
}

struct TDecodeFailure {
    const char* Octets;
    const char* Message;
    int Position;  // of the octet after the last one read
};

inline void ExpectDecodeFailures(std::span<const TDecodeFailure> Cases) {
    for (const TDecodeFailure& c : Cases) {
        SCOPED_TRACE(c.Octets);
        const vtest::TResult r = vtest::ToXml(c.Octets);
        EXPECT_EQ(r.Code, 3);
        EXPECT_EQ(r.Message, c.Message);
        EXPECT_EQ(r.Position, c.Position);
    }
}

struct TXmlCase {
    const char* Text;     // raw literal or plain string
    const char* Octets;   // expected octets, or null for a failure
    const char* Message;  // for a failure
    int Position;         // for a failure: the reader's index
};

inline void ExpectXmlCases(std::span<const TXmlCase> Cases) {
    for (const TXmlCase& c : Cases) {
        SCOPED_TRACE(c.Text);
        const vtest::TResult r = vtest::ToPdu(vtest::Xml(c.Text));
        if (c.Octets) {
            EXPECT_EQ(r.Code, 0) << r.Message << " at " << r.Position;
            EXPECT_EQ(r.Text, vtest::Norm(c.Octets));
        } else {
            EXPECT_NE(r.Code, 0);
            EXPECT_EQ(r.Message, c.Message);
            EXPECT_EQ(r.Position, c.Position);
        }
    }
}

}  // namespace lntest
