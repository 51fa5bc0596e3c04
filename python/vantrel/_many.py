"""Many APDUs on every core."""
from __future__ import annotations

import ctypes
import os
from array import array as _array
from contextlib import ExitStack
from itertools import islice
from typing import Any, Dict, Iterable, Iterator, List, Optional, Tuple, Union

from . import _native
import warnings

from ._api import _MAX_SIZE, BytesLike, _check_keys, _check_newline, _octets, _pdu_to_xml
from ._errors import TranslationError, VantrelWarning
from ._keys import Keys

__all__ = ["pdu_to_xml_many"]

Result = Union[str, TranslationError]
# The array type code of uint32_t.
_SIZE_CODE = next(code for code in "IL" if _array(code).itemsize == 4)
_OffsetsPtr = ctypes.POINTER(ctypes.c_uint32)


def _cores() -> int:
    try:
        return len(os.sched_getaffinity(0))
    except (AttributeError, OSError):
        return os.cpu_count() or 1


def _translate_each(
    lib: _native.Library, chunk: List[bytes], handle: Any, flags: int, strict: bool, newline: str
) -> List[Result]:
    results: List[Result] = []
    append = results.append
    for data in chunk:
        try:
            append(_pdu_to_xml(lib, data, handle, flags, strict, newline, stacklevel=6))
        except TranslationError as e:
            append(e)
    return results


def _checked(chunk: List[Any], first: int) -> Tuple[List[bytes], Optional[Exception]]:
    """The chunk as bytes (other bytes-like items copied) up to its first
    item that is not bytes-like, and that item's error."""
    checked: List[bytes] = []
    for index, data in enumerate(chunk, first):
        if type(data) is not bytes:
            try:
                data = _octets(data, "pdu_to_xml_many")
            except TypeError as e:
                return checked, TypeError(f"{e} (item {index})")
        if len(data) > _MAX_SIZE:
            return checked, ValueError(f"pdu_to_xml_many(): item {index} has more than 4,294,967,295 octets")
        checked.append(data)
    return checked, None


def _joined(chunk: List[Any], first: int) -> Tuple["_array[int]", bytes, Optional[Exception]]:
    """The sizes and the octets back to back of the chunk up to its first
    wrong item, and that item's error."""
    try:
        sizes = _array(_SIZE_CODE, map(len, chunk))  # OverflowError beyond 32 bits
        joined = b"".join(chunk)  # TypeError for what is not bytes-like
        if len(joined) == sum(sizes):  # else a memoryview of items wider than an octet
            return sizes, joined, None
    except (TypeError, OverflowError):
        pass
    checked, error = _checked(chunk, first)
    return _array(_SIZE_CODE, map(len, checked)), b"".join(checked), error


# The input is read this many chunks at a time: one batch for the library,
# read and joined while the one before is translated.
_CHUNKS_PER_BATCH = 64


# A batch kept between calls, per thread count: its threads wait and its
# memory stays mapped, so that call after call (a map step calling
# pdu_to_xml_many once per partition) pays for neither again. At most one per
# thread count; a call running beside another makes its own.
_idle: Dict[int, List[Any]] = {}


def _take_batch(lib: _native.Library, threads: int) -> Any:
    try:
        return _idle[threads].pop()
    except (KeyError, IndexError):
        batch = lib.BatchNew(threads)
        if not batch:
            raise MemoryError("libvantrel could not make a batch") from None
        return batch


def _give_back(lib: _native.Library, batch: Any, threads: int) -> None:
    # An empty batch ends the last one: no thread reads its input after this.
    lib.BatchStart(batch, None, None, 0, None, 0, 1)
    kept = _idle.setdefault(threads, [])
    if kept:
        lib.BatchFree(batch)
    else:
        kept.append(batch)


if hasattr(os, "register_at_fork"):
    # A child has none of the threads (nor perhaps a sound mutex): it makes its own batches.
    os.register_at_fork(after_in_child=_idle.clear)


class _Reader:
    """Reads the parts of a VantrelBatch. The library's threads translate
    ahead, without the GIL; the calling thread turns each part into str while
    they do, and translates the parts they have not reached."""

    __slots__ = ("lib", "batch", "text", "offsets", "failed", "refs", "strict", "newline")

    def __init__(self, lib: _native.Library, batch: Any, strict: bool, newline: str) -> None:
        self.lib = lib
        self.batch = batch
        self.text = ctypes.c_void_p()
        self.offsets = _OffsetsPtr()
        self.failed = ctypes.c_uint32()
        self.refs = (ctypes.byref(self.text), ctypes.byref(self.offsets), ctypes.byref(self.failed))
        self.strict = strict
        self.newline = newline

    def part(self, part: int, first: int, item: int) -> List[Result]:
        """The results of a part whose first APDU is the batch's first-th
        and the input's item-th."""
        n = self.lib.BatchPart(self.batch, part, *self.refs)
        ends = self.offsets[: n + 1]
        raw = ctypes.string_at(self.text.value, ends[n]) if ends[n] else b""
        whole = raw.decode("utf-8")
        if len(whole) == len(raw):  # ASCII: a character is an octet
            texts: List[Result] = [whole[a:b] for a, b in zip(ends, islice(ends, 1, None))]
        else:
            texts = [raw[a:b].decode("utf-8") for a, b in zip(ends, islice(ends, 1, None))]
        if self.newline != "\r\n":
            texts = [text.replace("\r\n", self.newline) for text in texts]  # type: ignore[union-attr]
        noted = self.lib.BatchNoted(self.batch, part) if self.lib.BatchNoted is not None else 0
        if self.failed.value or noted:
            error = _native.TTranslationError()
            for i, xml in enumerate(texts):
                if xml and not noted:  # a failure's XML is empty
                    continue
                error.Code = 0
                error.Message = b""
                if self.lib.BatchError(self.batch, first + i, error):
                    texts[i] = _native.failure(error)
                elif error.Message:
                    notes = error.text().split("\n")
                    if self.strict:
                        texts[i] = TranslationError("; ".join(notes), notes=notes, result=xml)
                    else:
                        for note in notes:
                            warnings.warn(VantrelWarning(f"item {item + i}: {note}"), stacklevel=4)
        return texts


def pdu_to_xml_many(
    apdus: Iterable[BytesLike],
    workers: Optional[int] = None,
    *,
    annotate: bool = False,
    keys: Optional[Keys] = None,
    chunk_size: int = 256,
    strict: bool = False,
    newline: str = "\r\n",
) -> Iterator[Result]:
    """Translates many APDUs to XML on several threads, yielding the results
    in input order.

    A translation that fails comes back as a :class:`TranslationError`
    value in its place; it does not stop the batch::

        for xml in vantrel.pdu_to_xml_many(apdus):
            if isinstance(xml, vantrel.TranslationError):
                log.warning("APDU not translated: %s", xml)
            else:
                store(xml)

    The input is read lazily, a bounded number of chunks ahead, so any number
    of APDUs go through in constant memory. Close the iterator (or leave the
    loop) to stop early.

    Args:
        apdus: the APDUs' octets, one bytes-like object each.
        workers: threads to use, the calling thread among them; by default
            one per core available. With 1, everything runs in the calling
            thread.
        annotate: XML comments that explain values.
        keys: a :class:`vantrel.Keys` to decipher with, shared by the threads.
        chunk_size: APDUs one thread translates in a row. The input is read
            64 chunks at a time, at most 128 chunks ahead of the results.
        strict: a translation that is not exact comes back as a
            :class:`TranslationError` value (with ``.notes``, and the XML in
            ``.result``) instead of giving a :class:`vantrel.VantrelWarning`
            ("item N: ..." for the N-th APDU, from 0).
        newline: the line end of the XML, ``"\\r\\n"`` or ``"\\n"``.

    Yields:
        The XML of each APDU (as :func:`vantrel.pdu_to_xml` returns it) or
        the :class:`TranslationError` of its failure.

    Raises:
        TypeError: an item is not bytes-like (the results before it have
            been yielded).
        LibraryNotFoundError: libvantrel could not be loaded.
    """
    if workers is None:
        workers = _cores()
    if not isinstance(workers, int) or isinstance(workers, bool) or workers < 1:
        raise ValueError(f"workers must be a positive int, not {workers!r}")
    if not isinstance(chunk_size, int) or chunk_size < 1:
        raise ValueError(f"chunk_size must be a positive int, not {chunk_size!r}")
    if keys is not None:
        _check_keys(keys, "pdu_to_xml_many")
    _check_newline(newline, "pdu_to_xml_many")
    if isinstance(apdus, (bytes, bytearray, memoryview, str)):
        raise TypeError(
            "pdu_to_xml_many() takes an iterable of APDUs (bytes each), not one "
            f"{type(apdus).__name__}; for a single APDU use pdu_to_xml()"
        )
    return _generate(iter(apdus), workers, _native.ANNOTATE if annotate else 0, keys, chunk_size, strict, newline)


def _generate(
    apdus: Iterator[BytesLike],
    workers: int,
    flags: int,
    keys: Optional[Keys],
    chunk_size: int,
    strict: bool,
    newline: str,
) -> Iterator[Result]:
    lib = _native.library()
    with ExitStack() as stack:
        handle = stack.enter_context(keys._in_use()) if keys is not None else None
        if not lib.has_batch:  # an older library: one call per APDU
            first = 0
            while True:
                chunk = list(islice(apdus, chunk_size))
                if not chunk:
                    return
                checked, error = _checked(chunk, first)
                yield from _translate_each(lib, checked, handle, flags, strict, newline)
                if error is not None:
                    raise error
                first += len(chunk)
        # The calling thread reads every part and translates those the
        # library's threads have not taken: workers - 1 of them.
        batch = _take_batch(lib, workers - 1)
        stack.callback(_give_back, lib, batch, workers - 1)
        reader = _Reader(lib, batch, strict, newline)
        size = chunk_size * _CHUNKS_PER_BATCH
        # The next batch's input is read and joined while the threads
        # translate this one: between batches they wait only for the start.
        following = _Input(apdus, size, 0)
        while following.count or following.error:
            # current keeps the octets and sizes till the next start: the library reads them.
            current = following
            if lib.BatchStart(batch, current.joined, current.sizes.buffer_info()[0], current.count, handle, flags,
                              chunk_size):
                raise MemoryError("libvantrel could not start a batch")
            if current.error is None:
                following = _Input(apdus, size, current.first + current.count)
            for part, at in enumerate(range(0, current.count, chunk_size)):
                yield from reader.part(part, at, current.first + at)
            if current.error is not None:
                raise current.error


class _Input:
    """The next APDUs of the input, joined for the library. It is read ahead
    of the results: what goes wrong in reading it (an item that is not
    bytes-like, the input's own exception) is raised after the results of the
    APDUs before."""

    __slots__ = ("first", "count", "sizes", "joined", "error")

    def __init__(self, apdus: Iterator[BytesLike], size: int, first: int) -> None:
        self.first = first
        chunk: List[Any] = []
        error: Optional[Exception] = None
        try:
            chunk.extend(islice(apdus, size))  # what was read stays when the input raises
        except Exception as e:  # noqa: BLE001 - raised again in its turn
            error = e
        self.sizes, self.joined, wrong = _joined(chunk, first)
        self.count = len(self.sizes)
        self.error = wrong or error
