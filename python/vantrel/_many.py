"""Many APDUs on every core."""
from __future__ import annotations

import ctypes
import os
from array import array as _array
from collections import deque
from concurrent.futures import Future, ThreadPoolExecutor
from contextlib import ExitStack
from itertools import islice
from typing import Any, Deque, Iterable, Iterator, List, Optional, Union

from . import _native
from ._api import _MAX_SIZE, BytesLike, _check_keys, _octets, _pdu_to_xml
from ._errors import TranslationError
from ._keys import Keys

__all__ = ["pdu_to_xml_many"]

Result = Union[str, TranslationError]
# The array type code of uint32_t.
_SIZE_CODE = next(code for code in "IL" if _array(code).itemsize == 4)


def _cores() -> int:
    try:
        return len(os.sched_getaffinity(0))
    except (AttributeError, OSError):
        return os.cpu_count() or 1


def _translate_each(lib: _native.Library, chunk: List[bytes], handle: Any, flags: int) -> List[Result]:
    results: List[Result] = []
    append = results.append
    for data in chunk:
        try:
            append(_pdu_to_xml(lib, data, handle, flags))
        except TranslationError as e:
            append(e)
    return results


def _checked(chunk: List[Any], first: int) -> List[bytes]:
    """The chunk as bytes: other bytes-like items copied, others refused."""
    checked: List[bytes] = []
    for index, data in enumerate(chunk, first):
        if type(data) is not bytes:
            try:
                data = _octets(data, "pdu_to_xml_many")
            except TypeError as e:
                raise TypeError(f"{e} (item {index})") from None
        if len(data) > _MAX_SIZE:
            raise ValueError(f"pdu_to_xml_many(): item {index} has more than 4,294,967,295 octets")
        checked.append(data)
    return checked


def _translate_chunk(lib: _native.Library, chunk: List[Any], first: int, handle: Any, flags: int) -> List[Result]:
    # Runs in a worker. The whole chunk is one library call, which releases
    # the GIL: the interpreter's share of the work per APDU stays small, so
    # the workers' translations overlap.
    count = len(chunk)
    if lib.PduToXmlMany is None:  # an older library
        return _translate_each(lib, _checked(chunk, first), handle, flags)
    try:
        sizes = _array(_SIZE_CODE, map(len, chunk))  # OverflowError beyond 32 bits
        joined = b"".join(chunk)  # TypeError for what is not bytes-like
        if len(joined) != sum(sizes):  # a memoryview of items wider than an octet
            raise TypeError
    except (TypeError, OverflowError):
        chunk = _checked(chunk, first)  # says which item and why, or copies
        sizes = _array(_SIZE_CODE, map(len, chunk))
        joined = b"".join(chunk)
    errors = (_native.TTranslationError * count)()
    stream = _native._StreamPtr()
    failed = lib.PduToXmlMany(joined, sizes.buffer_info()[0], count, handle, flags, stream, errors)
    if not stream:
        return [_native.failure(e) for e in errors]
    try:
        text = ctypes.string_at(lib.StreamData(stream), lib.StreamSize(stream))
    finally:
        lib.StreamFree(stream)
    # Each XML ends with a zero byte; a failure is the zero byte alone.
    results: List[Result] = text.decode("utf-8").split("\0")
    results.pop()
    if failed:
        for i, error in enumerate(errors):
            if error.Code:
                results[i] = _native.failure(error)
    return results


def pdu_to_xml_many(
    apdus: Iterable[BytesLike],
    workers: Optional[int] = None,
    *,
    annotate: bool = False,
    keys: Optional[Keys] = None,
    chunk_size: int = 64,
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
        workers: threads to use; by default one per core available. With 1,
            everything runs in the calling thread.
        annotate: XML comments that explain values.
        keys: a :class:`vantrel.Keys` to decipher with, shared by the threads.
        chunk_size: APDUs one thread translates in a row.

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
    if isinstance(apdus, (bytes, bytearray, memoryview, str)):
        raise TypeError(
            "pdu_to_xml_many() takes an iterable of APDUs (bytes each), not one "
            f"{type(apdus).__name__}; for a single APDU use pdu_to_xml()"
        )
    return _generate(iter(apdus), workers, _native.ANNOTATE if annotate else 0, keys, chunk_size)


def _generate(apdus: Iterator[BytesLike], workers: int, flags: int, keys: Optional[Keys], chunk_size: int) -> Iterator[Result]:
    lib = _native.library()
    with ExitStack() as stack:
        handle = stack.enter_context(keys._in_use()) if keys is not None else None
        first = 0
        if workers == 1:
            while True:
                chunk = list(islice(apdus, chunk_size))
                if not chunk:
                    return
                yield from _translate_chunk(lib, chunk, first, handle, flags)
                first += len(chunk)
        executor = stack.enter_context(ThreadPoolExecutor(workers, thread_name_prefix="vantrel"))
        pending: Deque["Future[List[Result]]"] = deque()
        try:
            while True:
                chunk = list(islice(apdus, chunk_size))
                if not chunk:
                    break
                pending.append(executor.submit(_translate_chunk, lib, chunk, first, handle, flags))
                first += len(chunk)
                if len(pending) >= 2 * workers:
                    yield from pending.popleft().result()
            while pending:
                yield from pending.popleft().result()
        finally:
            for future in pending:
                future.cancel()
