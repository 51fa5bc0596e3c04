"""The package under test is the one in this source tree, and the library the
one in build/ (unless VANTREL_LIBRARY says otherwise)."""
import sys
from pathlib import Path

PYTHON_DIR = Path(__file__).resolve().parent.parent
SOURCE_ROOT = PYTHON_DIR.parent
sys.path.insert(0, str(PYTHON_DIR))
