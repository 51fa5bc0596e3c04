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

__all__ = ["library", "library_path", "TTranslationError", "VantrelTranslation", "ANNOTATE", "DESCRIBE_FRAME"]

ENV_LIBRARY = "VANTREL_LIBRARY"
_PACKAGE_DIR = Path(__file__).resolve().parent
# python/vantrel/ -> the source tree's root, where build/ is.
_SOURCE_ROOT = _PACKAGE_DIR.parent.parent

ANNOTATE = 0x1  # VANTREL_ANNOTATE
DESCRIBE_FRAME = 0x2  # VANTREL_DESCRIBE_FRAME

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


class _Stream(ctypes.Structure):
    """Opaque: only pointers to it cross the boundary."""


_StreamPtr = ctypes.POINTER(_Stream)


class _Keys(ctypes.Structure):
    """Opaque key set."""


KeysPtr = ctypes.POINTER(_Keys)


def _check_entry(result: Any, func: Any, args: Tuple[Any, ...]) -> Any:
    """The one place where an entry point's error record becomes an exception."""
    error = args[-1]._obj  # byref(TTranslationError)
    if error.Code != 0:
        raise TranslationError(error.text(), error.Code, error.Position)
    return result


def _check_keys_set(result: int, func: Any, args: Tuple[Any, ...]) -> int:
    if result != 0:
        error = args[-1]._obj
        raise ValueError(error.text())
    return result


_P = ctypes.POINTER
_u8p = ctypes.c_char_p  # the octets go in as bytes: no copy, zeros allowed
# name, argument types, result type, error check, required
_FUNCTIONS: Sequence[Tuple[str, List[Any], Any, Optional[Callable[..., Any]], bool]] = (
    ("VantrelStreamData", [_StreamPtr], ctypes.c_void_p, None, True),
    ("VantrelStreamSize", [_StreamPtr], ctypes.c_uint32, None, True),
    ("VantrelStreamFree", [_StreamPtr], None, None, True),
    ("PduToXml", [_u8p, ctypes.c_uint32, _P(_StreamPtr), _P(TTranslationError)], None, _check_entry, True),
    ("XmlToPdu", [ctypes.c_char_p, _P(_StreamPtr), _P(TTranslationError)], None, _check_entry, True),
    (
        "PduToXmlEx",
        [_u8p, ctypes.c_uint32, KeysPtr, ctypes.c_uint32, _P(_StreamPtr), _P(TTranslationError)],
        None,
        _check_entry,
        True,
    ),
    (
        "XmlToPduEx",
        [ctypes.c_char_p, KeysPtr, ctypes.c_uint32, _P(_StreamPtr), _P(TTranslationError)],
        None,
        _check_entry,
        True,
    ),
    (
        "VantrelTranslate",
        [
            ctypes.c_char_p,
            ctypes.c_uint32,
            KeysPtr,
            ctypes.c_uint32,
            _P(_StreamPtr),
            _P(_StreamPtr),
            _P(VantrelTranslation),
        ],
        ctypes.c_int32,
        None,
        True,
    ),
    # The key set arrives with the keys work; older libraries lack it.
    ("VantrelKeysNew", [], KeysPtr, None, False),
    ("VantrelKeysFree", [KeysPtr], None, None, False),
    (
        "VantrelKeysSet",
        [KeysPtr, ctypes.c_char_p, ctypes.c_char_p, _P(TTranslationError)],
        ctypes.c_int,
        _check_keys_set,
        False,
    ),
)


def _register(lib: ctypes.CDLL, path: str) -> None:
    for name, argtypes, restype, errcheck, required in _FUNCTIONS:
        try:
            func = getattr(lib, name)
        except AttributeError:
            if required:
                raise LibraryNotFoundError(
                    f"{path} is no usable libvantrel: it lacks {name}(); rebuild the library"
                ) from None
            continue
        func.argtypes = argtypes
        func.restype = restype
        if errcheck is not None:
            func.errcheck = errcheck


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


class _Loaded:
    def __init__(self, lib: ctypes.CDLL, path: str) -> None:
        self.lib = lib
        self.path = path
        self.has_keys = hasattr(lib, "VantrelKeysNew") and hasattr(lib, "VantrelKeysSet")


_loaded: Optional[_Loaded] = None
_load_lock = threading.Lock()


def _open(path: str) -> ctypes.CDLL:
    return ctypes.CDLL(path)


def _load() -> _Loaded:
    explicit = os.environ.get(ENV_LIBRARY)
    if explicit:
        try:
            lib = _open(explicit)
        except OSError as e:
            raise LibraryNotFoundError(f"{ENV_LIBRARY}={explicit} does not load: {e}") from None
        _register(lib, explicit)
        return _Loaded(lib, explicit)
    tried: List[str] = []
    for place in candidates():
        if not os.path.exists(place):
            tried.append(place)
            continue
        try:
            lib = _open(place)
        except OSError as e:
            tried.append(f"{place} ({e})")
            continue
        _register(lib, place)
        return _Loaded(lib, place)
    system = ctypes.util.find_library("vantrel")
    if system:
        try:
            lib = _open(system)
        except OSError as e:
            tried.append(f"{system} ({e})")
        else:
            _register(lib, system)
            return _Loaded(lib, system)
    else:
        tried.append("the system's library path (no libvantrel)")
    raise LibraryNotFoundError(
        "libvantrel was not found. Tried:\n  "
        + "\n  ".join(tried)
        + f"\nBuild it (make build, or cmake --build build), install it (make install), "
        f"or set {ENV_LIBRARY} to the library's path."
    )


def loaded() -> _Loaded:
    """The library, loaded on first use; raises LibraryNotFoundError."""
    global _loaded
    found = _loaded
    if found is None:
        with _load_lock:
            if _loaded is None:
                _loaded = _load()
            found = _loaded
    return found


def library() -> ctypes.CDLL:
    return loaded().lib


def library_path() -> str:
    """The path of the libvantrel the package uses (loading it if need be)."""
    return loaded().path
