"""Finding the library, and python -m vantrel."""
import os
import subprocess
import sys
from pathlib import Path

import pytest

import vantrel
from vantrel import __main__ as cli_main
from conftest import PYTHON_DIR, SOURCE_ROOT


def _python(code: str, **env: str) -> subprocess.CompletedProcess:
    environment = {**os.environ, "PYTHONPATH": str(PYTHON_DIR), **env}
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=environment, timeout=60)


def test_library_path_is_the_build_tree_or_the_variable() -> None:
    expected = os.environ.get("VANTREL_LIBRARY") or str(SOURCE_ROOT / "build" / "libvantrel.so")
    assert vantrel.library_path() == expected


def test_a_missing_library_is_named() -> None:
    # Importing works; the first translation says what is missing.
    run = _python(
        "import vantrel\n"
        "try:\n"
        "    vantrel.pdu_to_xml(b'\\xff\\x12\\x01\\x02')\n"
        "except vantrel.LibraryNotFoundError as e:\n"
        "    print(e)\n",
        VANTREL_LIBRARY="/nonexistent/libvantrel.so",
    )
    assert run.returncode == 0, run.stderr
    assert run.stdout.startswith("VANTREL_LIBRARY=/nonexistent/libvantrel.so does not load:")


def test_no_library_anywhere_lists_the_places_tried(monkeypatch: pytest.MonkeyPatch, tmp_path: Path) -> None:
    from vantrel import _native

    monkeypatch.delenv("VANTREL_LIBRARY", raising=False)
    monkeypatch.setattr(_native, "_loaded", None)
    monkeypatch.setattr(_native, "_PACKAGE_DIR", tmp_path / "site" / "vantrel")
    monkeypatch.setattr(_native, "_SOURCE_ROOT", tmp_path)
    monkeypatch.setattr(_native.ctypes.util, "find_library", lambda name: None)
    with pytest.raises(vantrel.LibraryNotFoundError) as caught:
        vantrel.xml_to_pdu("<Data/>")
    text = str(caught.value)
    assert str(tmp_path / "site" / "vantrel" / "libvantrel.so") in text
    assert str(tmp_path / "build" / "libvantrel.so") in text
    assert "set VANTREL_LIBRARY" in text
    assert isinstance(caught.value, OSError)


def test_a_library_without_the_entry_points_is_refused(tmp_path: Path) -> None:
    # Any shared object that loads but is not libvantrel.
    libc = "libc.so.6"
    run = _python(
        "import vantrel\n"
        "try:\n"
        "    vantrel.translate('FF')\n"
        "except vantrel.LibraryNotFoundError as e:\n"
        "    print(e)\n",
        VANTREL_LIBRARY=libc,
    )
    assert "libc.so.6 is no usable libvantrel: it lacks VantrelStreamData()" in run.stdout, run.stderr


# The vantrel-cli built with the library under test.
CLI = Path(vantrel.library_path()).resolve().parent / "vantrel-cli"


def _cli(*args: str, stdin: str) -> subprocess.CompletedProcess:
    return subprocess.run([str(CLI), *args], input=stdin, capture_output=True, text=True, timeout=60)


def _module(*args: str, stdin: str) -> subprocess.CompletedProcess:
    environment = {**os.environ, "PYTHONPATH": str(PYTHON_DIR)}
    return subprocess.run(
        [sys.executable, "-m", "vantrel", *args], input=stdin, capture_output=True, text=True, env=environment, timeout=60
    )


@pytest.mark.parametrize(
    "args, stdin",
    [
        ((), "C0 01 C1 00 08 00 00 01 00 00 FF 02 00\n"),
        ((), "C0 01 C1 00 08 00 00 01\n"),
        (("--each-line", "--frame"), "7E A0 07 03 21 93 0F 01 7E\nC0 01 C1 00 08 00 00 01 00 00 FF 02 00\nC0\n"),
        (("--version",), ""),
        (("--no-such-option",), ""),
    ],
)
def test_module_runs_the_command_line(args, stdin) -> None:
    if not CLI.exists():
        pytest.skip(f"no {CLI}")
    direct, module = _cli(*args, stdin=stdin), _module(*args, stdin=stdin)
    assert (module.returncode, module.stdout, module.stderr) == (direct.returncode, direct.stdout, direct.stderr)


def test_module_without_the_command_line(monkeypatch: pytest.MonkeyPatch, capsys: pytest.CaptureFixture) -> None:
    monkeypatch.setattr(cli_main, "find_cli", lambda: None)
    assert cli_main.main(["--version"]) == 127
    assert "vantrel-cli was not found" in capsys.readouterr().err
