"""The octet map through the package: which octets each element stands for,
where they stand in the text a user pasted, and the XML as a tree."""
import pickle
import re
import xml.etree.ElementTree as ElementTree

import pytest

import vantrel
from rows import APDUS, octets
from test_keys import GLO_GET, _keys

GET = "C0 01 C1 00 08 00 00 01 00 00 FF 02 00"


@pytest.fixture(autouse=True)
def _needs_the_map() -> None:
    if not vantrel._native.library().has_map:
        pytest.skip("the library keeps no octet map")


def _digits(text: str, span) -> str:
    """The hex digits in a span of a text, without what stands between them."""
    return re.sub(r"[^0-9A-Fa-f]", "", text[span[0] : span[1]]).upper()


@pytest.mark.parametrize("hex_text", APDUS)
def test_every_field_holds_octets_of_its_apdu(hex_text: str) -> None:
    data = octets(hex_text)
    xml = vantrel.pdu_to_xml(data, map=True)
    assert isinstance(xml, vantrel.MappedXml) and xml == vantrel.pdu_to_xml(data)
    fields = xml.fields
    assert fields and fields[0].parent is None and fields[0].offset == 0 and fields[0].length == len(data)
    lines = xml.split("\r\n")
    for i, f in enumerate(fields):
        # Its start tag stands on its line; it lies inside its parent.
        assert lines[f.line - 1].lstrip().startswith("<" + f.element), (i, f)
        if f.parent is not None:
            p = fields[f.parent]
            assert p.depth + 1 == f.depth
            assert p.offset <= f.offset and f.offset + f.length <= p.offset + p.length, (i, f, p)
    # The translate command has the same map, and says where each field's octets stand.
    t = vantrel.translate(hex_text, map=True)
    assert [f[:9] for f in t.fields] == [f[:9] for f in fields]
    for f in t.fields:
        if f.length == 0:  # an empty element stands in no octet
            assert f.span is None, f
            continue
        assert _digits(hex_text, f.span) == data[f.offset : f.offset + f.length].hex().upper(), f


def test_spans_stand_where_the_octets_do_in_every_form() -> None:
    rows = {
        "a frame": "7E A0 19 03 21 32 6F D8 E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E",
        "wrapped over lines": "C0 01 C1 00 08 00\n00 01 00 00 FF 02 00",
        "a label with non-ASCII text": "Prüfung → 00 01 00 10 00 01 00 0D C0 01 C1 00 08 00 00 01 00 00 FF 02 00",
        "a log of two lines": "12:00:01 Zähler TX: 7E A0 19 03 21 32 6F D8\n12:00:01 Zähler TX: E6 E6 00 C0 01 C1 00 08 00 00 01 00 00 FF 02 00 60 1A 7E",
        "a bytes literal": "data=b'\\xc0\\x01\\xc1\\x00\\x08\\x00\\x00\\x01\\x00\\x00\\xff\\x02\\x00'",
    }
    for name, text in rows.items():
        t = vantrel.translate(text, map=True)
        instance = next(f for f in t.fields if f.element == "InstanceId")
        assert instance.span is not None, name
        assert _digits(text, instance.span) == "0000010000FF", name
    (unit,) = vantrel.translate(rows["a frame"], map=True).units
    assert (unit.apdu_offset, unit.octets, unit.hex_to_xml) == (11, 13, True)


def test_xml_to_octets_maps_the_lines_given_and_the_hex_written() -> None:
    xml = "\n" + vantrel.pdu_to_xml(octets(GET), newline="\n")
    t = vantrel.translate(xml, map=True)
    assert not t.hex_to_xml and t.fields[0].line == 2
    for f in t.fields:
        assert t.text[f.span[0] : f.span[1]] == octets(GET)[f.offset : f.offset + f.length].hex().upper()


def test_deciphered_fields_count_in_their_plaintext() -> None:
    with _keys() as keys:
        xml = vantrel.pdu_to_xml(GLO_GET, keys=keys, map=True)
    holder = xml.fields[0]
    assert holder.element == "glo_GetRequest" and holder.plaintext is None
    inner = [f for f in xml.fields if f.plaintext is not None]
    assert inner and all(f.plaintext == 0 for f in inner) and inner[0].element == "GetRequest"
    title = [f for f in xml.fields if f.element == "SystemTitle"]
    assert all(f.offset is None and f.length == 0 for f in title)  # the title stands in no octet


def test_the_tree_and_the_result_as_a_value() -> None:
    xml = vantrel.pdu_to_xml(octets(GET), map=True, annotate=True)
    tree = xml.tree()
    assert isinstance(tree, ElementTree.Element) and tree.tag == "GetRequest"
    assert tree.find("./GetRequestNormal/AttributeDescriptor/ClassId").get("Value") == "0008"
    again = pickle.loads(pickle.dumps(xml))
    assert again == xml and again.fields == xml.fields
    # Several APDUs in one text: one element holds them.
    two = vantrel.translate("00 01 00 10 00 01 00 04 FF 12 01 02 00 01 00 10 00 01 00 03 FF 11 05", map=True)
    assert [e.tag for e in two.tree()] == ["Data", "Data"] and len(two.units) == 2
    with pytest.raises(ValueError):
        vantrel.translate(xml).tree()  # octets: no XML to parse


def test_without_the_flag_nothing_changes() -> None:
    assert type(vantrel.pdu_to_xml(octets(GET))) is str
    t = vantrel.translate(GET)
    assert t.fields == () and t.units == ()
