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


commands = {"build_py": BuildWithLibrary}

try:
    from wheel.bdist_wheel import bdist_wheel
except ImportError:  # no wheel package: pip installs from the source tree all the same
    bdist_wheel = None

if bdist_wheel is not None:

    class PlatformWheel(bdist_wheel):
        """A wheel that carries libvantrel.so holds machine code for this
        platform: it is tagged for the platform (any Python 3, no ABI of
        Python's own, since the binding is ctypes). Without the library it
        stays a pure wheel."""

        def finalize_options(self):
            super().finalize_options()
            if _native_files():
                self.root_is_pure = False

        def get_tag(self):
            python, abi, platform = super().get_tag()
            return ("py3", "none", platform) if not self.root_is_pure else (python, abi, platform)

    commands["bdist_wheel"] = PlatformWheel

setup(cmdclass=commands)
