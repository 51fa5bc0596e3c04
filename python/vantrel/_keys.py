"""A set of keys and system titles for ciphered APDUs."""
from __future__ import annotations

import ctypes
import threading
from contextlib import contextmanager
from types import TracebackType
from typing import Any, Dict, Iterator, Optional, Type, Union

from . import _native

__all__ = ["Keys"]

# The library's names, and the Python spelling of each.
_NAMES: Dict[str, str] = {
    "block_cipher_key": "BlockCipherKey",
    "broadcast_key": "BroadcastKey",
    "dedicated_key": "DedicatedKey",
    "authentication_key": "AuthenticationKey",
    "master_key": "MasterKey",
    "client_system_title": "ClientSystemTitle",
    "server_system_title": "ServerSystemTitle",
}
_LIBRARY_NAMES = frozenset(_NAMES.values())
_HEX_DIGITS = b"0123456789ABCDEF"

KeyValue = Union[bytes, bytearray, memoryview, str]


def _hex_buffer(value: KeyValue) -> "ctypes.Array[ctypes.c_char]":
    """The value's hex digits in a zero-terminated buffer that can be wiped.

    Written digit by digit, so no Python object holds a copy of the key.
    """
    if isinstance(value, str):
        buffer = ctypes.create_string_buffer(len(value) + 1)
        for i, character in enumerate(value):
            code = ord(character)
            if code > 127:  # the library refuses it; keep the byte non-hex
                code = ord("?")
            buffer[i] = code
        return buffer
    if isinstance(value, (bytes, bytearray, memoryview)):
        octets = memoryview(value).cast("B") if isinstance(value, memoryview) else value
        buffer = ctypes.create_string_buffer(2 * len(octets) + 1)
        for i, octet in enumerate(octets):
            buffer[2 * i] = _HEX_DIGITS[octet >> 4]
            buffer[2 * i + 1] = _HEX_DIGITS[octet & 15]
        return buffer
    raise TypeError(f"a key is bytes or a str of hex digits, not {type(value).__name__}")


class Keys:
    """Keys and system titles to decipher ciphered APDUs with, and to encipher
    their XML back.

    Give the values as ``bytes`` or as ``str`` of hex digits (blanks allowed)::

        with vantrel.Keys(block_cipher_key="000102030405060708090A0B0C0D0E0F",
                          authentication_key=bytes.fromhex("D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF"),
                          server_system_title="4D4D4D0000BC614E") as keys:
            xml = vantrel.pdu_to_xml(apdu, keys=keys)

    The names are ``block_cipher_key`` (global unicast), ``broadcast_key``,
    ``dedicated_key``, ``authentication_key``, ``master_key`` (key-encrypting
    key), ``client_system_title`` and ``server_system_title``; the library's
    spellings (``"BlockCipherKey"``) work too with :meth:`set`.

    The library holds the key material; :meth:`close` (or leaving the
    ``with`` block) frees and wipes it, once the translations still using it
    have finished. Many threads may translate with one ``Keys`` at once; set
    its values before you share it. Python cannot wipe the ``bytes`` or ``str`` objects you
    pass in: read keys into a ``bytearray`` and clear it yourself if that
    matters.

    Raises:
        NotImplementedError: the libvantrel in use has no key support.
        ValueError: an unknown name, bad hex digits, or a wrong length.
    """

    def __init__(self, **values: KeyValue) -> None:
        self._handle: Any = None
        self._lock = threading.Lock()
        self._users = 0
        self._closing = False
        self._names: set = set()
        lib = _native.library()
        if not lib.has_keys:
            raise NotImplementedError(f"{lib.path} has no key support (VantrelKeysNew); update libvantrel")
        self._lib = lib
        handle = lib.KeysNew()
        if not handle:
            raise MemoryError("VantrelKeysNew() failed")
        self._handle = handle
        try:
            for name, value in values.items():
                self.set(name, value)
        except BaseException:
            self.close()
            raise

    @staticmethod
    def supported() -> bool:
        """Whether the libvantrel in use deciphers with keys."""
        return _native.library().has_keys

    def set(self, name: str, value: KeyValue) -> None:
        """Sets one key or system title (see the class for the names)."""
        library_name = _NAMES.get(name, name)
        if library_name not in _LIBRARY_NAMES:
            raise ValueError(f"unknown key name {name!r}; known: {', '.join(_NAMES)}")
        buffer = _hex_buffer(value)
        error = _native.TTranslationError()
        try:
            with self._in_use() as handle:
                self._lib.KeysSet(handle, library_name.encode("ascii"), buffer, error)
        except ValueError as e:
            raise ValueError(f"{library_name}: {e}") from None
        finally:
            ctypes.memset(buffer, 0, ctypes.sizeof(buffer))
        self._names.add(library_name)

    @contextmanager
    def _in_use(self) -> Iterator[Any]:
        """The handle, kept alive while a translation reads it."""
        with self._lock:
            if self._handle is None or self._closing:
                raise ValueError("this vantrel.Keys is closed")
            self._users += 1
            handle = self._handle
        try:
            yield handle
        finally:
            with self._lock:
                self._users -= 1
                free = self._closing and self._users == 0
            if free:
                self._free()

    def _free(self) -> None:
        with self._lock:
            handle, self._handle = self._handle, None
        if handle is not None:
            self._lib.KeysFree(handle)

    def close(self) -> None:
        """Frees the key set; the library wipes the key material. Translations
        still running with it finish first. Closing twice is harmless."""
        with self._lock:
            if self._handle is None:
                return
            self._closing = True
            busy = self._users > 0
        if not busy:
            self._free()

    @property
    def closed(self) -> bool:
        return self._handle is None or self._closing

    def __enter__(self) -> "Keys":
        return self

    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    def __repr__(self) -> str:
        # Which values are set, never the values.
        state = "closed" if self.closed else ", ".join(sorted(self._names)) or "empty"
        return f"<vantrel.Keys {state}>"

    def __reduce__(self) -> Any:
        raise TypeError("vantrel.Keys cannot be pickled: the keys stay in this process")
