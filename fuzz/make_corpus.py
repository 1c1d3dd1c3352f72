#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus from streams our snapshot server recorded.

Each seed is the first messages a client got from build/quorvale-server --record, for a
few unit counts and seeds. Every seed also comes in a "scripted" form: bytes 1..7 of each
message, which the client never reads, carry the fuzz target's frame script (unit passes,
clock, selection, firing, shot pass, drawing), so the fuzzer starts from frames that do
all of it. Usage, from the repository root: fuzz/make_corpus.py
"""
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time

MESSAGE = 1024
MESSAGES_PER_SEED = 8
PORT = 21977  # not the client's port, so a game running here is not disturbed
WORLDS = [(63, 1), (63, 7), (12, 2), (1, 3), (40, 4)]


def record(units, seed, path):
    """Runs the server with --record while one reader takes MESSAGES_PER_SEED messages."""
    server = subprocess.Popen(
        ["build/quorvale-server", "--port", str(PORT), "--units", str(units), "--seed",
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


def scripted(stream):
    """The same stream with a frame script in each message's unused bytes 1..7."""
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


def main():
    if not os.access("build/quorvale-server", os.X_OK):
        sys.exit("make_corpus: build the server first (build/quorvale-server)")
    os.makedirs("fuzz/corpus", exist_ok=True)
    for units, seed in WORLDS:
        with tempfile.TemporaryDirectory() as folder:
            stream = record(units, seed, os.path.join(folder, "recorded"))
        if len(stream) < MESSAGE:
            sys.exit("make_corpus: the server sent less than one message")
        name = "fuzz/corpus/server-units%d-seed%d" % (units, seed)
        with open(name, "wb") as seed_file:
            seed_file.write(stream)
        with open(name + "-scripted", "wb") as seed_file:
            seed_file.write(scripted(stream))
        print("%s: %d messages" % (name, len(stream) // MESSAGE))


if __name__ == "__main__":
    main()
