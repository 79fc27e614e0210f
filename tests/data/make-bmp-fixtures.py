#!/usr/bin/env python3
"""Writes the BMP fixtures: tests/data/bad/ (one damaged file per hazard, each
named after it; the reader must fail cleanly on every one), tests/data/short/
(pixel data that ends early; read with the missing pixels black) and the seed corpus
of fuzz_bmp_reader (small valid files of every layout). Run from anywhere;
the outputs are committed, so this only needs running when a recipe changes."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BAD = os.path.join(HERE, 'bad')
SHORT = os.path.join(HERE, 'short')
SEEDS = os.path.join(HERE, '..', 'fuzz-corpus', 'fuzz_bmp_reader')


def info(width, height, bpp, compression=0, image_size=0, clr_used=0, size=40):
    # size, width, height, planes, bpp, compression, image size, x/y pixels per metre, colours used, important
    h = struct.pack('<IiiHHIIiiII', size, width, height, 1, bpp, compression, image_size, 2835, 2835, clr_used, 0)
    return h + bytes(max(0, size - 40))


def bmp(dib, bits_offset=None, declared_size=None):
    """File header ("BM", size, reserved, offset of the bits from the file start) + DIB."""
    offset = 14 + (bits_offset if bits_offset is not None else 40)
    size = declared_size if declared_size is not None else 14 + len(dib)
    return b'BM' + struct.pack('<IHHI', size, 0, 0, offset) + dib


def palette(*rgb):
    return b''.join(struct.pack('<BBBB', c & 0xff, (c >> 8) & 0xff, c >> 16, 0) for c in rgb)


SHORT_FILES = {
    # 100 x 100 at 24 bpp needs 30,000 bytes of pixels; 10 are there.
    'pixels_past_end_of_file.bmp': bmp(info(100, 100, 24) + bytes(10)),
    # The pixels are said to start 4 GiB into a 70-byte file.
    'pixel_offset_past_end_of_file.bmp': b'BM' + struct.pack('<IHHI', 70, 0, 0, 0xffffff00) + info(1, 1, 24) + bytes(4),
}

BAD_FILES = {
    # 65536 x 65536: the pixel count overflows 32 bits and passes every ceiling.
    'width_times_height_overflows_32_bits.bmp': bmp(info(0x10000, 0x10000, 24) + bytes(16)),
    # Run-length data is tiny whatever the size: 2^20 x 2^20 must not be allocated.
    'absurd_dimensions_rle8.bmp': bmp(info(1 << 20, 1 << 20, 8, 1, 4) + palette(0xffffff) + b'\x00\x01'),
    # Colours used 2^30 at 8 bpp: 256 entries can be indexed, 4 are there.
    'colour_table_past_end_of_file.bmp': bmp(info(2, 2, 8, clr_used=0x40000000) + palette(1, 2, 3, 4), 40 + 16),
    # A file header and nothing else.
    'file_header_only.bmp': bmp(b''),
    # An info header of 20 bytes exists in no version of the format.
    'unknown_info_header_size.bmp': bmp(struct.pack('<IiiHH', 20, 1, 1, 1, 24) + bytes(12), 20),
    'zero_width.bmp': bmp(info(0, 4, 24) + bytes(16)),
    'negative_width.bmp': bmp(info(-4, 4, 24) + bytes(64)),
    'zero_height.bmp': bmp(info(4, 0, 24) + bytes(16)),
    'most_negative_height.bmp': bmp(info(1, -0x80000000, 24) + bytes(16)),
    'seven_bits_per_pixel.bmp': bmp(info(4, 4, 7) + bytes(64)),
    # Run-length bitmaps are bottom-up by definition.
    'top_down_rle8.bmp': bmp(info(2, -2, 8, 1, 2) + palette(0, 0xffffff) + b'\x00\x01', 40 + 8),
    # Bit-field masks exist for 16 and 32 bpp only.
    'bit_fields_at_24_bpp.bmp': bmp(info(1, 1, 24, 3) + bytes(16), 52),
    # 2^31 - 1 pixels wide at 32 bpp: the row stride alone overflows 32 bits.
    'stride_overflows_32_bits.bmp': bmp(info(0x7fffffff, 1, 32) + bytes(16)),
    # RLE8 with a 4-bit pixel size.
    'rle8_at_4_bpp.bmp': bmp(info(2, 2, 4, 1, 2) + palette(0, 1) + b'\x00\x01', 48),
}

SEED_FILES = {
    'pal1.bmp': bmp(info(9, 2, 1) + palette(0, 0xffffff) + bytes([0xa5, 0x80, 0, 0, 0x5a, 0x00, 0, 0]), 48),
    'pal4.bmp': bmp(info(3, 2, 4, clr_used=3) + palette(0xff, 0xff00, 0xff0000) + bytes([0x01, 0x20, 0, 0, 0x21, 0x00, 0, 0]), 52),
    'pal8.bmp': bmp(info(2, 2, 8, clr_used=2) + palette(0x123456, 0xabcdef) + bytes([0, 1, 0, 0, 1, 0, 0, 0]), 48),
    'rle8.bmp': bmp(info(4, 3, 8, 1, 16, 3) + palette(0xff, 0xff00, 0xff0000)
                    + bytes([3, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 2, 1, 1, 0, 1]), 52),
    'rle4.bmp': bmp(info(5, 2, 4, 2, 10, 3) + palette(0xff, 0xff00, 0xff0000)
                    + bytes([5, 0x12, 0, 0, 0, 3, 0x20, 0x10, 0, 1]), 52),
    'rgb555.bmp': bmp(info(2, 1, 16) + bytes([0x00, 0x7c, 0x1f, 0x00])),
    'bitfields565.bmp': bmp(info(2, 1, 16, 3) + struct.pack('<III', 0xf800, 0x07e0, 0x001f) + bytes([0xe0, 0x07, 0x10, 0x84]), 52),
    'rgb24.bmp': bmp(info(1, 2, 24) + bytes([0, 0, 0xff, 0, 0xff, 0, 0, 0])),
    'rgb24_top_down.bmp': bmp(info(1, -2, 24) + bytes([0xff, 0, 0, 0, 0, 0xff, 0, 0])),
    'rgb32.bmp': bmp(info(1, 1, 32) + bytes([1, 2, 3, 4])),
    'bitfields32.bmp': bmp(info(1, 1, 32, 3) + struct.pack('<III', 0xff, 0xff00, 0xff0000) + bytes([1, 2, 3, 0]), 52),
    'core8.bmp': b'BM' + struct.pack('<IHHI', 0, 0, 0, 14 + 12 + 768) + struct.pack('<IHHHH', 12, 2, 1, 1, 8)
                 + bytes([0, 0, 0xff, 0xff, 0, 0]) + bytes(762) + bytes([0, 1, 0, 0]),
    'bare_dib.bmp': info(1, 1, 24) + bytes([1, 2, 3, 0]),
}

for folder, files in ((BAD, BAD_FILES), (SHORT, SHORT_FILES), (SEEDS, SEED_FILES)):
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
