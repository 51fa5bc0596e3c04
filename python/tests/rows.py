"""APDUs shared by the tests: one of each family, and the vector files of
the source tree when there are any."""
from __future__ import annotations

import json
from pathlib import Path
from typing import Iterator, List, Tuple

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


def vector_rows() -> Iterator[Tuple[str, bytes]]:
    """(name, octets) of every APDU in tests/vectors/*.json that translates.

    A file holds a list of objects, or an object with such a list under
    "vectors"; each object gives its octets under "hex" (or "octets"/"pdu")
    and may name itself ("name") or say it must fail ("error").
    """
    if not VECTORS.is_dir():
        return
    for path in sorted(VECTORS.glob("*.json")):
        data = json.loads(path.read_text(encoding="utf-8"))
        items = data.get("vectors", []) if isinstance(data, dict) else data
        for index, item in enumerate(items):
            if not isinstance(item, dict) or item.get("error"):
                continue
            hex_text = item.get("hex") or item.get("octets") or item.get("pdu")
            if not isinstance(hex_text, str):
                continue
            yield f"{path.stem}[{item.get('name', index)}]", octets(hex_text)
