"""APDUs shared by the tests: one of each family, and the vector files of
the source tree when there are any."""
from __future__ import annotations

from pathlib import Path
from typing import Iterator, List, NamedTuple, Tuple

VECTORS = Path(__file__).resolve().parents[2] / "tests" / "vectors"

# One APDU per family (hex), each translating and reading back to itself.
APDUS: List[str] = [
    "C0 01 C1 00 08 00 00 01 00 00 FF 02 00",  # GET request
    "C4 01 C1 00 06 00 00 30 39",  # GET response
    "C4 02 C1 01 00 00 00 01 00 03 0A 0B 0C",  # GET response, a data block
    "C0 03 C1 02 00 08 00 00 01 00 00 FF 02 00 00 07 01 00 63 01 00 FF 02 01 01 02 02 09 0C 07 E8 01 "
    "01 01 00 00 00 00 80 00 00 12 00 05",  # GET request with list
    "C1 02 C1 00 07 01 00 63 01 00 FF 02 01 01 00 00 00 00 00 01 04 01 02 03 04",  # SET request
    "C3 01 C1 00 46 00 00 60 03 0A FF 01 01 0F 00",  # ACTION request
    "C2 01 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 00 01 00 00 60 0A 01 FF 02 11 05",  # event notification
    "0F 00 00 00 01 0C 07 E8 0C 08 02 10 1E 00 00 80 00 00 02 02 11 34 09 02 41 42",  # data notification
    "05 05 02 FA 00 05 00 07 06 01 00 02 03 41 42 43 07 00 00 01 04 00 01 02 09 02 22 41",  # read request
    "60 42 A1 09 06 07 60 85 74 05 08 01 01 A6 0A 04 08 4D 4D 4D 00 00 BC 61 4E 8A 02 07 80 8B 07 60 "
    "85 74 05 08 02 01 AC 0A 80 08 31 32 33 34 35 36 37 38 BE 10 04 0E 01 00 00 00 06 5F 1F 04 00 00 "
    "7E 1F 04 B0",  # AARQ
    "61 29 A1 09 06 07 60 85 74 05 08 01 01 A2 03 02 01 00 A3 05 A1 03 02 01 00 BE 10 04 0E 08 00 06 "
    "5F 1F 04 00 00 10 1D 04 B0 00 07",  # AARE
    "62 0D 80 01 00 BE 08 04 06 21 04 41 42 43 44",  # RLRQ
    "C8 05 30 00 00 00 2A",  # a ciphered GET request, opaque without keys
    "FF 02 02 12 00 08 09 06 00 00 01 00 00 FF",  # a bare Data value
]


def octets(hex_text: str) -> bytes:
    return bytes.fromhex(hex_text)


class Vector(NamedTuple):
    """One record of a vector file (see tests/vectors/README.md)."""

    name: str  # "file.txt: NAME"
    input_kind: str  # "hex" or "xml"
    input: str  # hex digits or XML text
    expect_kind: str  # "xml", "canonical", "hex" or "error"
    expect: str  # XML text, hex digits, or "CODE POSITION MESSAGE"


def _field(lines: List[str], i: int) -> Tuple[str, str, int]:
    """The field starting at line i: its kind, its value, the next line."""
    kind, _, rest = lines[i].partition(" ")
    i += 1
    if kind != "xml" or rest:
        return kind, rest, i
    text = []
    while i < len(lines) and lines[i][:1] in ("|", ":"):
        marker, line = lines[i][0], lines[i][1:]
        text.append(line + ("\r\n" if marker == "|" else ""))
        i += 1
        if marker == ":":
            break
    return kind, "".join(text), i


def vectors() -> Iterator[Vector]:
    """Every record of tests/vectors/*.txt."""
    for path in sorted(VECTORS.glob("*.txt")):
        lines = path.read_text(encoding="utf-8").split("\n")
        i = 0
        while i < len(lines):
            line = lines[i]
            if not line.strip() or line.startswith("#"):
                i += 1
                continue
            if not line.startswith("= "):
                raise ValueError(f"{path.name}:{i + 1}: a record starts with '= NAME', not {line!r}")
            name = f"{path.name}: {line[2:]}"
            input_kind, input_value, i = _field(lines, i + 1)
            expect_kind, expect_value, i = _field(lines, i)
            yield Vector(name, input_kind, input_value, expect_kind, expect_value)
