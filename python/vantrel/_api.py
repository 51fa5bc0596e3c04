"""The translations: octets to XML, XML to octets, and the translate command."""
from __future__ import annotations

import ctypes
import threading
import warnings
from dataclasses import dataclass
from typing import Any, List, Optional, Sequence, Tuple, Union

from . import _native
from ._errors import TranslationError, VantrelWarning
from ._keys import Keys
from ._map import Field, MappedXml, Unit, parse_tree, read_map

__all__ = ["pdu_to_xml", "xml_to_pdu", "translate", "Translation", "BytesLike"]

BytesLike = Union[bytes, bytearray, memoryview]

_MAX_SIZE = 0xFFFFFFFF
_string_at = ctypes.string_at
_Error = _native.TTranslationError
_StreamPtr = _native._StreamPtr
_failure = _native.failure
_library = _native.library


def _octets(data: Any, function: str) -> bytes:
    """The octets of a bytes-like argument; TypeError for anything else."""
    if isinstance(data, (bytearray, memoryview)):
        return bytes(data)
    if isinstance(data, bytes):  # a subclass of bytes
        return bytes(data)
    if isinstance(data, str):
        raise TypeError(
            f"{function}() takes the APDU's octets as bytes, not str; "
            "for hex digits use bytes.fromhex(text), or vantrel.translate(text)"
        )
    raise TypeError(f"{function}() takes the APDU's octets as bytes, not {type(data).__name__}")


def _check_keys(keys: Any, function: str) -> Keys:
    if not isinstance(keys, Keys):
        raise TypeError(f"{function}() takes keys as vantrel.Keys, not {type(keys).__name__}")
    return keys


_NEWLINES = ("\r\n", "\n")


def _check_newline(newline: Any, function: str) -> None:
    if newline not in _NEWLINES:
        raise ValueError(f"{function}() takes newline='\\r\\n' or newline='\\n', not {newline!r}")


def _lines(text: str, newline: str) -> str:
    """The library's text (lines ending with CR LF) with the line ends asked for."""
    return text if newline == "\r\n" else text.replace("\r\n", "\n")


def _say(notes: Sequence[str], strict: bool, result: Any, stacklevel: int) -> None:
    """A translation that is not exact says so: a VantrelWarning per note, or
    with strict a TranslationError that holds the notes and the result."""
    if strict:
        raise TranslationError("; ".join(notes), notes=notes, result=result)
    for note in notes:
        warnings.warn(VantrelWarning(note), stacklevel=stacklevel)


def _success_notes(lib: _native.Library, stream: Any, error: Any) -> List[str]:
    """The notes of a translation that succeeded: beside its stream, or from
    an older library only in its success record (none from older still)."""
    notes = lib.notes(stream)
    if not notes and error.Message:
        notes = error.text().split("\n")
    return notes


# Each thread's buffer and error record for PduToXmlInto: one library call
# gives the XML of an APDU whose XML fits (nearly every one); a larger one goes
# through a stream of the library's.
_SCRATCH_SIZE = 1 << 16
_scratch = threading.local()


def _new_scratch() -> Tuple[Any, Any, Any, Any, Any]:
    buffer = ctypes.create_string_buffer(_SCRATCH_SIZE)
    error = _Error()
    # The buffer's address and the error's reference, made once: the untyped call takes them as they are.
    # The first octet of the message, non-zero when a translation that succeeded has notes.
    noted = ctypes.c_uint8.from_buffer(error, _Error.Message.offset)
    _scratch.buffers = buffers = (buffer, error, ctypes.c_void_p(ctypes.addressof(buffer)), ctypes.byref(error), noted)
    return buffers


def _xml_into(lib: _native.Library, data: bytes, handle: Any, flags: int) -> Optional[str]:
    """The XML through this thread's buffer; None when it does not fit, when
    the translation has notes (the stream gives them whole), or when the
    library cannot write into a buffer."""
    if lib.PduToXmlInto is None or len(data) >= 0x80000000:
        return None
    try:
        buffer, error, address, error_ref, noted = _scratch.buffers
    except AttributeError:
        buffer, error, address, error_ref, noted = _new_scratch()
    size = lib.PduToXmlInto(data, len(data), handle, flags, address, _SCRATCH_SIZE, error_ref)
    if error.Code:
        raise _failure(error)
    return buffer[: size - 1].decode("utf-8") if size <= _SCRATCH_SIZE and not noted.value else None


def _pdu_to_xml(
    lib: _native.Library,
    data: bytes,
    handle: Any,
    flags: int,
    strict: bool = False,
    newline: str = "\r\n",
    stacklevel: int = 4,
) -> str:
    # The path of pdu_to_xml and of pdu_to_xml_many over an older library: data is bytes here.
    if len(data) > _MAX_SIZE:
        raise ValueError("an APDU has at most 4,294,967,295 octets")
    mapped = bool(flags & _native.MAP)
    xml = None if mapped else _xml_into(lib, data, handle, flags)
    if xml is not None:
        return xml if newline == "\r\n" else xml.replace("\r\n", "\n")
    error = _Error()
    stream = _StreamPtr()
    if handle is None and not flags:
        lib.PduToXml(data, len(data), stream, error)
    else:
        lib.PduToXmlEx(data, len(data), handle, flags, stream, error)
    if error.Code:
        raise _failure(error)
    # The XML is zero-terminated: one call copies it out.
    raw = lib.StreamText(stream)
    notes = _success_notes(lib, stream, error)
    fields = read_map(lib, stream)[0] if mapped else None
    lib.StreamFree(stream)
    xml = _lines(raw.decode("utf-8"), newline)
    if fields is not None:
        xml = MappedXml(xml, fields)
    if notes:
        _say(notes, strict, xml, stacklevel)
    return xml


def pdu_to_xml(
    data: BytesLike,
    *,
    annotate: bool = False,
    keys: Optional[Keys] = None,
    strict: bool = False,
    newline: str = "\r\n",
    map: bool = False,
) -> str:
    """Translates the octets of one APDU to its XML.

    A translation that is not exact says so: octets after the end of the
    APDU (not translated), a ciphered APDU that does not decipher with the
    keys given, octets the XML would not give back. Each is an XML comment
    and a :class:`vantrel.VantrelWarning`.

    Args:
        data: the APDU's octets (``bytes``, ``bytearray`` or ``memoryview``).
        annotate: add XML comments that explain values (names, decimals,
            date-times). The comments do not change what the XML reads back to.
        keys: a :class:`vantrel.Keys` to decipher ciphered APDUs with.
        strict: raise a :class:`TranslationError` (with ``.notes`` and the XML
            in ``.result``) instead of warning when the translation is not
            exact.
        newline: the line end of the XML: ``"\\r\\n"`` (the library's own) or
            ``"\\n"``.
        map: also say which octets each element stands for: the result is
            then a :class:`vantrel.MappedXml`, the same ``str`` with
            ``.fields`` (one :class:`vantrel.Field` per element) and
            ``.tree()`` (the XML parsed with ``xml.etree.ElementTree``).

    Returns:
        The XML as the library writes it, every line ending with ``newline``.

    Raises:
        TranslationError: the octets do not decode; ``.position`` is the
            1-based octet where decoding stopped.
        TypeError: ``data`` is not bytes-like (a ``str`` of hex digits, say).
        LibraryNotFoundError: libvantrel could not be loaded.
    """
    if type(data) is not bytes:
        data = _octets(data, "pdu_to_xml")
    if newline != "\r\n":
        _check_newline(newline, "pdu_to_xml")
    lib = _native._loaded or _library()
    flags = (_native.ANNOTATE if annotate else 0) | (_native.MAP if map else 0)
    if map and not lib.has_map:
        raise NotImplementedError(f"{lib.path} keeps no octet map: rebuild the library")
    if keys is None:
        return _pdu_to_xml(lib, data, None, flags, strict, newline)
    with _check_keys(keys, "pdu_to_xml")._in_use() as handle:
        return _pdu_to_xml(lib, data, handle, flags, strict, newline)


def _character_index(text: str, encoded: bytes, byte_index: int) -> int:
    """The index in text of the character at byte byte_index of its UTF-8."""
    if byte_index <= 0 or text.isascii():
        return max(byte_index, 0)
    if byte_index >= len(encoded):
        return len(text) + (byte_index - len(encoded))
    return len(encoded[:byte_index].decode("utf-8", errors="ignore"))


def xml_to_pdu(xml: str, *, keys: Optional[Keys] = None, strict: bool = False) -> bytes:
    """Translates the XML of one APDU to its octets.

    Text after the end of the APDU is not translated: a
    :class:`vantrel.VantrelWarning` names it.

    Args:
        xml: the XML text. Lines may end with LF or CR LF; XML comments are
            skipped.
        keys: a :class:`vantrel.Keys` to encipher deciphered APDUs with.
        strict: raise a :class:`TranslationError` (with ``.notes`` and the
            octets in ``.result``) instead of warning.

    Returns:
        The APDU's octets.

    Raises:
        TranslationError: ``.code`` 1 when reading the XML failed
            (``.position``: the index in ``xml`` of the first character not
            read), 2 when encoding failed (``.position`` 0).
        TypeError: ``xml`` is not a ``str`` (bytes, for example: decode them
            first).
        ValueError: ``xml`` holds a NUL character.
        LibraryNotFoundError: libvantrel could not be loaded.
    """
    if type(xml) is not str:
        if not isinstance(xml, str):
            if isinstance(xml, (bytes, bytearray, memoryview)):
                raise TypeError(
                    "xml_to_pdu() takes the XML as str, not "
                    f"{type(xml).__name__}; decode it first (xml.decode('utf-8'))"
                )
            raise TypeError(f"xml_to_pdu() takes the XML as str, not {type(xml).__name__}")
        xml = str(xml)
    encoded = xml.encode("utf-8")
    if b"\0" in encoded:
        raise ValueError(f"xml_to_pdu(): the XML holds a NUL character at index {xml.index(chr(0))}")
    lib = _library()
    error = _Error()
    stream = _StreamPtr()
    if keys is None:
        lib.XmlToPdu(encoded, stream, error)
    else:
        with _check_keys(keys, "xml_to_pdu")._in_use() as handle:
            lib.XmlToPduEx(encoded, handle, 0, stream, error)
    if error.Code:
        e = _failure(error)
        if e.code == 1 and e.position is not None:
            e.position = _character_index(xml, encoded, e.position)
        raise e
    try:
        octets = _string_at(lib.StreamData(stream), lib.StreamSize(stream))
        notes = lib.notes(stream)
    finally:
        lib.StreamFree(stream)
    if notes:
        _say(notes, strict, octets, 3)
    return octets


@dataclass(frozen=True)
class Translation:
    """What :func:`vantrel.translate` made of a text.

    Attributes:
        text: the translation: XML (lines ending with CR LF) when the input
            was octets or an HDLC frame, else the octets as upper-case hex
            digits on one line.
        hex_to_xml: True when octets (or a frame) were translated to XML.
        frame: with ``describe_frame=True`` and an HDLC frame as input, the
            frame's description (lines ending with LF); else ``None``.
        notes: what the translation says is not exact (each also given as a
            :class:`vantrel.VantrelWarning`); empty when it is exact.
        fields: with ``map=True``, one :class:`vantrel.Field` per element of
            the XML (the input's for XML to octets), with the characters of
            the hex text that hold its octets (``span``); empty otherwise.
        units: with ``map=True``, one :class:`vantrel.Unit` per APDU translated.
    """

    text: str
    hex_to_xml: bool
    frame: Optional[str] = None
    notes: Tuple[str, ...] = ()
    fields: Tuple[Field, ...] = ()
    units: Tuple[Unit, ...] = ()

    @property
    def octets(self) -> bytes:
        """The octets of an XML-to-octets translation."""
        if self.hex_to_xml:
            raise ValueError("this translation is XML, not octets")
        return bytes.fromhex(self.text)

    def tree(self) -> Any:
        """The XML of an octets-to-XML translation parsed with
        ``xml.etree.ElementTree`` (comments dropped): the APDU's element, or
        an element ``Translation`` holding the APDUs when the text held
        several."""
        if not self.hex_to_xml:
            raise ValueError("this translation is octets, not XML")
        return parse_tree(self.text)


def _stream_text(lib: _native.Library, stream: Any) -> Optional[str]:
    if not stream:
        return None
    try:
        # Size counts the closing zero.
        return _string_at(lib.StreamData(stream), lib.StreamSize(stream) - 1).decode("utf-8", errors="replace")
    finally:
        lib.StreamFree(stream)


def translate(
    text: str,
    *,
    describe_frame: bool = False,
    annotate: bool = False,
    keys: Optional[Keys] = None,
    strict: bool = False,
    newline: str = "\r\n",
    map: bool = False,
) -> Translation:
    """Runs the translate command of the desktop application and
    ``vantrel-cli`` on a text.

    The text is taken for an HDLC frame (hex digits beginning with ``7E``;
    the APDU of an I or UI frame is translated), for XML (a ``<`` among its
    first 79 characters; translated to hex digits) or for the hex digits of
    an APDU (blanks, dashes and line breaks anywhere; translated to XML).

    Args:
        text: the input, as a user would paste it.
        describe_frame: also describe the HDLC frame the text holds
            (:attr:`Translation.frame`).
        annotate: XML comments that explain values.
        keys: a :class:`vantrel.Keys` for ciphered APDUs.
        strict: raise a :class:`TranslationError` (with ``.notes`` and the
            :class:`Translation` in ``.result``) instead of warning when the
            translation is not exact.
        newline: the line end of the text: ``"\\r\\n"`` or ``"\\n"``.
        map: also say which octets each element stands for
            (:attr:`Translation.fields`, :attr:`Translation.units`).

    Raises:
        TranslationError: nothing was translated. ``.line``/``.column`` place
            the failure in ``text`` when the translation itself failed;
            ``.frame_without_apdu`` marks a well-formed frame without a whole
            APDU; ``.frame`` holds the frame's description when asked for.
        TypeError: ``text`` is not a ``str``.
    """
    if not isinstance(text, str):
        if isinstance(text, (bytes, bytearray, memoryview)):
            raise TypeError(
                "translate() takes the input as str, not "
                f"{type(text).__name__}; for octets use vantrel.pdu_to_xml(data), "
                "for text in bytes decode it first"
            )
        raise TypeError(f"translate() takes the input as str, not {type(text).__name__}")
    if newline != "\r\n":
        _check_newline(newline, "translate")
    encoded = text.encode("utf-8")
    if len(encoded) > _MAX_SIZE:
        raise ValueError("the text is longer than 4,294,967,295 bytes")
    flags = (
        (_native.DESCRIBE_FRAME if describe_frame else 0)
        | (_native.ANNOTATE if annotate else 0)
        | (_native.MAP if map else 0)
    )
    lib = _library()
    if map and not lib.has_map:
        raise NotImplementedError(f"{lib.path} keeps no octet map: rebuild the library")
    output = _StreamPtr()
    description = _StreamPtr()
    result = _native.VantrelTranslation()
    if keys is None:
        lib.Translate(encoded, len(encoded), None, flags, output, description, result)
    else:
        with _check_keys(keys, "translate")._in_use() as handle:
            lib.Translate(encoded, len(encoded), handle, flags, output, description, result)
    notes = tuple(lib.notes(output))
    fields: Tuple[Field, ...] = ()
    units: Tuple[Unit, ...] = ()
    if map and result.Kind == _native.TRANSLATED:
        # The spans count in the hex text: the input, or for XML to octets the output.
        hex_text = text if result.HexToXml else _string_at(lib.StreamData(output)).decode("ascii", errors="replace")
        found, made = read_map(lib, output, hex_text)
        fields, units = tuple(found), tuple(made)
    out = _stream_text(lib, output)
    frame = _stream_text(lib, description)
    if out is None:
        raise MemoryError("the library ran out of memory")
    hex_to_xml = bool(result.HexToXml)
    if result.Kind == _native.TRANSLATED:
        translation = Translation(_lines(out, newline), hex_to_xml, frame, notes, fields, units)
        if notes:
            _say(notes, strict, translation, 3)
        return translation
    if result.Kind == _native.ENTRY_FAILURE:
        raise TranslationError(
            out,
            3 if hex_to_xml else None,
            result.Position,
            line=result.Line,
            column=result.Column,
            frame=frame,
        )
    raise TranslationError(out, frame_without_apdu=bool(result.FrameWithoutApdu), frame=frame)
