// The vector files of tests/vectors (format: tests/vectors/README.md): each
// record is an input (octets as hex, or XML) and what it must give (the exact
// XML, the exact octets, the octets its XML encodes back to, or a failure).
// ExpectVectors runs a whole file through the entry points.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"

#ifndef VANTREL_VECTOR_DIR
#error "VANTREL_VECTOR_DIR names the folder of the vector files"
#endif

namespace vtest {

struct TVector {
    std::string Name;
    int Line = 0;                // of the record's "=" line
    bool HasInput = false;
    bool FromHex = false;        // the input is octets (hex), else XML
    std::string Input;
    enum TExpect { None, ExactXml, ExactHex, Canonical, Failure } Expect = None;
    std::string Expected;        // XML, or hex digits
    int Code = 0;
    int Position = 0;
    std::string Message;
};

// Reads one family's file; a line the format does not know fails the test.
inline std::vector<TVector> LoadVectors(const std::string& Family) {
    const std::string path = std::string(VANTREL_VECTOR_DIR) + "/" + Family + ".txt";
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    std::vector<TVector> all;
    std::string* text = nullptr;  // the XML that "|" and ":" lines continue
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto bad = [&] { ADD_FAILURE() << path << ":" << n << ": unexpected line: " << line; };
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '|' || line[0] == ':') {
            if (!text) { bad(); continue; }
            *text += line.substr(1);
            if (line[0] == '|') *text += "\r\n";
            else text = nullptr;
            continue;
        }
        text = nullptr;
        if (key == "=") {
            all.emplace_back();
            all.back().Name = rest;
            all.back().Line = n;
            continue;
        }
        if (all.empty()) { bad(); continue; }
        TVector& v = all.back();
        const bool input = !v.HasInput;
        if (key == "hex" || key == "xml") v.HasInput = true;
        if (key == "hex" && input) {
            v.FromHex = true;
            v.Input = rest;
        } else if (key == "xml" && input) {
            v.Input = rest;
            if (space == std::string::npos) text = &v.Input;
        } else if (input || v.Expect != TVector::None) {
            bad();
        } else if (key == "xml" && v.FromHex) {
            v.Expect = TVector::ExactXml;
            v.Expected = rest;
            if (space == std::string::npos) text = &v.Expected;
        } else if (key == "hex" && !v.FromHex) {
            v.Expect = TVector::ExactHex;
            v.Expected = rest;
        } else if (key == "canonical" && v.FromHex) {
            v.Expect = TVector::Canonical;
            v.Expected = rest;
        } else if (key == "error") {
            char* end = nullptr;
            v.Code = static_cast<int>(std::strtol(rest.c_str(), &end, 10));
            v.Position = static_cast<int>(std::strtol(end, &end, 10));
            if (*end != ' ') { bad(); continue; }
            v.Expect = TVector::Failure;
            v.Message = end + 1;
        } else {
            bad();
        }
    }
    for (const TVector& v : all)
        if (v.Expect == TVector::None) ADD_FAILURE() << path << ":" << v.Line << ": record without expectation";
    return all;
}

// Every record of the family's file, through PduToXml and XmlToPdu.
inline void ExpectVectors(const std::string& Family) {
    const std::vector<TVector> all = LoadVectors(Family);
    EXPECT_FALSE(all.empty()) << Family;
    for (const TVector& v : all) {
        SCOPED_TRACE(Family + ".txt:" + std::to_string(v.Line) + " " + v.Name);
        switch (v.Expect) {
        case TVector::ExactXml: ExpectRoundTrip(v.Input, v.Expected); break;
        case TVector::Canonical: {
            const TResult x = ToXml(v.Input);
            ASSERT_EQ(x.Code, 0) << x.Message;
            const TResult p = ToPdu(x.Text);
            ASSERT_EQ(p.Code, 0) << p.Message << "\n" << x.Text;
            EXPECT_EQ(p.Text, Norm(v.Expected));
            break;
        }
        case TVector::ExactHex: {
            const TResult p = ToPdu(v.Input);
            EXPECT_EQ(p.Code, 0) << p.Message << " at " << p.Position;
            EXPECT_EQ(p.Text, Norm(v.Expected));
            break;
        }
        case TVector::Failure: {
            const TResult r = v.FromHex ? ToXml(v.Input) : ToPdu(v.Input);
            EXPECT_EQ(r.Code, v.Code);
            EXPECT_EQ(r.Message, v.Message);
            EXPECT_EQ(r.Position, v.Position);
            break;
        }
        case TVector::None: break;
        }
    }
}

}  // namespace vtest
