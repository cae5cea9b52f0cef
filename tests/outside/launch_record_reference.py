#!/usr/bin/env python3
"""An independent reference for the launch record's transport form, used by
the tests to check the C++ codec from outside.

  launch_record_reference.py encode <record text>   -> encoded text
  launch_record_reference.py decode <encoded text>  -> record text (exit 1 if refused)
"""
import base64
import binascii
import struct
import sys

DELTA = 0x9E3779B9
MASK = 0xFFFFFFFF


def key_words(text):
    raw = text.encode()[:16].ljust(16, b"\0")
    return list(struct.unpack("<4I", raw))


def mx(y, z, total, p, e, k):
    return ((((z >> 5) ^ (y << 2) & MASK) + ((y >> 3) ^ (z << 4) & MASK)) & MASK) ^ (
        ((total ^ y) + (k[(p & 3) ^ e] ^ z)) & MASK)


def encrypt(v, k):
    n = len(v)
    if n < 2:
        return v
    rounds = 6 + 52 // n
    total = 0
    z = v[n - 1]
    for _ in range(rounds):
        total = (total + DELTA) & MASK
        e = (total >> 2) & 3
        for p in range(n):
            y = v[(p + 1) % n]
            v[p] = (v[p] + mx(y, z, total, p, e, k)) & MASK
            z = v[p]
    return v


def decrypt(v, k):
    n = len(v)
    if n < 2:
        return v
    rounds = 6 + 52 // n
    total = (rounds * DELTA) & MASK
    y = v[0]
    for _ in range(rounds):
        e = (total >> 2) & 3
        for p in range(n - 1, -1, -1):
            z = v[(p - 1) % n]
            v[p] = (v[p] - mx(y, z, total, p, e, k)) & MASK
            y = v[p]
        total = (total - DELTA) & MASK
    return v


def encode(record):
    data = record.encode("latin-1")
    n = (len(data) + 3) // 4
    words = list(struct.unpack("<%dI" % n, data.ljust(4 * n, b"\0"))) + [len(data)]
    words = encrypt(words, key_words("9313"))
    return base64.b64encode(struct.pack("<%dI" % len(words), *words)).decode()


def decode(text):
    raw = base64.b64decode(text, validate=True)
    if len(raw) % 4 or len(raw) < 8:
        raise ValueError("length")
    words = decrypt(list(struct.unpack("<%dI" % (len(raw) // 4), raw)), key_words("9313"))
    length = words[-1]
    if (length + 3) // 4 != len(words) - 1:
        raise ValueError("length word")
    return struct.pack("<%dI" % (len(words) - 1), *words[:-1])[:length].decode("latin-1")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("encode", "decode"):
        sys.exit(__doc__)
    try:
        out = encode(sys.argv[2]) if sys.argv[1] == "encode" else decode(sys.argv[2])
    except (ValueError, binascii.Error) as error:
        print("refused: %s" % error, file=sys.stderr)
        sys.exit(1)
    sys.stdout.write(out)
