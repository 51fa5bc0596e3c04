// The byte reader, the XML writer, the XML reader and the lexer.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "xmlPdu/INFRA/Errors.h"
#include "xmlPdu/INFRA/LexicalAnalyser.h"
#include "xmlPdu/INFRA/ScriptStream.h"
#include "xmlPdu/INFRA/StringWrapper.h"
#include "xmlPdu/INFRA/XMLParser.h"

using namespace vantrel;

namespace {

template <class F>
std::string FailureOf(F&& f) {
    try {
        f();
    } catch (const EVantrelError& e) {
        return e.Message();
    }
    return "(no failure)";
}

TEST(StringWrapper, ReadsForwardAndStopsAtTheEnd) {
    const std::string octets = vtest::Bytes("C0 01");
    TStringWrapper r(octets);
    EXPECT_EQ(r.GetRemainingBytes(), 2);
    EXPECT_EQ(r.Inspect(), 0xC0);
    EXPECT_EQ(r.NextByte(), 0xC0);
    EXPECT_EQ(r.GetRemainingBytes(), 1);
    EXPECT_EQ(r.NextByte(), 0x01);
    EXPECT_EQ(r.GetRemainingBytes(), 0);
    EXPECT_EQ(FailureOf([&] { r.NextByte(); }), "Wrong encoding in pdu");
    EXPECT_EQ(r.FIndex, 3);
    EXPECT_EQ(FailureOf([&] { r.Inspect(); }), "Wrong encoding in pdu");
}

TEST(StringWrapper, ExpectByteNamesPositionAndOctets) {
    const std::string octets = vtest::Bytes("05");
    TStringWrapper r(octets);
    EXPECT_EQ(FailureOf([&] { r.ExpectByte(0x00); }), "Byte[1]:, expected 0x00 found 0x05");
    EXPECT_EQ(r.FIndex, 2);
}

TEST(StringWrapper, CopyFromIndexAndForward) {
    const std::string octets = vtest::Bytes("01 02 03");
    TStringWrapper r(octets);
    EXPECT_EQ(r.CopyFromIndexAndForward(0), "");
    EXPECT_EQ(r.FIndex, 1);
    EXPECT_EQ(vtest::Hex(r.CopyFromIndexAndForward(2)), "0102");
    EXPECT_EQ(FailureOf([&] { r.CopyFromIndexAndForward(2); }), "Wrong encoding in pdu");
    EXPECT_EQ(r.FIndex, 3);
}

TEST(StringWrapper, SetNextByteInsertsWithoutTouchingTheSource) {
    const std::string octets = vtest::Bytes("01 03");
    TStringWrapper r(octets);
    EXPECT_EQ(r.NextByte(), 1);
    r.SetNextByte(2);
    EXPECT_EQ(r.NextByte(), 2);
    EXPECT_EQ(r.NextByte(), 3);
    EXPECT_EQ(r.GetRemainingBytes(), 0);
    EXPECT_EQ(vtest::Hex(octets), "0103");
}

TEST(ScriptStream, IndentsNewLinesOnly) {
    TScriptStream s;
    s.Indent = 3;
    s.Emit("x");
    s.Emit("y");
    s.EmitLn("z");
    s.EmitLn("w");
    EXPECT_EQ(s.AsString(), "      xyz\r\n      w\r\n");
}

TEST(ScriptStream, CommentKeepsTheLineOpen) {
    TScriptStream s;
    s.Indent = 1;
    s.XMLComment("note");
    EXPECT_TRUE(s.LineNotEmpty);
    s.EmitLn("<A />");
    EXPECT_EQ(s.AsString(), "  <!-- note --> <A />\r\n");
}

TEST(ScriptStream, TagsAndEmptyLines) {
    TScriptStream s;
    s.XMLOpenTagLn("Array Qty=\"0002\" ");
    ++s.Indent;
    s.EmitLn("");
    s.TagAttrLine("Unsigned", "Value", "0A");
    s.TagAttrHexLine("Long", "Value", vtest::Bytes("FF FE"));
    --s.Indent;
    s.XMLCloseTagLn("Array");
    s.Indent = -2;
    s.EmitLn("<X />");
    EXPECT_EQ(s.AsString(), vtest::Xml(R"(
<Array Qty="0002" >
  
  <Unsigned Value="0A" />
  <Long Value="FFFE" />
</Array>
<X />
)"));
}

TEST(ScriptStream, DeepIndentation) {
    TScriptStream s(200);
    s.EmitLn("x");
    EXPECT_EQ(s.AsString(), std::string(400, ' ') + "x\r\n");
}

// Reads all tokens of a text as "kind:name" items.
std::vector<std::string> Tokens(const char* Text) {
    TXMLParser p;
    p.SetText(Text);
    std::vector<std::string> out;
    for (int guard = 0; guard < 50 && p.Token() != xtEndOfBuffer && p.Token() != xtUnknown; ++guard) {
        std::string item = p.Token() == xtStartTag ? "start:" : "stop:";
        item += p.TagIdentifier();
        if (p.HasAttribute()) item += " " + std::string(p.AttribIdentifier()) + "=" + std::string(p.AttribValue());
        out.push_back(item);
        p.Next();
    }
    out.push_back(p.Token() == xtEndOfBuffer ? "end" : "unknown@" + std::to_string(p.NextIdx()));
    return out;
}

TEST(XMLParser, SkipsDeclarationsCommentsAndBlanks) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Tokens("<?xml version=\"1.0\"?>\r\n<!-- note -->\t<A>\n</A>"), (V{"start:A", "stop:A", "end"}));
    EXPECT_EQ(Tokens("// line\n<A/> (* block\n *) <B />(*)<C>"), (V{"start:A", "start:B", "start:C", "end"}));
    EXPECT_EQ(Tokens("(* never closed <A>"), (V{"end"}));
    EXPECT_EQ(Tokens(""), (V{"end"}));
}

TEST(XMLParser, AttributesAreTakenLiterally) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Tokens("<A Value=\"a<b>&lt;\" />"), (V{"start:A Value=a<b>&lt;", "end"}));
    EXPECT_EQ(Tokens("<A Value='x\"y'>"), (V{"start:A Value=x\"y", "end"}));
    EXPECT_EQ(Tokens("<A Value = \"1\" / >"), (V{"unknown@16"}));  // "/" must be followed by ">"
}

TEST(XMLParser, MalformedTagsAreUnknown) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Tokens("<A Value=\"1\" Qty=\"2\" />"), (V{"unknown@13"}));  // a second attribute
    EXPECT_EQ(Tokens("<1A>"), (V{"unknown@1"}));
    EXPECT_EQ(Tokens("<A Value=1>"), (V{"unknown@9"}));
    EXPECT_EQ(Tokens("<A>text</A>"), (V{"start:A", "unknown@3"}));
    EXPECT_EQ(Tokens("<A Value>"), (V{"unknown@8"}));
}

TEST(XMLParser, NamesMatchWithoutRegardToCase) {
    TXMLParser p;
    p.SetText("<getrequest>");
    EXPECT_EQ(p.Tag(), xmlGetRequest);
    EXPECT_TRUE(p.IsStartTag(xmlGetRequest));
    EXPECT_TRUE(p.IsStartTag({xmlData, xmlGetRequest}));
    EXPECT_FALSE(p.IsStartTag(xmlGetResponse));
    EXPECT_EQ(p.KeyWord("QTY"), xmlQty);
}

TEST(XMLParser, AssertionsAndTheirMessages) {
    TXMLParser p;
    p.SetText("<Foo>");
    EXPECT_EQ(FailureOf([&] { p.Tag(); }), "'Foo' unknown identifier");
    p.SetText("<Unsigned Value=\"05\" /><Long>");
    EXPECT_EQ(FailureOf([&] { p.XMLAssertStartTag(xmlLong); }), "Start tag \"Long\" expected");
    EXPECT_EQ(FailureOf([&] { p.XMLAssertStopTag(xmlUnsigned); }), "Stop tag \"Unsigned\" expected");
    EXPECT_EQ(p.XMLGetAttributeValue(xmlValue), "05");
    EXPECT_EQ(FailureOf([&] { p.XMLGetAttributeValue(xmlQty); }), "\"Qty\" expected");
    p.Next();
    EXPECT_EQ(FailureOf([&] { p.XMLGetAttributeValue(xmlValue); }), "\"Value\" expected");
    EXPECT_EQ(FailureOf([&] { p.UnexpectedKeyword(xmlData); }), "Unexpected keyword \"Data\"");
    p.SetText("</A>");
    EXPECT_EQ(FailureOf([&] { p.XMLStartTag(); }), "Start tag expected");
}

TEST(XMLParser, UnknownAttributeNameFailsAtOnce) {
    TXMLParser p;
    EXPECT_EQ(FailureOf([&] { p.SetText("<Unsigned Bogus=\"1\">"); }), "'Bogus' unknown identifier");
}

TEST(XMLParser, ConvertsTheValueAttribute) {
    TXMLParser p;
    p.SetText("<A Value=\"1.0.99.98.1.255\">");
    EXPECT_EQ(vtest::Hex(p.HexStrToByteStrOfValue()), "0100636201FF");
    p.SetText("\n\n  <A Value=\"0G\">");
    try {
        (void)p.HexStrToByteStrOfValue();
        ADD_FAILURE();
    } catch (const EXMLError& e) {
        EXPECT_EQ(e.Message(), "Illegal hex-character");
        EXPECT_EQ(e.PosY, 3);
        EXPECT_EQ(e.PosX, 11);  // the opening quote of the value
    }
}

TEST(XMLParser, ErrorColumnsCountFromTheLastLineFeed) {
    EXPECT_EQ(ColumnOf("abc", 0), 0);
    EXPECT_EQ(ColumnOf("abc", 2), 2);
    EXPECT_EQ(ColumnOf("a\nbc", 3), 1);
    EXPECT_EQ(ColumnOf("a\n", 2), 0);
}

struct TLexItem {
    TLexicalToken Token;
    int Value;
    int Length;
};

TEST(LexicalAnalyser, BraceNotation) {
    TLexicalAnalyser lex;
    lex.SetText("{ 2 , 0x10 }");
    const TLexItem expected[] = {{toCurlOpen, 0, 0}, {toIntConst, 2, 1},   {toComma, 0, 0},
                                 {toIntConst, 16, 4}, {toCurlClose, 0, 0}, {toEndOfBuffer, 0, 0}};
    for (const TLexItem& e : expected) {
        EXPECT_EQ(lex.FToken, e.Token);
        if (e.Token == toIntConst) {
            EXPECT_EQ(lex.FTokenIntValue, e.Value);
            EXPECT_EQ(lex.FTokenLen, e.Length);
        }
        lex.Next();
    }
}

TEST(LexicalAnalyser, TokensOfEveryKind) {
    TLexicalAnalyser lex;
    lex.SetText("ab_1 'it''s' := += -= ... .. . (* c *) // x\n :: : <= <> < >= > 1A ( ) ~q");
    std::vector<TLexicalToken> tokens;
    while (lex.FToken != toEndOfBuffer) {
        tokens.push_back(lex.FToken);
        if (lex.FToken == toIdentifier && tokens.size() == 1) {
            EXPECT_EQ(lex.FIdentifier, "AB_1");
        } else if (lex.FToken == toStrConst) {
            EXPECT_EQ(lex.FStrConst, "it's");
        } else if (lex.FToken == toIntConst) {
            EXPECT_EQ(lex.FTokenIntValue, 20);  // "1A" in radix 10
        }
        lex.Next();
    }
    const std::vector<TLexicalToken> expected = {toIdentifier, toStrConst, toAssigment, toPlusEqual, toMinusEqual,
                                                 toEllipsis,   toRange,    toPoint,     toAlias,     toColon,
                                                 toLesserOrEqual, toDifferent, toLesser, toGreaterOrEqual, toGreater,
                                                 toIntConst,   toParOpen,  toParClose,  toIdentifier};
    EXPECT_EQ(tokens, expected);
    EXPECT_EQ(lex.FLineNr, 1);
}

TEST(LexicalAnalyser, ErrorsCarryColumnAndLine) {
    TLexicalAnalyser lex;
    lex.SetText("{\n   x");
    lex.Next();
    EXPECT_EQ(FailureOf([&] { lex.Expect(toComma); }), "(4:2) ',' expected");
    EXPECT_EQ(FailureOf([&] { lex.ExpectInt(0, 9); }), "(4:2) Integer value [0..9] expected.");
    EXPECT_EQ(FailureOf([&] { lex.UnexpectedToken(); }), "(4:2) 'Identifier' unexpected");
    lex.SetText("300");
    EXPECT_EQ(FailureOf([&] { lex.ExpectInt(0, 255); }), "(1:1) Value out of range 300.");
    lex.SetText("7");
    EXPECT_EQ(lex.ExpectInt(0, 255), 7);
    EXPECT_EQ(lex.FToken, toEndOfBuffer);
    try {
        lex.RaiseLexError("x");
    } catch (const ELexError& e) {
        EXPECT_EQ(e.PosX, 2);
        EXPECT_EQ(e.PosY, 1);
    }
}

TEST(LexicalAnalyser, CharactersAbove126StopTheScan) {
    TLexicalAnalyser lex;
    lex.SetText("\xC3\xA4");
    EXPECT_EQ(lex.LexError, LexIllChar);
    EXPECT_EQ(lex.FNextIdx, 0);
}

TEST(LexicalAnalyser, PushAndPop) {
    TLexicalAnalyser lex;
    lex.SetText("a b");
    lex.Push();
    lex.Next();
    EXPECT_EQ(lex.FIdentifier, "B");
    lex.Pop(true);
    EXPECT_EQ(lex.FIdentifier, "A");
    EXPECT_THROW(lex.Pop(false), EAssertionFailed);
    for (int i = 0; i < 20; ++i) lex.Push();
    EXPECT_THROW(lex.Push(), EAssertionFailed);
}

}  // namespace
