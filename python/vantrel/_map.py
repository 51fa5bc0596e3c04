"""The octet map: which octets each element of the XML stands for."""
from __future__ import annotations

import ctypes
import xml.etree.ElementTree as ElementTree
from typing import Any, List, NamedTuple, Optional, Tuple

from . import _native

__all__ = ["Field", "Unit", "MappedXml"]


class Field(NamedTuple):
    """One element of the XML and the octets it stands for.

    Attributes:
        element: the element's name (``"InstanceId"``).
        line: the line of its start tag in the XML, from 1 (for XML to octets,
            in the XML given).
        last_line: the line of its end tag (``line`` for an element on one line).
        offset: its first octet, from 0, in its APDU; in the deciphered
            plaintext when ``plaintext`` is not ``None``. ``None`` for an
            element that stands for no octet (the system title a ciphered APDU
            was enciphered with).
        length: its octets, its tag and length octets included.
        parent: the index in ``fields`` of the element around it; ``None`` for
            an APDU's element.
        depth: 0 for an APDU's element, its parent's + 1 otherwise.
        plaintext: ``None`` in the clear; else the index of the ciphered element
            whose plaintext ``offset`` counts in.
        unit: the APDU (of several in one translation) it belongs to, from 0.
        span: of :func:`vantrel.translate` only, the characters ``[start, end)``
            of the hex text (the input, or for XML to octets the output) that
            hold its octets; for a deciphered element those of the ciphered
            element holding it; ``None`` where they are not known.
    """

    element: str
    line: int
    last_line: int
    offset: Optional[int]
    length: int
    parent: Optional[int]
    depth: int
    plaintext: Optional[int]
    unit: int
    span: Optional[Tuple[int, int]] = None


class Unit(NamedTuple):
    """One APDU of a translation's map.

    Attributes:
        first_line, last_line: the lines of its XML.
        octets: the size of its APDU.
        apdu_offset: where the APDU began in the octets it was unwrapped from
            (an HDLC frame, WRAPPER PDUs, an LLC header); ``None`` otherwise.
        hex_to_xml: True for octets to XML.
    """

    first_line: int
    last_line: int
    octets: int
    apdu_offset: Optional[int]
    hex_to_xml: bool


def _none(value: int) -> Optional[int]:
    return None if value == _native.MAP_NONE else value


class _Spans:
    """Byte offsets of a UTF-8 text as indexes of its str."""

    __slots__ = ("text", "encoded")

    def __init__(self, text: Optional[str]) -> None:
        self.text = text
        self.encoded = text.encode("utf-8") if text is not None and not text.isascii() else None

    def index(self, byte: int) -> int:
        if self.encoded is None:
            return byte
        return len(self.encoded[:byte].decode("utf-8", errors="ignore"))


def read_map(lib: _native.Library, stream: Any, hex_text: Optional[str] = None) -> Tuple[List[Field], List[Unit]]:
    """The fields and units of the map beside a stream; with hex_text (the
    text whose positions the map's sources count in), their spans too."""
    if not lib.has_map or not stream:
        return [], []
    count = lib.MapCount(stream)
    entries = lib.Map(stream)
    spans = _Spans(hex_text) if hex_text is not None else None
    begin = ctypes.c_uint32()
    end = ctypes.c_uint32()
    fields: List[Field] = []
    for i in range(count):
        e = entries[i]
        span: Optional[Tuple[int, int]] = None
        if spans is not None and lib.MapRange(stream, i, ctypes.byref(begin), ctypes.byref(end)) >= 0:
            span = (spans.index(begin.value), spans.index(end.value))
        offset = _none(e.Offset)
        fields.append(
            Field(
                e.Element.decode("ascii"),
                e.Line,
                e.LastLine,
                offset,
                e.Length,
                _none(e.Parent),
                e.Depth,
                _none(e.Plaintext),
                e.Unit,
                span,
            )
        )
    units = [
        Unit(u.FirstLine, u.LastLine, u.Octets, _none(u.ApduOffset), bool(u.HexToXml))
        for u in (lib.MapUnits(stream)[i] for i in range(lib.MapUnitCount(stream)))
    ]
    return fields, units


def parse_tree(text: str) -> ElementTree.Element:
    """The XML as an ElementTree element (comments dropped): the APDU's
    element, or an element ``Translation`` holding the APDUs of a text that
    holds several."""
    try:
        return ElementTree.fromstring(text)
    except ElementTree.ParseError:
        whole = ElementTree.fromstring("<Translation>" + text + "</Translation>")
        if len(whole) == 1:
            raise
        return whole


class MappedXml(str):
    """The XML of :func:`vantrel.pdu_to_xml` with ``map=True``: a ``str`` as
    without it, and its octet map.

    Attributes:
        fields: one :class:`Field` per element, in document order.
    """

    fields: List[Field]

    def __new__(cls, text: str, fields: Optional[List[Field]] = None) -> "MappedXml":
        self = super().__new__(cls, text)
        self.fields = fields if fields is not None else []
        return self

    def tree(self) -> ElementTree.Element:
        """The XML parsed (``xml.etree.ElementTree``), comments dropped."""
        return parse_tree(str(self))
