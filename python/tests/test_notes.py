"""A translation that is not exact says so on every path of the package: a
VantrelWarning per note, strict=True a TranslationError that keeps the
notes and the result; line ends as asked; the package's own surface (its
exceptions, its docstring, its wheel)."""
import doctest
import pickle
import subprocess
import sys
import warnings
import zipfile
from pathlib import Path

import pytest

import vantrel
from conftest import PYTHON_DIR

# An APDU followed by two octets that are none of it: the one note every
# library with notes gives.
TRAILING = bytes.fromhex("FF1201020304")
TRAILING_NOTE = "2 octets after the end of the APDU: 03 04"
EXACT = bytes.fromhex("FF120102")


def _caught(call):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = call()
    return result, [w for w in caught if issubclass(w.category, vantrel.VantrelWarning)]


# Each path with an input that is not exact and one that is.
PATHS = [
    ("pdu_to_xml", lambda data, **kw: vantrel.pdu_to_xml(data, **kw)),
    ("pdu_to_xml keys", lambda data, **kw: vantrel.pdu_to_xml(data, keys=vantrel.Keys(), **kw)),
    ("pdu_to_xml annotate", lambda data, **kw: vantrel.pdu_to_xml(data, annotate=True, **kw)),
    ("translate", lambda data, **kw: vantrel.translate(data.hex(), **kw)),
    ("pdu_to_xml_many batch", lambda data, **kw: list(vantrel.pdu_to_xml_many([EXACT, data], workers=2, **kw))[1]),
    ("pdu_to_xml_many alone", lambda data, **kw: list(vantrel.pdu_to_xml_many([data], workers=1, **kw))[0]),
]


@pytest.mark.parametrize("name, call", PATHS, ids=[p[0] for p in PATHS])
def test_a_note_is_a_warning(name, call) -> None:
    result, caught = _caught(lambda: call(TRAILING))
    assert [str(w.message).split(": ", 1)[-1] if "item" in str(w.message) else str(w.message) for w in caught] == [
        TRAILING_NOTE
    ]
    assert caught[0].message.note.endswith(TRAILING_NOTE)
    # The warning points at the caller, not into the package.
    assert caught[0].filename == __file__
    text = result.text if isinstance(result, vantrel.Translation) else result
    assert f"<!-- {TRAILING_NOTE} -->" in text
    if isinstance(result, vantrel.Translation):
        assert result.notes == (TRAILING_NOTE,)

    exact, caught = _caught(lambda: call(EXACT))
    assert caught == []
    if isinstance(exact, vantrel.Translation):
        assert exact.notes == ()


@pytest.mark.parametrize("name, call", PATHS, ids=[p[0] for p in PATHS])
def test_strict_refuses_what_is_not_exact(name, call) -> None:
    if name.startswith("pdu_to_xml_many"):
        e = call(TRAILING, strict=True)  # a failure is a value in a batch
        assert isinstance(e, vantrel.TranslationError)
    else:
        with pytest.raises(vantrel.TranslationError) as caught:
            call(TRAILING, strict=True)
        e = caught.value
    assert e.notes == (TRAILING_NOTE,) and e.message == TRAILING_NOTE and e.code is None
    result = e.result.text if isinstance(e.result, vantrel.Translation) else e.result
    assert result.startswith("<Data>")
    # What is exact passes strict as it is.
    assert call(EXACT, strict=True)
    again = pickle.loads(pickle.dumps(e))
    assert (again.notes, again.result) == (e.notes, e.result)


def test_text_after_the_xml_apdu() -> None:
    # An older library says nothing of it: then there is nothing to check.
    lib = vantrel._native.library()
    if lib.StreamNoteCount is None:
        pytest.skip("the library gives no notes beside its streams")
    xml = '<Data><NullData /></Data> junk'
    octets, caught = _caught(lambda: vantrel.xml_to_pdu(xml))
    if not caught:
        pytest.skip("this library does not yet name text after the APDU")
    assert octets == bytes.fromhex("FF00")
    with pytest.raises(vantrel.TranslationError) as refused:
        vantrel.xml_to_pdu(xml, strict=True)
    assert refused.value.result == bytes.fromhex("FF00")


@pytest.mark.parametrize(
    "call",
    [
        lambda newline: vantrel.pdu_to_xml(EXACT, newline=newline),
        lambda newline: vantrel.translate("FF 12 01 02", newline=newline).text,
        lambda newline: next(vantrel.pdu_to_xml_many([EXACT], workers=1, newline=newline)),
        lambda newline: next(vantrel.pdu_to_xml_many([EXACT, EXACT], workers=2, newline=newline)),
    ],
)
def test_newline(call) -> None:
    crlf = call("\r\n")
    assert crlf == '<Data>\r\n  <LongUnsigned Value="0102" />\r\n</Data>\r\n'
    assert call("\n") == crlf.replace("\r\n", "\n")
    with pytest.raises(ValueError, match="newline"):
        call("\r")


def test_the_exceptions_are_the_package_s() -> None:
    assert issubclass(vantrel.TranslationError, ValueError)
    assert issubclass(vantrel.VantrelWarning, UserWarning)
    for cls in (vantrel.TranslationError, vantrel.VantrelWarning, vantrel.LibraryNotFoundError):
        assert f"{cls.__module__}.{cls.__qualname__}" == f"vantrel.{cls.__name__}"
    with pytest.raises(ValueError):  # callers that catch ValueError catch a failed translation
        vantrel.pdu_to_xml(b"")


def test_the_package_docstring_runs() -> None:
    failed, attempted = doctest.testmod(vantrel, verbose=False)
    assert attempted > 0 and failed == 0


def test_the_wheel_is_tagged_for_the_platform_and_has_the_command(tmp_path: Path) -> None:
    library = Path(vantrel.library_path())
    done = subprocess.run(
        [sys.executable, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-q", "-w", str(tmp_path), "."],
        cwd=PYTHON_DIR,
        env={"VANTREL_LIBRARY": str(library), "PATH": "/usr/bin:/bin", "HOME": str(tmp_path)},
        capture_output=True,
        text=True,
    )
    for leftover in ("build", "vantrel.egg-info"):  # setuptools' own output stays out of the tree
        subprocess.run(["rm", "-rf", str(PYTHON_DIR / leftover)], check=True)
    if done.returncode != 0 and "No module named pip" in done.stderr:
        pytest.skip("no pip for this interpreter")
    assert done.returncode == 0, done.stderr
    (wheel,) = tmp_path.glob("*.whl")
    assert wheel.name.endswith("-py3-none-linux_x86_64.whl") or "py3-none-linux_" in wheel.name
    with zipfile.ZipFile(wheel) as archive:
        names = archive.namelist()
        assert any(n.endswith("vantrel/libvantrel.so") for n in names)
        entry_points = next(n for n in names if n.endswith("entry_points.txt"))
        assert "vantrel = vantrel.__main__:main" in archive.read(entry_points).decode()
