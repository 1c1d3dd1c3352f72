#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

snapshot_stream: the first messages a client got from quorvale-server --record (one
and twelve units), each also as a "scripted" copy whose unused bytes carry the fuzz
target's frame script, and streams made here for the target's 64x48 map (units that move,
ids that leave and come back, units on edges and borders, keys and buttons held).
replay_file: recordings of the server, whole and cut. server_options: command lines, one
argument per NUL-separated part. map_picture: PNG maps, and the form the target builds
PNGs from (see fuzz/README.md). picture_file: the game's unit pictures, a BMP, and the
damaged files that once hung both programs. Usage, from the repository root:
fuzz/make_corpus.py
"""
import os
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tools"))
from pngwrite import png_bytes  # noqa: E402

MESSAGE = 1024
INPUT_AT = 8 + 63 * 16  # the frame script's held input: the last 8 bytes
MESSAGES_PER_SEED = 8
PORT = 21977  # not the client's port, so a game running here is not disturbed
WORLDS = [(12, 2), (1, 3)]
LAND, WATER, ROCK = (128, 128, 0), (0, 128, 255), (96, 96, 96)


def built_server():
    """The server of the build the presets call play, as CMakePresets.json declares it."""
    folder = subprocess.run(["cmake", "-P", "cmake/preset_build_dir.cmake", "play"],
                            check=True, capture_output=True, text=True).stdout.strip()
    return os.path.join(folder, "quorvale-server")


def record(units, seed, path):
    """Runs the server with --record while one reader takes MESSAGES_PER_SEED messages."""
    server = subprocess.Popen(
        [built_server(), "--port", str(PORT), "--units", str(units), "--seed",
         str(seed), "--rate", "100", "--quiet", "--record", path])
    try:
        for _ in range(50):
            try:
                reader = socket.create_connection(("127.0.0.1", PORT))
                break
            except OSError:
                time.sleep(0.1)
        else:
            sys.exit("make_corpus: the server never listened on port %d" % PORT)
        got = b""
        while len(got) < MESSAGES_PER_SEED * MESSAGE:
            chunk = reader.recv(65536)
            if not chunk:
                break
            got += chunk
        reader.close()
    finally:
        server.send_signal(signal.SIGTERM)
        server.wait(timeout=10)
    with open(path, "rb") as recorded:
        return recorded.read()[:MESSAGES_PER_SEED * MESSAGE]


def script(flags, ms, select, target, held=b""):
    """Bytes 1..7 of a message and its held input (keys, number key, buttons, pointer)."""
    return (bytes([flags, ms, select & 0xFF]) + struct.pack("<hh", *target),
            held.ljust(8, b"\0"))


def message(records, frame=None, count=None):
    out = bytearray(MESSAGE)
    out[0] = (len(records) if count is None else count) & 0xFF
    for i, (x, y, heading, speed, kind, unit_id) in enumerate(records):
        out[8 + 16 * i:24 + 16 * i] = struct.pack("<ffhhhh", x, y, heading, speed, kind, unit_id)
    if frame:
        out[1:8], out[INPUT_AT:] = frame
    return bytes(out)


def scripted(stream):
    """The same stream with a frame script in each message's unused bytes."""
    out = bytearray(stream)
    for n in range(len(out) // MESSAGE):
        at = n * MESSAGE
        # Two unit passes of 30 ms, a shot pass, a draw, both weapons; select n % 3;
        # aim at (320 + 16n, 240).
        out[at + 1] = (2 << 5) | 0x10 | 0x08 | 0x04 | 0x02
        out[at + 2] = 30
        out[at + 3] = n % 3
        out[at + 4:at + 8] = (320 + 16 * n).to_bytes(2, "little") + (240).to_bytes(2, "little")
    return bytes(out)


def held(keys=0, number=0, buttons=0, pointer=(0, 0)):
    return bytes([keys, number, buttons]) + struct.pack("<hh", *pointer)


ALL_STEPS = (2 << 5) | 0x1E  # two unit passes, shot pass, draw, both weapons


def small_map_streams():
    """Streams for the fuzz target's own 64x48 map."""
    moving = [(10.5, 10.5, 90, 2, 0, 1), (30.5, 10.5, 0, 3, 3, 2), (40.5, 40.5, 45, 5, 2, 3),
              (5.5, 40.5, 180, 2, 1, 4), (20.5, 20.5, 270, 0, 7, 5), (50.5, 5.5, 10, 6, 6, 6)]
    units6 = b"".join(
        message([(x + n, y, h, s, t, i) for x, y, h, s, t, i in moving],
                script(ALL_STEPS, 30, n % 3, (20 + n, 20), held(4, 0, 1, (100, 100))))
        for n in range(8))
    # Ids 1..4 leave, come back and swap places; a count of 0 empties the list, -1 too.
    lists = [[1, 2, 3], [2, 3], [3, 2, 1, 4], [], [1], [4, 1], [1, 2, 3, 4], [2]]
    counts = [None, None, None, 0, None, None, None, None]
    churn = b""
    for n, ids in enumerate(lists):
        records = [(8.5 + 4 * i, 12.5, 30 * i, 1, i % 8, i) for i in ids]
        churn += message(records, script(ALL_STEPS | 0x01 * (n == 5), 50, 0, (12, 12),
                                          held(0, 1 + n % 3, 3, (12, 12))), counts[n])
    churn += message([], script(0x04, 0, -1, (0, 0)), count=0xFF)
    # Units on the map's edges and the terrain borders, at the speed limits, steered.
    edges = [(0.0, 0.0, 0, 5, 0, 1), (23.99, 10.0, 90, -6, 1, 2), (24.0, 31.99, 180, 10, 3, 3),
             (47.99, 36.0, 359, 25, 2, 4), (63.99, 47.99, 360, 100, 7, 5),
             (64.0, 48.0, -1, -100, 6, 6), (-0.5, 20.0, 45, 15, 5, 7), (12.0, 35.5, 270, 12, 4, 8)]
    border = b"".join(
        message(edges, script(ALL_STEPS, 51, n, (63, 47),
                              held([0x01 | 0x04, 0x02 | 0x08, 0x10, 0x20][n % 4], 1 + n, 1,
                                   (639, 479))))
        for n in range(6))
    return {"small-units6": units6, "small-churn": churn, "small-edges-held-keys": border}


def replay_seeds(recorded):
    """Recordings, whole, one message, and cut short of a whole message."""
    return {"two-messages": recorded[:2 * MESSAGE], "one-message": recorded[:MESSAGE],
            "cut-message": recorded[:MESSAGE + 100], "empty": b""}


def option_seeds():
    lines = [
        ["--port", "21001", "--units", "63", "--rate", "100", "--seed", "7", "--quiet"],
        ["--units=1", "--rate=1", "--seed=18446744073709551615", "--duration", "0.5"],
        ["--bind", "::1", "--map", "gfx\\map1.png", "--record", "out.rec"],
        ["--replay", "in.rec", "--rate", "12.5"],
        ["--replay=in.rec", "--units", "3"],
        ["--help"],
        ["--port", "0"],
        ["--rate", "nan"],
        ["--bind"],
        ["-x"],
    ]
    return {"line%d" % n: b"\0".join(arg.encode() for arg in line) for n, line in enumerate(lines)}


def map_seeds():
    """Whole PNG maps (mode byte 0), and the target's built form (mode byte 1)."""
    def picture(width, height, colour_at):
        rgb = bytearray()
        for y in range(height):
            for x in range(width):
                rgb += bytes(colour_at(x, y))
        return png_bytes(width, height, bytes(rgb))

    shores = picture(256, 256, lambda x, y: LAND if x < 100 else WATER if y < 200 else ROCK)
    tiny = picture(3, 2, lambda x, y: LAND if x else WATER)
    no_terrain = picture(256, 256, lambda x, y: ROCK)
    one_land_pixel = picture(256, 256, lambda x, y: LAND if (x, y) == (128, 128) else WATER)

    def built(width, height, depth, colour_type, rest):
        """The target's built form: sizes, then indexes into PNG's depths and colour types."""
        return bytes([1]) + struct.pack("<HHBBBB", width, height, [1, 2, 4, 8, 16].index(depth),
                                        [0, 2, 3, 4, 6].index(colour_type), 0, 11) + rest

    palette = bytes(LAND + WATER + ROCK)
    damaged = {name: b"\0" + data for name, data in damaged_pictures().items()}
    return dict(damaged, **{"shores-256": b"\0" + shores, "tiny-3x2": b"\0" + tiny,
            "no-terrain-256": b"\0" + no_terrain, "one-land-pixel": b"\0" + one_land_pixel,
            "built-palette-300x256": built(300, 256, 8, 3, bytes([3]) + palette + b"\0\1\2" * 50),
            "built-grey16-257x260": built(257, 260, 16, 0, bytes([0]) + b"\x80\x00\x10" * 40),
            "built-rgba-16000x1": built(16000, 1, 8, 6, bytes([0]) + b"\x80\x80\x00\xff" * 20)})


def png_chunk(kind, data, length=None):
    """A PNG chunk; `length` makes its length field lie."""
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data) if length is None else length) + kind + data + \
        struct.pack(">I", crc)


def bmp_bytes(width, height, colour_at):
    """A 24-bit BMP as SDL writes one: rows bottom-up, each padded to four bytes."""
    row_bytes = (width * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        pixels += row + b"\0" * (row_bytes - len(row))
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835,
                         0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 54) + header + \
        bytes(pixels)


# An over-long chunk of these types made SDL_image's PNG reader loop for ever; of the
# stalling ones, it took seconds to refuse the file.
LOOPING_CHUNKS = [b"bKGD", b"cHRM", b"gAMA", b"pHYs", b"sRGB", b"tEXt", b"tIME", b"zTXt"]
STALLING_CHUNKS = [b"iTXt", b"sCAL", b"sPLT"]


def damaged_pictures():
    """PNGs cut or lying in the ways that hung or stalled the game, named for how."""
    signature = b"\x89PNG\r\n\x1a\n"
    header = png_chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 2, 0, 0, 0))
    seeds = {}
    for kinds, outcome in ((LOOPING_CHUNKS, "hung"), (STALLING_CHUNKS, "stalled")):
        for kind in kinds:
            seeds["%s-overlong-%s" % (outcome, kind.decode())] = \
                signature + header + struct.pack(">I", 0x7FFFFFF0) + kind + b"\0" * 16
    whole = png_bytes(4, 4, bytes(LAND) * 16)
    seeds["damaged-no-iend"] = whole[:-12]
    seeds["damaged-cut-in-idat"] = whole[:len(whole) - 20]
    return seeds


def picture_seeds():
    """The game's unit pictures, a BMP map, and the damaged files."""
    seeds = {}
    for name in sorted(os.listdir("gfx")):
        if name.endswith(".png") and name != "map1.png":
            with open(os.path.join("gfx", name), "rb") as picture:
                seeds["game-" + name] = picture.read()
    seeds["bmp-shores-64x48"] = bmp_bytes(64, 48, lambda x, y: LAND if x < 24 else WATER)
    seeds.update(damaged_pictures())
    return seeds


def write_seeds(target, seeds):
    folder = os.path.join("fuzz", "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as seed_file:
            seed_file.write(data)
    print("fuzz/corpus/%s: %d seeds" % (target, len(seeds)))


def main():
    if not os.access(built_server(), os.X_OK):
        sys.exit("make_corpus: build the server first (%s)" % built_server())
    streams = {}
    for units, seed in WORLDS:
        with tempfile.TemporaryDirectory() as folder:
            stream = record(units, seed, os.path.join(folder, "recorded"))
        if len(stream) < MESSAGE:
            sys.exit("make_corpus: the server sent less than one message")
        name = "server-units%d-seed%d" % (units, seed)
        streams[name] = stream
        streams[name + "-scripted"] = scripted(stream)
    streams.update(small_map_streams())
    write_seeds("snapshot_stream", streams)
    write_seeds("replay_file", replay_seeds(streams["server-units12-seed2"]))
    write_seeds("server_options", option_seeds())
    write_seeds("map_picture", map_seeds())
    write_seeds("picture_file", picture_seeds())


if __name__ == "__main__":
    main()
