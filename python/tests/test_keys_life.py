"""The Python side of vantrel.Keys on a stand-in for the library: what goes
to the key set, the wiping of the hex buffer, and freeing only when no
translation still uses it."""
import ctypes
import threading

import pytest

import vantrel
from vantrel import _native


class FakeLibrary:
    has_keys = True
    path = "fake"

    def __init__(self) -> None:
        self.set_calls = []
        self.freed = []
        self.buffers = []

    def KeysNew(self):
        return "handle"

    def KeysSet(self, handle, name, buffer, error):
        self.set_calls.append((handle, name, buffer.value))
        self.buffers.append(buffer)
        return 0

    def KeysFree(self, handle):
        self.freed.append(handle)


@pytest.fixture
def fake(monkeypatch: pytest.MonkeyPatch) -> FakeLibrary:
    library = FakeLibrary()
    monkeypatch.setattr(_native, "_loaded", library)
    return library


def test_values_go_as_hex_and_are_wiped(fake: FakeLibrary) -> None:
    with vantrel.Keys(block_cipher_key=bytes(range(16)), client_system_title="4d 4d 4d 00 00 bc 61 4e") as keys:
        keys.set("DedicatedKey", bytearray(b"\xab" * 16))
        keys.set("master_key", memoryview(b"\x01\x02"))
    assert fake.set_calls == [
        ("handle", b"BlockCipherKey", b"000102030405060708090A0B0C0D0E0F"),
        ("handle", b"ClientSystemTitle", b"4d 4d 4d 00 00 bc 61 4e"),
        ("handle", b"DedicatedKey", b"AB" * 16),
        ("handle", b"MasterKey", b"0102"),
    ]
    # The buffers that held the digits are zeros now.
    assert all(set(bytes(b)) == {0} for b in fake.buffers)
    assert fake.freed == ["handle"]


def test_wrong_names_and_types(fake: FakeLibrary) -> None:
    with vantrel.Keys() as keys:
        with pytest.raises(ValueError, match="unknown key name 'blockcipherkey'"):
            keys.set("blockcipherkey", "00")
        with pytest.raises(TypeError, match="a key is bytes or a str of hex digits, not int"):
            keys.set("BroadcastKey", 12)
    # A failure in the constructor frees what it made.
    with pytest.raises(ValueError):
        vantrel.Keys(nonsense="00")
    assert fake.freed == ["handle", "handle"]


def test_close_waits_for_the_translations_using_it(fake: FakeLibrary) -> None:
    keys = vantrel.Keys()
    inside = threading.Event()
    leave = threading.Event()

    def translation() -> None:
        with keys._in_use():
            inside.set()
            leave.wait(10)

    worker = threading.Thread(target=translation)
    worker.start()
    assert inside.wait(10)
    keys.close()
    # Closed for new translations, but not freed under the running one.
    assert keys.closed and fake.freed == []
    with pytest.raises(ValueError, match="closed"):
        with keys._in_use():
            pass
    leave.set()
    worker.join()
    assert fake.freed == ["handle"]
    keys.close()
    assert fake.freed == ["handle"]


def test_keys_stay_in_their_process(fake: FakeLibrary) -> None:
    import pickle

    with vantrel.Keys(block_cipher_key="00" * 16) as keys:
        with pytest.raises(TypeError, match="cannot be pickled"):
            pickle.dumps(keys)
