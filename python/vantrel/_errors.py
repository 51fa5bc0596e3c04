"""The exceptions of the package."""
from __future__ import annotations

from typing import Any, Optional, Sequence, Tuple

__all__ = ["TranslationError", "LibraryNotFoundError", "VantrelWarning"]


class TranslationError(ValueError):
    """A translation that failed, or with ``strict=True`` one that was not
    exact.

    Attributes:
        code: what failed, as the library numbers it: 1 reading the XML,
            2 encoding the octets, 3 decoding the octets or writing the XML.
            ``None`` where the translate command does not say (its hex
            conversion failures, inputs it does not translate, and failures
            of XML it read).
        message: the library's message, e.g. ``"Wrong encoding in pdu"``.
        position: where it failed. After :func:`vantrel.pdu_to_xml`, the
            1-based position of the octet where decoding stopped. After
            :func:`vantrel.xml_to_pdu`, the 0-based index into the ``str``
            given of the first character not yet read (0 for encoding
            failures). After :func:`vantrel.translate`, the entry point's
            position as above (counted in the APDU or the XML text, not in the
            whole input); ``None`` where there is none.
        line, column: only from :func:`vantrel.translate`: the caret in the
            input text, as the desktop application and ``vantrel-cli`` place
            it (line from 1; column: the characters before the caret on that
            line). ``None`` otherwise.
        frame_without_apdu: from :func:`vantrel.translate` only: the input was
            a well-formed HDLC frame that carries no whole APDU (SNRM, UA, RR,
            or one segment of a longer APDU). Capture-log readers usually skip
            these rather than count them as failures.
        frame: from :func:`vantrel.translate` with ``describe_frame=True``:
            the description of the HDLC frame, when the input was one that
            decoded; ``None`` otherwise.
        notes: of a translation refused by ``strict=True``: what it would
            have said in :class:`VantrelWarning` warnings (octets after the
            end of the APDU, a ciphered APDU that did not decipher, ...);
            empty otherwise.
        result: of such a translation, what it gave (the XML, the octets or
            the :class:`vantrel.Translation`); ``None`` otherwise.
    """

    __module__ = "vantrel"

    code: Optional[int]
    message: str
    position: Optional[int]
    line: Optional[int]
    column: Optional[int]
    frame_without_apdu: bool
    frame: Optional[str]
    notes: Tuple[str, ...]
    result: Any

    def __init__(
        self,
        message: str,
        code: Optional[int] = None,
        position: Optional[int] = None,
        *,
        line: Optional[int] = None,
        column: Optional[int] = None,
        frame_without_apdu: bool = False,
        frame: Optional[str] = None,
        notes: Sequence[str] = (),
        result: Any = None,
    ) -> None:
        super().__init__(message)
        self.code = code
        self.message = message
        self.position = position
        self.line = line
        self.column = column
        self.frame_without_apdu = frame_without_apdu
        self.frame = frame
        self.notes = tuple(notes)
        self.result = result

    def __str__(self) -> str:
        if self.line is not None:
            return f"{self.line}:{self.column}: {self.message}"
        if self.position is not None and self.code == 3:
            return f"at octet {self.position}: {self.message}"
        if self.position is not None and self.code == 1:
            return f"at character {self.position}: {self.message}"
        return self.message

    def __repr__(self) -> str:
        return (
            f"TranslationError({self.message!r}, code={self.code!r}, position={self.position!r}"
            + (f", line={self.line!r}, column={self.column!r}" if self.line is not None else "")
            + (", frame_without_apdu=True" if self.frame_without_apdu else "")
            + (f", notes={self.notes!r}" if self.notes else "")
            + ")"
        )

    def __reduce__(self):  # type: ignore[no-untyped-def]
        # Failures travel between processes (multiprocessing, Spark, Dask):
        # keep every attribute, not only the message.
        return (
            _rebuild,
            (
                self.message,
                self.code,
                self.position,
                self.line,
                self.column,
                self.frame_without_apdu,
                self.frame,
                self.notes,
                self.result,
            ),
        )


def _rebuild(
    message: str,
    code: Optional[int],
    position: Optional[int],
    line: Optional[int],
    column: Optional[int],
    frame_without_apdu: bool,
    frame: Optional[str],
    notes: Sequence[str] = (),
    result: Any = None,
) -> TranslationError:
    return TranslationError(
        message,
        code,
        position,
        line=line,
        column=column,
        frame_without_apdu=frame_without_apdu,
        frame=frame,
        notes=notes,
        result=result,
    )


class LibraryNotFoundError(OSError):
    """``libvantrel.so`` could not be found or loaded.

    The message lists every place that was tried and how to point the package
    at the library (the ``VANTREL_LIBRARY`` environment variable).
    """

    __module__ = "vantrel"


class VantrelWarning(UserWarning):
    """A translation that succeeded but is not exact, and says so: octets
    after the end of the APDU, a ciphered APDU that did not decipher with the
    keys given, octets that the XML would not give back, text after the last
    XML APDU. The XML carries the same text in a comment. One warning per
    note; ``strict=True`` turns them into a :class:`TranslationError`, and
    ``warnings.simplefilter("error", vantrel.VantrelWarning)`` into raised
    warnings.

    Attributes:
        note: the note, as the XML comment and ``vantrel-cli`` say it.
    """

    __module__ = "vantrel"

    def __init__(self, note: str) -> None:
        super().__init__(note)
        self.note = note
