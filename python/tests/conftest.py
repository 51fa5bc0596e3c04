"""The package under test is the one in this source tree, and the library the
one in build/ (unless VANTREL_LIBRARY says otherwise)."""
import sys
from pathlib import Path

PYTHON_DIR = Path(__file__).resolve().parent.parent
SOURCE_ROOT = PYTHON_DIR.parent
sys.path.insert(0, str(PYTHON_DIR))


# The temporary folders of the tests (tmp_path) live in one folder of the run,
# removed when the run ends: pytest would otherwise keep the last runs' under
# the system's temporary folder.
import shutil
import tempfile

_RUN_FOLDER = None


def pytest_configure(config):
    global _RUN_FOLDER
    if config.option.basetemp is None:
        _RUN_FOLDER = tempfile.mkdtemp(prefix="vantrel-pytest-")
        config.option.basetemp = str(Path(_RUN_FOLDER) / "tmp")


def pytest_unconfigure(config):
    if _RUN_FOLDER is not None:
        shutil.rmtree(_RUN_FOLDER, ignore_errors=True)
