"""Many APDUs on every core."""
from __future__ import annotations

import os
from collections import deque
from concurrent.futures import Future, ThreadPoolExecutor
from contextlib import ExitStack
from typing import Any, Deque, Iterable, Iterator, List, Optional, Union

from . import _native
from ._api import BytesLike, _check_keys, _octets, _pdu_to_xml
from ._errors import TranslationError
from ._keys import Keys

__all__ = ["pdu_to_xml_many"]

Result = Union[str, TranslationError]


def _cores() -> int:
    try:
        return len(os.sched_getaffinity(0))
    except (AttributeError, OSError):
        return os.cpu_count() or 1


def _translate_chunk(lib: Any, chunk: List[bytes], handle: Any, flags: int) -> List[Result]:
    # Runs in a worker: the library call releases the GIL, so the workers'
    # translations overlap.
    results: List[Result] = []
    append = results.append
    for data in chunk:
        try:
            append(_pdu_to_xml(lib, data, handle, flags))
        except TranslationError as e:
            append(e)
    return results


def _chunks(apdus: Iterable[BytesLike], size: int) -> Iterator[List[bytes]]:
    chunk: List[bytes] = []
    for index, data in enumerate(apdus):
        if type(data) is not bytes:
            try:
                data = _octets(data, "pdu_to_xml_many")
            except TypeError as e:
                raise TypeError(f"{e} (item {index})") from None
        chunk.append(data)
        if len(chunk) == size:
            yield chunk
            chunk = []
    if chunk:
        yield chunk


def pdu_to_xml_many(
    apdus: Iterable[BytesLike],
    workers: Optional[int] = None,
    *,
    annotate: bool = False,
    keys: Optional[Keys] = None,
    chunk_size: int = 256,
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
        chunks = _chunks(apdus, chunk_size)
        if workers == 1:
            for chunk in chunks:
                yield from _translate_chunk(lib, chunk, handle, flags)
            return
        executor = stack.enter_context(ThreadPoolExecutor(workers, thread_name_prefix="vantrel"))
        pending: Deque["Future[List[Result]]"] = deque()
        try:
            for chunk in chunks:
                pending.append(executor.submit(_translate_chunk, lib, chunk, handle, flags))
                if len(pending) >= 2 * workers:
                    yield from pending.popleft().result()
            while pending:
                yield from pending.popleft().result()
        finally:
            for future in pending:
                future.cancel()
