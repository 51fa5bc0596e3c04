"""``python -m vantrel``: the command-line translator, ``vantrel-cli``, with
the same options, output and exit status.

It runs the ``vantrel-cli`` beside the library the package uses, in the
source tree's ``build/``, or on ``PATH``, in that order; exit status 127
when there is none.
"""
from __future__ import annotations

import os
import shutil
import subprocess
import sys
from pathlib import Path
from typing import List, Optional

from . import _native
from ._errors import LibraryNotFoundError

_CLI = "vantrel-cli.exe" if sys.platform == "win32" else "vantrel-cli"


def _executable(path: Path) -> bool:
    return path.is_file() and os.access(path, os.X_OK)


def find_cli() -> Optional[str]:
    """The path of the vantrel-cli to run, or None."""
    places: List[Path] = []
    try:
        places.append(Path(_native.library_path()).resolve().parent / _CLI)
    except LibraryNotFoundError:
        pass
    places.append(_native._PACKAGE_DIR / _CLI)
    places.append(_native._SOURCE_ROOT / "build" / _CLI)
    for place in places:
        if _executable(place):
            return str(place)
    return shutil.which(_CLI)


def main(argv: Optional[List[str]] = None) -> int:
    args = sys.argv[1:] if argv is None else argv
    cli = find_cli()
    if cli is None:
        sys.stderr.write(
            "python -m vantrel: vantrel-cli was not found beside libvantrel, in the source tree's build/, "
            "or on PATH; build it (make build) or install it (make install)\n"
        )
        return 127  # as a shell says of a command it cannot find
    if argv is None and hasattr(os, "execv"):
        sys.stdout.flush()
        sys.stderr.flush()
        os.execv(cli, [cli, *args])  # same process: stdin, stdout and exit status pass straight through
    return subprocess.call([cli, *args])


if __name__ == "__main__":
    sys.exit(main())
