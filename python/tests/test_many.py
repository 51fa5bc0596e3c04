"""Many threads sharing the library, and pdu_to_xml_many: order, failures as
values, lazy input."""
import itertools
import re
import threading

import pytest

import vantrel
from rows import APDUS, octets

GOOD = [octets(h) for h in APDUS]
BAD = [b"", b"\xc0", octets("C0 01 C1 00 08 00 00 01"), b"\xff\x12\x01"]


def _batch(n: int):
    # Every seventh APDU fails; the rest cycle through the families.
    return [BAD[i % len(BAD)] if i % 7 == 3 else GOOD[i % len(GOOD)] for i in range(n)]


def _expected(data: bytes):
    try:
        return vantrel.pdu_to_xml(data)
    except vantrel.TranslationError as e:
        return repr(e)


@pytest.mark.parametrize("workers, chunk_size", [(None, 256), (1, 256), (2, 1), (3, 7), (8, 64)])
def test_many_keeps_order_and_returns_failures(workers, chunk_size) -> None:
    batch = _batch(1000)
    results = list(vantrel.pdu_to_xml_many(iter(batch), workers, chunk_size=chunk_size))
    assert len(results) == len(batch)
    got = [repr(r) if isinstance(r, vantrel.TranslationError) else r for r in results]
    assert got == [_expected(d) for d in batch]
    assert sum(isinstance(r, vantrel.TranslationError) for r in results) == len([i for i in range(1000) if i % 7 == 3])


def test_many_reads_its_input_lazily() -> None:
    # An endless input: only what is taken (plus a bounded read-ahead) is translated.
    endless = itertools.cycle(GOOD)
    first = list(itertools.islice(vantrel.pdu_to_xml_many(endless, 2, chunk_size=16), 50))
    assert first == [vantrel.pdu_to_xml(GOOD[i % len(GOOD)]) for i in range(50)]


def test_many_accepts_every_bytes_like_and_no_input() -> None:
    assert list(vantrel.pdu_to_xml_many([])) == []
    data = GOOD[0]
    assert list(vantrel.pdu_to_xml_many([data, bytearray(data), memoryview(data)], 2)) == [vantrel.pdu_to_xml(data)] * 3


def test_many_refuses_an_item_of_the_wrong_type() -> None:
    results = vantrel.pdu_to_xml_many([GOOD[0], "C0 01"], 2, chunk_size=1)
    with pytest.raises(TypeError, match=r"not str.*\(item 1\)"):
        list(results)


@pytest.mark.parametrize("workers", [0, -1, 1.5, True])
def test_many_refuses_a_wrong_worker_count(workers) -> None:
    with pytest.raises(ValueError, match="workers must be a positive int"):
        vantrel.pdu_to_xml_many(GOOD, workers)


def test_threads_share_the_library() -> None:
    # Every entry point from 8 threads at once; each checks its own results.
    xmls = [vantrel.pdu_to_xml(d) for d in GOOD]
    failures = []
    start = threading.Barrier(8)

    def work(seed: int) -> None:
        start.wait()
        try:
            for i in range(300):
                k = (seed + i) % len(GOOD)
                assert vantrel.pdu_to_xml(GOOD[k]) == xmls[k]
                assert vantrel.xml_to_pdu(xmls[k]) == GOOD[k]
                assert vantrel.translate(xmls[k]).octets == GOOD[k]
                with pytest.raises(vantrel.TranslationError):
                    vantrel.pdu_to_xml(BAD[i % len(BAD)])
        except BaseException as e:  # reported by the main thread
            failures.append(e)

    threads = [threading.Thread(target=work, args=(n,)) for n in range(8)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []


def test_many_gives_what_pdu_to_xml_gives_for_every_vector() -> None:
    from rows import vectors

    batch = [octets(v.input) for v in vectors() if v.input_kind == "hex"]
    assert len(batch) > 100
    results = vantrel.pdu_to_xml_many(batch, 2, chunk_size=33)
    got = [repr(r) if isinstance(r, vantrel.TranslationError) else r for r in results]
    assert got == [_expected(d) for d in batch]


def _until_failure(results):
    """The results taken before the exception that ended them, and it."""
    taken = []
    try:
        for r in results:
            taken.append(r)
    except Exception as e:  # noqa: BLE001 - the test looks at it
        return taken, e
    return taken, None


def test_many_yields_every_result_before_what_went_wrong_in_reading_ahead() -> None:
    # The input is read a batch ahead of the results: neither a wrong item
    # nor the input's own exception may cost the results before it.
    def failing_input():
        yield from GOOD * 700
        raise RuntimeError("the capture ended badly")

    wrong_item = [GOOD[i % len(GOOD)] for i in range(100)] + ["C0 01"] + GOOD
    for apdus, count, error, match in [
        (failing_input(), len(GOOD) * 700, RuntimeError, "ended badly"),
        (wrong_item, 100, TypeError, r"not str.*\(item 100\)"),
    ]:
        taken, e = _until_failure(vantrel.pdu_to_xml_many(apdus, 2, chunk_size=3))
        assert len(taken) == count
        assert taken[:len(GOOD)] == [vantrel.pdu_to_xml(d) for d in GOOD]
        assert isinstance(e, error)
        assert re.search(match, str(e))


def test_many_left_half_read_leaves_the_next_calls_sound() -> None:
    batch = _batch(3000)
    expected = [_expected(d) for d in batch]
    for workers in (1, 2, 2, 3):
        started = vantrel.pdu_to_xml_many(batch, workers, chunk_size=16)
        list(itertools.islice(started, 700))
        started.close()  # the library's threads may be mid-part
        got = [repr(r) if isinstance(r, vantrel.TranslationError) else r
               for r in vantrel.pdu_to_xml_many(batch, workers, chunk_size=16)]
        assert got == expected


def test_many_from_several_threads_at_once() -> None:
    batch = _batch(2000)
    expected = [_expected(d) for d in batch]
    failures = []

    def work(workers: int) -> None:
        try:
            got = [repr(r) if isinstance(r, vantrel.TranslationError) else r
                   for r in vantrel.pdu_to_xml_many(batch, workers, chunk_size=50)]
            assert got == expected
        except BaseException as e:  # reported by the main thread
            failures.append(e)

    threads = [threading.Thread(target=work, args=(1 + n % 3,)) for n in range(6)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []


def test_many_with_a_library_without_batches(monkeypatch) -> None:
    # An older libvantrel: one call per APDU, the same results and errors.
    from vantrel import _native

    monkeypatch.setattr(_native.library(), "has_batch", False)
    batch = _batch(300)
    got = [repr(r) if isinstance(r, vantrel.TranslationError) else r
           for r in vantrel.pdu_to_xml_many(batch, 2, chunk_size=7)]
    assert got == [_expected(d) for d in batch]
    taken, e = _until_failure(vantrel.pdu_to_xml_many(GOOD * 3 + ["C0 01"] + GOOD, 2, chunk_size=4))
    assert len(taken) == 3 * len(GOOD)
    assert isinstance(e, TypeError)
