"""Keys: deciphering and enciphering through the package, and the key set's
life. Runs once the library has key support.

The keys are the public example keys of the DLMS security suite worked
examples: encryption key 000102...0F, authentication key D0D1...DF, system
title 4D4D4D0000BC614E, invocation counter 01234567. The ciphered InitiateRequest
below is the worked example's own; GLO_GET enciphers the GET request of
rows.APDUS[0] the same way (security control 30: authenticated and encrypted).
"""
import pytest

import vantrel
from rows import APDUS, octets

pytestmark = pytest.mark.skipif(not vantrel.Keys.supported(), reason="the library has no key support yet")

BLOCK_CIPHER_KEY = "000102030405060708090A0B0C0D0E0F"
AUTHENTICATION_KEY = "D0D1D2D3D4D5D6D7D8D9DADBDCDDDEDF"
SYSTEM_TITLE = "4D4D4D0000BC614E"
GLO_INITIATE_REQUEST = octets(
    "21 30 30 01 23 45 67 80 13 02 FF 8A 78 74 13 3D 41 4C ED 25 B4 25 34 D2 8D B0 04 77 20 60 6B 17 "
    "5B D5 22 11 BE 68 41 DB 20 4D 39 EE 6F DB 8E 35 68 55"
)
GLO_GET = octets("C8 1E 30 01 23 45 67 41 13 D3 FF 93 5A 47 56 68 27 C4 67 BC 59 7F 9F D4 FA B3 70 0D BB 3B C3 30")


def _keys(**more) -> vantrel.Keys:
    return vantrel.Keys(
        block_cipher_key=BLOCK_CIPHER_KEY,
        authentication_key=bytes.fromhex(AUTHENTICATION_KEY),
        client_system_title=SYSTEM_TITLE,
        **more,
    )


def test_a_ciphered_get_request_deciphers_and_enciphers_back() -> None:
    with _keys() as keys:
        xml = vantrel.pdu_to_xml(GLO_GET, keys=keys)
        # The inner APDU shows as ordinary XML, and the way back gives the same octets.
        assert "<GetRequest>" in xml and '<InstanceId Value="0000010000FF" />' in xml
        assert vantrel.xml_to_pdu(xml, keys=keys) == GLO_GET
        assert vantrel.translate(GLO_GET.hex(), keys=keys).text == xml
        assert vantrel.translate(xml, keys=keys).octets == GLO_GET
        # Without keys the APDU stays opaque, and the deciphered XML does not encipher.
        assert "<GetRequest>" not in vantrel.pdu_to_xml(GLO_GET)
        with pytest.raises(vantrel.TranslationError) as caught:
            vantrel.xml_to_pdu(xml)
        assert BLOCK_CIPHER_KEY not in caught.value.message.upper()


def test_the_worked_example_initiate_request_deciphers() -> None:
    with _keys() as keys:
        xml = vantrel.pdu_to_xml(GLO_INITIATE_REQUEST, keys=keys)
        assert "InitiateRequest" in xml and "00112233445566778899AABBCCDDEEFF" in xml
        assert vantrel.xml_to_pdu(xml, keys=keys) == GLO_INITIATE_REQUEST


def test_a_wrong_key_leaves_the_apdu_opaque() -> None:
    with vantrel.Keys(
        block_cipher_key="00" * 16, authentication_key=AUTHENTICATION_KEY, client_system_title=SYSTEM_TITLE
    ) as keys:
        xml = vantrel.pdu_to_xml(GLO_GET, keys=keys)
        assert "<GetRequest>" not in xml and "<!--" in xml
        assert vantrel.xml_to_pdu(xml, keys=keys) == GLO_GET


def test_threads_share_one_key_set() -> None:
    with _keys() as keys:
        one = vantrel.pdu_to_xml(GLO_GET, keys=keys)
        batch = [GLO_GET, octets(APDUS[0])] * 500
        results = list(vantrel.pdu_to_xml_many(batch, 4, keys=keys, chunk_size=8))
    assert results[0::2] == [one] * 500
    assert results[1::2] == [vantrel.pdu_to_xml(octets(APDUS[0]))] * 500


@pytest.mark.parametrize(
    "name, value, words",
    [
        ("block_cipher_key", "0001", "BlockCipherKey"),  # too short
        ("client_system_title", "4D4D4D", "ClientSystemTitle"),
        ("BroadcastKey", "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E ZZ", "BroadcastKey"),  # not hex
        ("no_such_key", "00", "unknown key name 'no_such_key'"),
    ],
)
def test_values_that_are_refused(name: str, value: str, words: str) -> None:
    with vantrel.Keys() as keys:
        with pytest.raises(ValueError) as caught:
            keys.set(name, value)
        assert words in str(caught.value)
        assert value.replace(" ", "") not in str(caught.value).replace(" ", "") or name == "no_such_key"


def test_a_closed_key_set() -> None:
    keys = _keys(broadcast_key=bytearray(16))
    assert repr(keys) == "<vantrel.Keys AuthenticationKey, BlockCipherKey, BroadcastKey, ClientSystemTitle>"
    assert BLOCK_CIPHER_KEY not in repr(keys)
    with keys:
        pass
    assert keys.closed and repr(keys) == "<vantrel.Keys closed>"
    keys.close()  # twice is harmless
    with pytest.raises(ValueError, match="closed"):
        vantrel.pdu_to_xml(GLO_GET, keys=keys)
    with pytest.raises(ValueError, match="closed"):
        keys.set("dedicated_key", "00" * 16)
