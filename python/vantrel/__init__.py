r"""Vantrel: DLMS/COSEM APDUs between their encoded octets and XML.

A binding of libvantrel's C functions (ctypes; nothing is compiled for
Python)::

    >>> import vantrel
    >>> print(vantrel.pdu_to_xml(bytes.fromhex("FF120102"), newline="\n"), end="")
    <Data>
      <LongUnsigned Value="0102" />
    </Data>
    >>> vantrel.xml_to_pdu('<Data><LongUnsigned Value="0102" /></Data>').hex()
    'ff120102'

A translation that is not exact says so, in the XML and in a warning::

    >>> import warnings
    >>> with warnings.catch_warnings(record=True) as caught:
    ...     warnings.simplefilter("always")
    ...     xml = vantrel.pdu_to_xml(bytes.fromhex("FF1201020304"))
    >>> print(caught[0].message)
    2 octets after the end of the APDU: 03 04

Every function may be called from several threads at once; the library
calls release the GIL. The library is found next to the package, in the
source tree's ``build/``, through the ``VANTREL_LIBRARY`` environment
variable (which wins), or on the system's library path.
"""
from ._api import BytesLike, Translation, pdu_to_xml, translate, xml_to_pdu
from ._errors import LibraryNotFoundError, TranslationError, VantrelWarning
from ._keys import Keys
from ._map import Field, MappedXml, Unit
from ._many import pdu_to_xml_many
from ._native import library_path

__version__ = "3.6.0"

__all__ = [
    "pdu_to_xml",
    "xml_to_pdu",
    "translate",
    "pdu_to_xml_many",
    "Translation",
    "Field",
    "Unit",
    "MappedXml",
    "TranslationError",
    "VantrelWarning",
    "LibraryNotFoundError",
    "Keys",
    "BytesLike",
    "library_path",
    "__version__",
]
