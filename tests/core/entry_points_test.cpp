// PduToXml and XmlToPdu: the error record, the output streams (and the
// caller's buffer), nesting limits and calls from several threads.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace {

using vtest::Xml;

TEST(EntryPoints, ErrorRecordOfPduToXml) {
    const vtest::TResult empty = vtest::ToXml("");
    EXPECT_EQ(empty.Code, 3);
    EXPECT_EQ(empty.Message, "Wrong encoding in pdu");
    EXPECT_EQ(empty.Position, 1);

    const vtest::TResult tag = vtest::ToXml("07");
    EXPECT_EQ(tag.Code, 3);
    EXPECT_EQ(tag.Message, "T_COSEMpdu : illegal Tag 7");
    EXPECT_EQ(tag.Position, 2);

    const vtest::TResult ok = vtest::ToXml("FF 12 01 02");
    EXPECT_EQ(ok.Code, 0);
    EXPECT_EQ(ok.Position, 5);
}

TEST(EntryPoints, ErrorRecordOfXmlToPdu) {
    const vtest::TResult empty = vtest::ToPdu("");
    EXPECT_EQ(empty.Code, 1);
    EXPECT_EQ(empty.Message, "T_COSEMpdu.CreateFromXml : illegal choice");
    EXPECT_EQ(empty.Position, 0);

    const vtest::TResult encoding = vtest::ToPdu("<Data><BitString Value=\"2\" /></Data>");
    EXPECT_EQ(encoding.Code, 2);
    EXPECT_EQ(encoding.Message, "BERBitString: illegal character");
    EXPECT_EQ(encoding.Position, 0);

    const vtest::TResult ok = vtest::ToPdu("<Data><NullData /></Data>");
    EXPECT_EQ(ok.Code, 0);
    EXPECT_EQ(ok.Position, 0);
    EXPECT_EQ(ok.Text, "FF00");
}

// A translation that succeeds says what it did not translate: the notes
// beside the stream, the same text in the success record's message and in
// the XML's comment, and through the translate command.
TEST(EntryPoints, NotesOfATranslationThatSucceeded) {
    struct TRow {
        std::string_view Hex;
        std::vector<std::string> Notes;
    };
    const TRow rows[] = {
        {"FF 12 01 02", {}},
        {"FF 12 01 02 03 04", {"2 octets after the end of the APDU: 03 04"}},
        {"FF 00 01", {"1 octet after the end of the APDU: 01"}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Hex);
        const std::string octets = vtest::Bytes(row.Hex);
        TTranslationError e;
        VantrelStream* xml = nullptr;
        PduToXml(reinterpret_cast<const uint8_t*>(octets.data()), static_cast<uint32_t>(octets.size()), &xml, &e);
        ASSERT_EQ(e.Code, 0);
        std::vector<std::string> notes;
        for (uint32_t i = 0; i < VantrelStreamNoteCount(xml); ++i) notes.emplace_back(VantrelStreamNote(xml, i));
        EXPECT_EQ(notes, row.Notes);
        EXPECT_EQ(VantrelStreamNote(xml, VantrelStreamNoteCount(xml)), nullptr);
        EXPECT_EQ(std::string(e.Message), row.Notes.empty() ? "" : row.Notes.front());
        const std::string text(reinterpret_cast<const char*>(VantrelStreamData(xml)));
        for (const std::string& note : row.Notes) EXPECT_NE(text.find("<!-- " + note + " -->"), std::string::npos);
        VantrelStreamFree(xml);

        VantrelStream* out = nullptr;
        const std::string hex(row.Hex);
        ASSERT_EQ(VantrelTranslate(hex.data(), static_cast<uint32_t>(hex.size()), nullptr, 0, &out, nullptr, nullptr),
                  VANTREL_TRANSLATED);
        notes.clear();
        for (uint32_t i = 0; i < VantrelStreamNoteCount(out); ++i) notes.emplace_back(VantrelStreamNote(out, i));
        EXPECT_EQ(notes, row.Notes);
        VantrelStreamFree(out);
    }
    EXPECT_EQ(VantrelStreamNoteCount(nullptr), 0u);
    EXPECT_EQ(VantrelStreamNote(nullptr, 0), nullptr);
}

TEST(EntryPoints, MessagesAreCutTo256Characters) {
    const std::string name(300, 'a');
    const std::string xml = "<" + name + ">";
    TTranslationError e;
    std::memset(&e, 'x', sizeof e);
    VantrelStream* s = nullptr;
    XmlToPdu(xml.c_str(), &s, &e);
    EXPECT_EQ(e.Code, 1);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(std::string(e.Message, 256), "'" + name.substr(0, 255));  // no room for a terminator

    const vtest::TResult shorter = vtest::ToPdu("<" + std::string(200, 'b') + ">");
    EXPECT_EQ(shorter.Message, "'" + std::string(200, 'b') + "' unknown identifier");
}

TEST(EntryPoints, OutputStreams) {
    const std::string octets = vtest::Bytes("FF 01 01 11 05");
    TTranslationError e;
    VantrelStream* xml = nullptr;
    PduToXml(reinterpret_cast<const uint8_t*>(octets.data()), static_cast<uint32_t>(octets.size()), &xml, &e);
    ASSERT_EQ(e.Code, 0);
    const std::string expected = Xml(R"(
<Data>
  <Array Qty="0001" >
    <Unsigned Value="05" />
  </Array>
</Data>
)");
    ASSERT_EQ(VantrelStreamSize(xml), expected.size() + 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(VantrelStreamData(xml)), expected.size()), expected);
    EXPECT_EQ(VantrelStreamData(xml)[expected.size()], 0);

    VantrelStream* pdu = nullptr;
    XmlToPdu(reinterpret_cast<const char*>(VantrelStreamData(xml)), &pdu, &e);
    ASSERT_EQ(e.Code, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(VantrelStreamData(pdu)), VantrelStreamSize(pdu)), octets);
    VantrelStreamFree(pdu);
    VantrelStreamFree(xml);
    VantrelStreamFree(nullptr);
    EXPECT_EQ(VantrelStreamData(nullptr), nullptr);
    EXPECT_EQ(VantrelStreamSize(nullptr), 0u);
}

// PduToXmlInto: the XML and error record of PduToXml, written only when the
// buffer holds it with its closing zero.
TEST(EntryPoints, PduToXmlIntoTheCallersBuffer) {
    const char* const kApdus[] = {
        "FF 01 01 11 05",
        "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
        "C0 01 C1 00 08 00 00 01",  // cut short
        "C4 01 C1 00 06 00 00 30 39 AA",  // an octet after the APDU: noted in a comment
    };
    for (const char* hex : kApdus) {
        SCOPED_TRACE(hex);
        const std::string octets = vtest::Bytes(hex);
        const vtest::TResult one = vtest::ToXmlOctets(octets);
        const auto* data = reinterpret_cast<const uint8_t*>(octets.data());
        const auto size = static_cast<uint32_t>(octets.size());
        const uint32_t needed = one.Code == 0 ? static_cast<uint32_t>(one.Text.size()) + 1 : 0;
        for (const uint32_t capacity : {needed + 100, needed, needed ? needed - 1 : 0}) {
            SCOPED_TRACE(capacity);
            std::string out(capacity, '#');
            TTranslationError e;
            EXPECT_EQ(PduToXmlInto(data, size, nullptr, 0, out.data(), capacity, &e), needed);
            EXPECT_EQ(e.Code, one.Code);
            EXPECT_EQ(e.Position, one.Position);
            if (one.Code != 0) EXPECT_EQ(std::string(e.Message), one.Message);
            if (one.Code == 0 && capacity >= needed) {
                EXPECT_EQ(out.substr(0, needed), one.Text + '\0');
            } else {
                EXPECT_EQ(out, std::string(capacity, '#'));  // nothing written
            }
        }
    }
    EXPECT_EQ(PduToXmlInto(nullptr, 0, nullptr, 0, nullptr, 0, nullptr), 0u);
}

TEST(EntryPoints, MissingArgumentsDoNotCrash) {
    TTranslationError e;
    PduToXml(nullptr, 0, nullptr, &e);
    EXPECT_NE(e.Code, 0);
    VantrelStream* s = reinterpret_cast<VantrelStream*>(1);
    PduToXml(nullptr, 5, &s, &e);
    EXPECT_EQ(e.Code, 3);
    EXPECT_EQ(s, nullptr);
    XmlToPdu(nullptr, &s, &e);
    EXPECT_EQ(e.Code, 1);
    XmlToPdu("<Data><NullData/></Data>", nullptr, &e);
    EXPECT_NE(e.Code, 0);
    PduToXml(nullptr, 0, &s, nullptr);
    XmlToPdu("", &s, nullptr);
}

// Arrays nested Depth deep around a NullData, as octets and as XML.
std::string NestedArrayOctets(int Depth) {
    std::string hex = "FF";
    for (int i = 0; i < Depth; ++i) hex += " 01 01";
    return hex + " 00";
}
std::string NestedArrayXml(int Depth) {
    std::string xml = "<Data>";
    for (int i = 0; i < Depth; ++i) xml += "<Array Qty=\"0001\">";
    xml += "<NullData/>";
    for (int i = 0; i < Depth; ++i) xml += "</Array>";
    return xml + "</Data>";
}
// A compact array whose description nests Depth array descriptions.
std::string NestedDescriptionOctets(int Depth) {
    std::string hex = "FF 13";
    for (int i = 0; i < Depth; ++i) hex += " 01 00 01";
    return hex + " 11 00";
}
std::string NestedDescriptionXml(int Depth) {
    std::string xml = "<Data><CompactArray><ContentDescription>";
    for (int i = 0; i < Depth; ++i) xml += "<Array><NumberOfElements Value=\"0001\"/><TypeDescription>";
    xml += "<Unsigned/>";
    for (int i = 0; i < Depth; ++i) xml += "</TypeDescription></Array>";
    return xml + "</ContentDescription><ArrayContent Value=\"\"/></CompactArray></Data>";
}
std::string NestedStructureDescriptionOctets(int Depth) {
    std::string hex = "FF 13";
    for (int i = 0; i < Depth; ++i) hex += " 02 01";
    return hex + " 11 00";
}

TEST(EntryPoints, NestingIsBounded) {
    for (const auto& octets : {NestedArrayOctets(64), NestedDescriptionOctets(64), NestedStructureDescriptionOctets(64)})
        vtest::ExpectOctetsSurvive(octets);
    for (const auto& octets : {NestedArrayOctets(65), NestedDescriptionOctets(65), NestedStructureDescriptionOctets(65),
                               NestedArrayOctets(100000)}) {
        const vtest::TResult r = vtest::ToXml(octets);
        EXPECT_EQ(r.Code, 3);
        EXPECT_EQ(r.Message, "Nesting too deep");
    }
    for (const auto& xml : {NestedArrayXml(64), NestedDescriptionXml(64)}) EXPECT_EQ(vtest::ToPdu(xml).Code, 0);
    for (const auto& xml : {NestedArrayXml(65), NestedDescriptionXml(65), NestedArrayXml(100000)}) {
        const vtest::TResult r = vtest::ToPdu(xml);
        EXPECT_EQ(r.Code, 1);
        EXPECT_EQ(r.Message, "Nesting too deep");
    }
}

TEST(EntryPoints, SeveralThreadsAtOnce) {
    const std::string octets = "FF 02 03 09 0C 07 E4 01 01 03 0C 00 00 FF 80 00 00 01 02 11 01 12 00 02 13 02 02 11 12 00";
    const vtest::TResult reference = vtest::ToXml(octets);
    ASSERT_EQ(reference.Code, 0);
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                const vtest::TResult x = vtest::ToXml(octets);
                const vtest::TResult p = vtest::ToPdu(x.Text);
                const vtest::TResult bad = vtest::ToXml("FF 08");
                if (x.Text != reference.Text || p.Text != vtest::Norm(octets) || bad.Message != "T_Data : illegal Tag 8")
                    ++mismatches;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
