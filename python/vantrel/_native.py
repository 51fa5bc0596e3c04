"""The C ABI of libvantrel: where the library is, and every function's
argument and result types, declared once.

The library is loaded on first use, not on import, so ``import vantrel``
works on a machine without it and the first translation says what is missing.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path
from typing import Any, Callable, List, Optional, Sequence, Tuple

from ._errors import LibraryNotFoundError, TranslationError

__all__ = ["Library", "library", "library_path", "failure", "TTranslationError", "VantrelTranslation", "ANNOTATE", "DESCRIBE_FRAME"]

ENV_LIBRARY = "VANTREL_LIBRARY"
_PACKAGE_DIR = Path(__file__).resolve().parent
# python/vantrel/ -> the source tree's root, where build/ is.
_SOURCE_ROOT = _PACKAGE_DIR.parent.parent

ANNOTATE = 0x1  # VANTREL_ANNOTATE
DESCRIBE_FRAME = 0x2  # VANTREL_DESCRIBE_FRAME
MAP = 0x4  # VANTREL_MAP
MAP_NONE = 0xFFFFFFFF  # VANTREL_MAP_NONE

# VantrelTranslate's kinds.
TRANSLATED = 0
ENTRY_FAILURE = 1
HEX_FAILURE = 2
NOT_TRANSLATED = 3


class TTranslationError(ctypes.Structure):
    _fields_ = [
        ("Code", ctypes.c_int32),
        ("Message", ctypes.c_char * 256),
        ("Position", ctypes.c_int32),
    ]

    def text(self) -> str:
        # Message is zero-terminated only when shorter than its 256 bytes.
        raw = bytes(self.Message)  # ctypes stops at the first zero
        return raw.decode("utf-8", errors="replace")


class VantrelTranslation(ctypes.Structure):
    _fields_ = [
        ("Kind", ctypes.c_int32),
        ("HexToXml", ctypes.c_int32),
        ("Line", ctypes.c_int32),
        ("Column", ctypes.c_int32),
        ("Position", ctypes.c_int32),
        ("FrameWithoutApdu", ctypes.c_int32),
    ]


class VantrelMapEntry(ctypes.Structure):
    _fields_ = [
        ("Element", ctypes.c_char_p),
        ("Line", ctypes.c_uint32),
        ("LastLine", ctypes.c_uint32),
        ("Offset", ctypes.c_uint32),
        ("Length", ctypes.c_uint32),
        ("Parent", ctypes.c_uint32),
        ("Depth", ctypes.c_uint32),
        ("Plaintext", ctypes.c_uint32),
        ("Unit", ctypes.c_uint32),
    ]


class VantrelMapUnit(ctypes.Structure):
    _fields_ = [
        ("FirstEntry", ctypes.c_uint32),
        ("EntryCount", ctypes.c_uint32),
        ("FirstLine", ctypes.c_uint32),
        ("LastLine", ctypes.c_uint32),
        ("Octets", ctypes.c_uint32),
        ("ApduOffset", ctypes.c_uint32),
        ("HexToXml", ctypes.c_int32),
    ]


class _Stream(ctypes.Structure):
    """Opaque: only pointers to it cross the boundary."""


_StreamPtr = ctypes.POINTER(_Stream)


class _Keys(ctypes.Structure):
    """Opaque key set."""


KeysPtr = ctypes.POINTER(_Keys)


def failure(error: TTranslationError) -> TranslationError:
    """The one place where an entry point's error record becomes an exception."""
    return TranslationError(error.text(), error.Code, error.Position)


def _check_keys_set(result: int, func: Any, args: Tuple[Any, ...]) -> int:
    if result != 0:
        raise ValueError(args[-1].text())
    return result


_P = ctypes.POINTER
_Error = _P(TTranslationError)
_Out = _P(_StreamPtr)
# The octets go in as bytes: no copy, zeros allowed (the size says where they end).
_Octets = ctypes.c_char_p
# Python name, C name, result type, argument types, error check, required.
# Pointer arguments take the ctypes object itself (ctypes passes its address).
_FUNCTIONS: Sequence[Tuple[str, str, Any, Optional[List[Any]], Optional[Callable[..., Any]], bool]] = (
    ("StreamData", "VantrelStreamData", ctypes.c_void_p, [_StreamPtr], None, True),
    # The same function for a zero-terminated text: ctypes copies it out in the same call.
    ("StreamText", "VantrelStreamData", ctypes.c_char_p, [_StreamPtr], None, True),
    ("StreamSize", "VantrelStreamSize", ctypes.c_uint32, [_StreamPtr], None, True),
    ("StreamFree", "VantrelStreamFree", None, [_StreamPtr], None, True),
    # The notes beside a stream; older libraries lack them.
    ("StreamNoteCount", "VantrelStreamNoteCount", ctypes.c_uint32, [_StreamPtr], None, False),
    ("StreamNote", "VantrelStreamNote", ctypes.c_char_p, [_StreamPtr, ctypes.c_uint32], None, False),
    ("PduToXml", "PduToXml", None, [_Octets, ctypes.c_uint32, _Out, _Error], None, True),
    ("XmlToPdu", "XmlToPdu", None, [ctypes.c_char_p, _Out, _Error], None, True),
    (
        "PduToXmlEx",
        "PduToXmlEx",
        None,
        [_Octets, ctypes.c_uint32, KeysPtr, ctypes.c_uint32, _Out, _Error],
        None,
        True,
    ),
    ("XmlToPduEx", "XmlToPduEx", None, [ctypes.c_char_p, KeysPtr, ctypes.c_uint32, _Out, _Error], None, True),
    (
        "Translate",
        "VantrelTranslate",
        ctypes.c_int32,
        [ctypes.c_char_p, ctypes.c_uint32, KeysPtr, ctypes.c_uint32, _Out, _Out, _P(VantrelTranslation)],
        None,
        True,
    ),
    # Into the caller's buffer; older libraries lack it. Untyped (argument
    # types None): ctypes converts plain arguments faster than typed ones, and
    # this is the hot path of pdu_to_xml. The caller passes exactly bytes,
    # int (below 2**31), None or a key set, and ctypes objects.
    ("PduToXmlInto", "PduToXmlInto", ctypes.c_uint32, None, None, False),
    # The batch on the library's threads; older libraries lack it.
    ("BatchNew", "VantrelBatchNew", ctypes.c_void_p, [ctypes.c_uint32], None, False),
    (
        "BatchStart",
        "VantrelBatchStart",
        ctypes.c_int32,
        [ctypes.c_void_p, _Octets, ctypes.c_void_p, ctypes.c_uint32, KeysPtr, ctypes.c_uint32, ctypes.c_uint32],
        None,
        False,
    ),
    (
        "BatchPart",
        "VantrelBatchPart",
        ctypes.c_uint32,
        [ctypes.c_void_p, ctypes.c_uint32, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p],
        None,
        False,
    ),
    ("BatchError", "VantrelBatchError", ctypes.c_int32, [ctypes.c_void_p, ctypes.c_uint32, _Error], None, False),
    ("BatchNoted", "VantrelBatchNoted", ctypes.c_uint32, [ctypes.c_void_p, ctypes.c_uint32], None, False),
    # The octet map beside a stream; older libraries lack it.
    ("MapCount", "VantrelStreamMapCount", ctypes.c_uint32, [_StreamPtr], None, False),
    ("Map", "VantrelStreamMap", _P(VantrelMapEntry), [_StreamPtr], None, False),
    ("MapUnitCount", "VantrelStreamMapUnitCount", ctypes.c_uint32, [_StreamPtr], None, False),
    ("MapUnits", "VantrelStreamMapUnits", _P(VantrelMapUnit), [_StreamPtr], None, False),
    (
        "MapRange",
        "VantrelStreamMapRange",
        ctypes.c_int32,
        [_StreamPtr, ctypes.c_uint32, _P(ctypes.c_uint32), _P(ctypes.c_uint32)],
        None,
        False,
    ),
    ("BatchFree", "VantrelBatchFree", None, [ctypes.c_void_p], None, False),
    # The key set arrives with the keys work; older libraries lack it.
    ("KeysNew", "VantrelKeysNew", KeysPtr, [], None, False),
    ("KeysFree", "VantrelKeysFree", None, [KeysPtr], None, False),
    ("KeysSet", "VantrelKeysSet", ctypes.c_int, [KeysPtr, ctypes.c_char_p, ctypes.c_char_p, _Error], _check_keys_set, False),
)


class Library:
    """libvantrel's functions, typed; an attribute is None when an optional
    function is missing."""

    StreamData: Any
    StreamText: Any
    StreamSize: Any
    StreamFree: Any
    StreamNoteCount: Any
    StreamNote: Any
    PduToXml: Any
    XmlToPdu: Any
    PduToXmlEx: Any
    XmlToPduEx: Any
    Translate: Any
    PduToXmlInto: Any
    BatchNew: Any
    BatchStart: Any
    BatchPart: Any
    BatchError: Any
    BatchNoted: Any
    MapCount: Any
    Map: Any
    MapUnitCount: Any
    MapUnits: Any
    MapRange: Any
    BatchFree: Any
    KeysNew: Any
    KeysFree: Any
    KeysSet: Any

    def __init__(self, cdll: ctypes.CDLL, path: str) -> None:
        self.cdll = cdll
        self.path = path
        for name, symbol, restype, argtypes, errcheck, required in _FUNCTIONS:
            try:
                if argtypes is None:
                    func = getattr(cdll, symbol)
                    func.restype = restype
                else:
                    # A prototype of its own per name: StreamData and StreamText share a symbol.
                    func = ctypes.CFUNCTYPE(restype, *argtypes)((symbol, cdll))
            except AttributeError:
                if required:
                    raise LibraryNotFoundError(
                        f"{path} is no usable libvantrel: it lacks {symbol}(); rebuild the library"
                    ) from None
                func = None
            else:
                if errcheck is not None:
                    func.errcheck = errcheck
            setattr(self, name, func)
        self.has_keys = self.KeysNew is not None and self.KeysFree is not None and self.KeysSet is not None
        self.has_batch = None not in (self.BatchNew, self.BatchStart, self.BatchPart, self.BatchError, self.BatchFree)
        self.has_map = None not in (self.MapCount, self.Map, self.MapUnitCount, self.MapUnits, self.MapRange)

    def notes(self, stream: Any) -> List[str]:
        """The notes beside a stream (none from an older library)."""
        if self.StreamNoteCount is None or self.StreamNote is None or not stream:
            return []
        return [self.StreamNote(stream, i).decode("utf-8", errors="replace") for i in range(self.StreamNoteCount(stream))]


def _library_names() -> List[str]:
    if sys.platform == "win32":
        return ["vantrel.dll"]
    if sys.platform == "darwin":
        return ["libvantrel.dylib"]
    return ["libvantrel.so"]


def candidates() -> List[str]:
    """The places the library is looked for, in order (without the system
    loader's own search, which comes last)."""
    names = _library_names()
    places: List[str] = []
    for directory in (_PACKAGE_DIR, _SOURCE_ROOT / "build"):
        for name in names:
            places.append(str(directory / name))
        if sys.platform.startswith("linux"):
            # An installed package may carry only the versioned file.
            places.extend(sorted(str(p) for p in directory.glob("libvantrel.so.*")))
    return places


_loaded: Optional[Library] = None
_load_lock = threading.Lock()


def _open(path: str) -> Library:
    return Library(ctypes.CDLL(path), path)


def _load() -> Library:
    explicit = os.environ.get(ENV_LIBRARY)
    if explicit:
        try:
            return _open(explicit)
        except LibraryNotFoundError:
            raise
        except OSError as e:
            raise LibraryNotFoundError(f"{ENV_LIBRARY}={explicit} does not load: {e}") from None
    tried: List[str] = []
    for place in candidates():
        if not os.path.exists(place):
            tried.append(place)
            continue
        try:
            return _open(place)
        except LibraryNotFoundError:
            raise
        except OSError as e:
            tried.append(f"{place} ({e})")
    system = ctypes.util.find_library("vantrel")
    if system:
        try:
            return _open(system)
        except LibraryNotFoundError:
            raise
        except OSError as e:
            tried.append(f"{system} ({e})")
    else:
        tried.append("the system's library path (no libvantrel)")
    raise LibraryNotFoundError(
        "libvantrel was not found. Tried:\n  "
        + "\n  ".join(tried)
        + f"\nBuild it (make build, or cmake --build build), install it (make install), "
        f"or set {ENV_LIBRARY} to the library's path."
    )


def library() -> Library:
    """The library, loaded on first use; raises LibraryNotFoundError."""
    global _loaded
    found = _loaded
    if found is None:
        with _load_lock:
            if _loaded is None:
                _loaded = _load()
            found = _loaded
    return found


def library_path() -> str:
    """The path of the libvantrel the package uses (loading it if need be)."""
    return library().path
