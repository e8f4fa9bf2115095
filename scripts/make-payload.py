#!/usr/bin/env python3
"""Writes the stand-in for the product's compiled setup script: 192437 bytes that begin with
"aLuZ", then a small header and deterministic filler. The real script is product data; this file
only has to be carried and written byte for byte. Committed as res/setup.inx."""
import struct
import sys

SIZE = 192437


def main(path):
    data = bytearray(b'aLuZ')
    data += struct.pack('<HHI', 1, 5, SIZE)
    data += b'NebuLark 5 setup script (stand-in)\0'
    state = 0x2F6B1D37
    while len(data) < SIZE:
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        data.append((state >> 16) & 0xFF)
    with open(path, 'wb') as f:
        f.write(bytes(data[:SIZE]))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/setup.inx')
