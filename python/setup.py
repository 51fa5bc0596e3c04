"""Installs the package with the libvantrel it was built against.

The shared library and vantrel-cli are copied into the installed package
from VANTREL_LIBRARY (and the vantrel-cli beside it), or from the source
tree's build/, so an installed package needs nothing else. Without a built
library the package installs alone and finds libvantrel on the system's
library path.
"""
import os
import shutil
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py

HERE = Path(__file__).resolve().parent


def _native_files():
    library = os.environ.get("VANTREL_LIBRARY")
    library_path = Path(library) if library else HERE.parent / "build" / "libvantrel.so"
    if not library_path.is_file():
        print(f"vantrel: no {library_path}; the package will look for libvantrel on the system's library path")
        return []
    files = [(library_path.resolve(), "libvantrel.so")]
    cli = library_path.parent / "vantrel-cli"
    if cli.is_file():
        files.append((cli.resolve(), "vantrel-cli"))
    return files


class BuildWithLibrary(build_py):
    def run(self):
        super().run()
        target = Path(self.build_lib) / "vantrel"
        for source, name in _native_files():
            shutil.copy2(source, target / name)
            print(f"vantrel: {source} -> {target / name}")


setup(cmdclass={"build_py": BuildWithLibrary})
