"""The three translations through the package: round trips, failures with
their places, the translate command, and arguments of the wrong type."""
import pickle

import pytest

import vantrel
from rows import APDUS, Vector, octets, vectors


def _round_trip(data: bytes) -> None:
    xml = vantrel.pdu_to_xml(data)
    assert vantrel.xml_to_pdu(xml) == data
    # LF line ends read the same as the CR LF the library writes.
    assert vantrel.xml_to_pdu(xml.replace("\r\n", "\n")) == data
    annotated = vantrel.pdu_to_xml(data, annotate=True)
    assert vantrel.xml_to_pdu(annotated) == data


@pytest.mark.parametrize("hex_text", APDUS)
def test_round_trip(hex_text: str) -> None:
    data = octets(hex_text)
    _round_trip(data)
    # Every bytes-like form gives the same XML.
    xml = vantrel.pdu_to_xml(data)
    assert vantrel.pdu_to_xml(bytearray(data)) == xml
    assert vantrel.pdu_to_xml(memoryview(b"\0" + data)[1:]) == xml
    # As the translate command sees it: hex text, and the XML back to hex.
    assert vantrel.translate(hex_text).text == xml
    back = vantrel.translate(xml)
    assert not back.hex_to_xml and back.octets == data and back.text == data.hex().upper()


VECTORS = list(vectors())


def test_the_vector_files_are_there() -> None:
    assert len(VECTORS) > 100, "tests/vectors/*.txt hold too few records"


def _character_position(xml: str, byte_position: int) -> int:
    # The library counts bytes of UTF-8; the package, characters of the str.
    return len(xml.encode("utf-8")[:byte_position].decode("utf-8", errors="ignore"))


@pytest.mark.parametrize("v", VECTORS, ids=[v.name for v in VECTORS])
def test_vector(v: Vector) -> None:
    if v.expect_kind == "error":
        code, position, message = v.expect.split(" ", 2)
        with pytest.raises(vantrel.TranslationError) as caught:
            if v.input_kind == "hex":
                vantrel.pdu_to_xml(octets(v.input))
            else:
                vantrel.xml_to_pdu(v.input)
        e = caught.value
        expected = int(position) if v.input_kind == "hex" else _character_position(v.input, int(position))
        assert (e.code, e.position, e.message) == (int(code), expected, message)
    elif v.input_kind == "xml":
        assert v.expect_kind == "hex"
        assert vantrel.xml_to_pdu(v.input) == octets(v.expect)
    else:
        data = octets(v.input)
        xml = vantrel.pdu_to_xml(data)
        if v.expect_kind == "xml":
            assert xml == v.expect
            assert vantrel.xml_to_pdu(xml) == data
        else:
            assert v.expect_kind == "canonical"
            assert vantrel.xml_to_pdu(xml) == octets(v.expect)


@pytest.mark.parametrize(
    "hex_text, position",
    [
        ("", 1),
        ("C0", 2),
        ("C0 01 C1 00 08 00 00 01", 6),  # cut short inside the logical name
        ("C4 01 C1 00 06 00 00 30", 9),
        ("FF 12 01", 4),
    ],
)
def test_octets_that_do_not_decode(hex_text: str, position: int) -> None:
    with pytest.raises(vantrel.TranslationError) as caught:
        vantrel.pdu_to_xml(octets(hex_text))
    e = caught.value
    assert (e.code, e.position, e.line, e.column) == (3, position, None, None)
    assert e.message == "Wrong encoding in pdu"
    assert str(e) == f"at octet {position}: Wrong encoding in pdu"


@pytest.mark.parametrize(
    "xml, code, rest, message",
    [
        ('<Data><LongUnsigned Value="01" /></Data>', 1, "</Data>", "expected 2, found 1"),
        ("<Data>\n  <Foo />\n</Data>", 1, "\n</Data>", "'Foo' unknown identifier"),
        # Positions count characters of the str, not bytes of its UTF-8.
        ("<!-- é ü -->\n<Data><Bar/></Data>", 1, "</Data>", "'Bar' unknown identifier"),
        ("xyz", 1, "xyz", "illegal choice"),
    ],
)
def test_xml_that_does_not_read(xml: str, code: int, rest: str, message: str) -> None:
    with pytest.raises(vantrel.TranslationError) as caught:
        vantrel.xml_to_pdu(xml)
    e = caught.value
    assert e.code == code and message in e.message
    assert xml[e.position :] == rest


def test_translate_command() -> None:
    frame = "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E"
    t = vantrel.translate(frame, describe_frame=True)
    assert t.hex_to_xml and t.text == vantrel.pdu_to_xml(octets(APDUS[0]))
    assert t.frame is not None and t.frame.startswith("Frame(\n  Kind:I, Dst:'01', Src:'10'")
    assert vantrel.translate(frame).frame is None
    with pytest.raises(ValueError):
        t.octets


@pytest.mark.parametrize(
    "text, code, position, line, column, without_apdu, message",
    [
        # The caret as vantrel-cli prints it: "<stdin>:1:12: Wrong encoding in pdu".
        ("C0 01 C1 00 08 00 00 01", 3, 6, 1, 12, False, "Wrong encoding in pdu"),
        ("\r\n  C0 01 C1 00 08 00 00 01", 3, 6, 2, 11, False, "Wrong encoding in pdu"),
        ("<Data>\r\n  <Foo />\r\n</Data>", None, 17, 2, 10, False, "'Foo' unknown identifier"),
        ("C0 01 C", None, None, None, None, False, ""),
        ("7E A0 07 03 21 93 0F 01 7E", None, None, None, None, True, "HDLC SNRM frame: no APDU to translate"),
        ("7E 00 7E", None, None, None, None, False, "Not a decodable HDLC frame"),
        ("Z" * 80 + "<Data/>", None, None, None, None, False, "XML must begin within the first 79 characters"),
    ],
)
def test_translate_failures(text, code, position, line, column, without_apdu, message) -> None:
    with pytest.raises(vantrel.TranslationError) as caught:
        vantrel.translate(text, describe_frame=True)
    e = caught.value
    assert (e.code, e.position, e.line, e.column, e.frame_without_apdu) == (code, position, line, column, without_apdu)
    assert e.message.startswith(message)
    assert (e.frame is not None) == without_apdu  # the SNRM frame is described


def test_error_survives_pickling() -> None:
    # Failures cross process boundaries in Spark, Dask and multiprocessing.
    with pytest.raises(vantrel.TranslationError) as caught:
        vantrel.translate("C0 01 C1 00 08 00 00 01")
    copy = pickle.loads(pickle.dumps(caught.value))
    assert repr(copy) == repr(caught.value) and str(copy) == "1:12: Wrong encoding in pdu"


@pytest.mark.parametrize(
    "call, argument, error, words",
    [
        (vantrel.pdu_to_xml, "C001C1", TypeError, "takes the APDU's octets as bytes, not str; for hex digits use bytes.fromhex"),
        (vantrel.pdu_to_xml, [0xC0, 0x01], TypeError, "not list"),
        (vantrel.pdu_to_xml, None, TypeError, "not NoneType"),
        (vantrel.xml_to_pdu, b"<Data/>", TypeError, "takes the XML as str, not bytes; decode it first"),
        (vantrel.xml_to_pdu, 12, TypeError, "not int"),
        (vantrel.xml_to_pdu, "<Data>\0</Data>", ValueError, "NUL character at index 6"),
        (vantrel.translate, b"C0 01", TypeError, "takes the input as str, not bytes; for octets use vantrel.pdu_to_xml"),
        (vantrel.pdu_to_xml_many, b"\xc0\x01", TypeError, "an iterable of APDUs (bytes each), not one bytes"),
        (vantrel.pdu_to_xml_many, "C001", TypeError, "not one str"),
    ],
)
def test_arguments_of_the_wrong_type(call, argument, error, words) -> None:
    with pytest.raises(error) as caught:
        call(argument)
    assert words in str(caught.value)


def test_keys_argument_of_the_wrong_type() -> None:
    for call, argument in ((vantrel.pdu_to_xml, b"\xff\x12\x01\x02"), (vantrel.xml_to_pdu, "<Data/>"), (vantrel.translate, "FF")):
        with pytest.raises(TypeError, match="takes keys as vantrel.Keys, not dict"):
            call(argument, keys={"BlockCipherKey": "00"})


def test_an_xml_larger_than_the_call_buffer(monkeypatch) -> None:
    # pdu_to_xml writes small XML into a buffer of its thread; a larger one
    # goes through the library's stream, with the same text.
    from vantrel import _native

    big = bytes.fromhex("FF 01 82 0F A0") + bytes.fromhex("11 05") * 4000
    small = bytes.fromhex("C001C100080000010000FF0200")
    got = [vantrel.pdu_to_xml(big), vantrel.pdu_to_xml(small), vantrel.pdu_to_xml(big, annotate=True)]
    assert len(got[0]) > 65536
    lib = _native.library()
    monkeypatch.setattr(lib, "PduToXmlInto", None)
    assert got == [vantrel.pdu_to_xml(big), vantrel.pdu_to_xml(small), vantrel.pdu_to_xml(big, annotate=True)]
