#!/usr/bin/env python3
"""An independent reader of an encrypted shipment, written from docs/encrypted-shipment.md alone
with Debian's python3-cryptography: it restores every *.tenc file below FOLDER into OUT and exits 1
when any file is refused.

Usage: decrypt-shipment.py FOLDER OUT (--key-file PEM | --passphrase-env VAR)
"""
import argparse
import hashlib
import json
import os
import struct
import sys

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import padding
from cryptography.hazmat.primitives.ciphers.aead import AESGCM
from cryptography.hazmat.primitives.kdf.pbkdf2 import PBKDF2HMAC

HEADER, TAG, TRAILER = 36, 16, 40


def data_key(keys, key_file, passphrase):
    key_id = bytes.fromhex(keys["keyId"])
    for recipient in keys["recipients"]:
        wrapped = bytes.fromhex(recipient["wrappedKey"])
        try:
            if recipient["kind"] == "certificate" and key_file:
                with open(key_file, "rb") as f:
                    private = serialization.load_pem_private_key(f.read(), password=None)
                oaep = padding.OAEP(mgf=padding.MGF1(hashes.SHA1()), algorithm=hashes.SHA1(), label=None)
                return key_id, private.decrypt(wrapped, oaep)
            if recipient["kind"] == "passphrase" and passphrase is not None:
                kdf = PBKDF2HMAC(hashes.SHA256(), 32, bytes.fromhex(recipient["salt"]), recipient["iterations"])
                kek = kdf.derive(passphrase.encode("utf-8"))
                return key_id, AESGCM(kek).decrypt(bytes.fromhex(recipient["nonce"]), wrapped, key_id)
        except Exception:  # the next recipient may open it
            continue
    sys.exit("no recipient of the keys file opens with the key given")


def decrypt(path, key_id, key):
    """The restored bytes, or raises ValueError with the reason."""
    with open(path, "rb") as f:
        blob = f.read()
    header = blob[:HEADER]
    if len(header) < HEADER or header[:4] != b"TENC":
        raise ValueError("not an encrypted shipment file")
    version, _, chunk = struct.unpack_from("<HHI", header, 4)
    if version != 1:
        raise ValueError("unknown format version %d" % version)
    if header[12:28] != key_id:
        raise ValueError("encrypted with another key")
    prefix, gcm = header[28:36], AESGCM(key)
    body = len(blob) - HEADER - TRAILER - TAG
    if body < 0 or 0 < body % (chunk + TAG) <= TAG:
        raise ValueError("cut short")
    count = body // (chunk + TAG) + (1 if body % (chunk + TAG) else 0)
    out, at = bytearray(), HEADER
    for number in range(count + 1):
        last = number == count
        size = TRAILER + TAG if last else min(chunk + TAG, HEADER + body - at)
        nonce = prefix + struct.pack(">I", number)
        try:
            plain = gcm.decrypt(nonce, blob[at:at + size], header + (b"\x01" if last else b"\x00"))
        except Exception:
            raise ValueError("chunk %d does not authenticate" % number)
        at += size
        if last:
            length, digest = struct.unpack("<Q", plain[:8])[0], plain[8:]
            if length != len(out) or hashlib.sha256(out).digest() != digest:
                raise ValueError("the trailer's size or SHA-256 differs")
        else:
            out += plain
    return bytes(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("out")
    parser.add_argument("--key-file")
    parser.add_argument("--passphrase-env")
    options = parser.parse_args()
    with open(os.path.join(options.folder, "Tessaron-KEYS.json"), encoding="utf-8") as f:
        keys = json.load(f)
    passphrase = os.environ.get(options.passphrase_env) if options.passphrase_env else None
    key_id, key = data_key(keys, options.key_file, passphrase)
    refused = restored = 0
    for root, _, files in os.walk(options.folder):
        for name in sorted(files):
            if not name.endswith(".tenc"):
                continue
            source = os.path.join(root, name)
            target = os.path.join(options.out, os.path.relpath(source, options.folder)[:-len(".tenc")])
            try:
                plain = decrypt(source, key_id, key)
            except ValueError as error:
                print("refused %s: %s" % (source, error), file=sys.stderr)
                refused += 1
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target + ".partial", "wb") as f:
                f.write(plain)
            os.replace(target + ".partial", target)
            restored += 1
    print("restored %d, refused %d" % (restored, refused))
    sys.exit(1 if refused or not restored else 0)


if __name__ == "__main__":
    main()
