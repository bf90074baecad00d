#!/usr/bin/env python3
"""Writes a movie that spends its frames in scripts: each frame runs a loop of function calls,
property reads and writes, arithmetic and string building, the mix old games and quizzes run.
  script-bench-movie.py OUT.swf [ITERATIONS]   (default 2000 per frame)"""
import struct
import sys


class Asm:
    """Action bytecode with labels for branches."""

    def __init__(self):
        self.out = bytearray()
        self.labels = {}
        self.fixups = []  # (position of the offset, label)

    def op(self, code):
        self.out.append(code)
        return self

    def record(self, code, payload):
        self.out += bytes([code]) + struct.pack("<H", len(payload)) + payload
        return self

    def push(self, *values):
        payload = bytearray()
        for v in values:
            if isinstance(v, str):
                payload += b"\x00" + v.encode() + b"\x00"
            elif isinstance(v, int):
                payload += b"\x07" + struct.pack("<i", v)
            else:
                raise TypeError(v)
        return self.record(0x96, bytes(payload))

    def label(self, name):
        self.labels[name] = len(self.out)
        return self

    def branch(self, code, name):  # 0x99 Jump, 0x9D If
        self.record(code, b"\x00\x00")
        self.fixups.append((len(self.out) - 2, name))
        return self

    def bytes(self):
        for at, name in self.fixups:
            self.out[at:at + 2] = struct.pack("<h", self.labels[name] - (at + 2))
        return bytes(self.out)


GET, SET, GET_MEMBER, SET_MEMBER, ADD2, LESS2, NOT, MODULO, INCREMENT, GREATER = (
    0x1C, 0x1D, 0x4E, 0x4F, 0x47, 0x48, 0x12, 0x3F, 0x50, 0x67)


def setup():
    # function f(a, b) { return a.v + b; }  o = {v: 1};
    body = Asm().push("a").op(GET).push("v").op(GET_MEMBER).push("b").op(GET).op(ADD2).op(0x3E).bytes()
    head = b"f\x00" + struct.pack("<H", 2) + b"a\x00b\x00" + struct.pack("<H", len(body))
    a = Asm().record(0x9B, head)
    a.out += body
    return a.push("o", "v", 1, 1).op(0x43).op(SET).bytes()


def work(iterations):
    a = Asm()
    a.push("i", 0).op(SET).push("s", "").op(SET)
    a.label("loop").push("i").op(GET).push(iterations).op(LESS2).op(NOT).branch(0x9D, "end")
    a.push("t").push("i").op(GET).push("o").op(GET).push(2, "f").op(0x3D).op(SET)  # t = f(o, i)
    a.push("o").op(GET).push("v").push("t").op(GET).push(7).op(MODULO).op(SET_MEMBER)  # o.v = t % 7
    a.push("s").push("s").op(GET).push("x").op(ADD2).op(SET)  # s += "x"
    a.push("s").op(GET).push("length").op(GET_MEMBER).push(100).op(GREATER).op(NOT).branch(0x9D, "skip")
    a.push("s", "").op(SET)
    a.label("skip").push("i").push("i").op(GET).op(INCREMENT).op(SET)
    a.branch(0x99, "loop").label("end")
    # trace(i + "," + o.v + "," + s.length): what the loop left, for a check of the run
    a.push("i").op(GET).push(",").op(ADD2).push("o").op(GET).push("v").op(GET_MEMBER).op(ADD2)
    a.push(",").op(ADD2).push("s").op(GET).push("length").op(GET_MEMBER).op(ADD2).op(0x26)
    return a.bytes()


def expected_trace(iterations):
    """The line each work frame traces (the first one starts from o.v = 1)."""
    v, length = 1, 0
    for i in range(iterations):
        v = (v + i) % 7
        length += 1
        if length > 100:
            length = 0
    return f"{iterations},{v},{length}"


def tag(code, body):
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


def movie(iterations):
    do_action = lambda code: tag(12, code + b"\x00")
    goto_and_play_2 = bytes([0x81, 2, 0, 1, 0, 0x06])  # GotoFrame(1) (0-based), Play
    tags = (tag(9, b"\xff\xff\xff") + do_action(setup()) + tag(1, b"") +
            do_action(work(iterations)) + tag(1, b"") + do_action(goto_and_play_2) + tag(1, b"") + tag(0, b""))
    # 400 x 300 stage: a rectangle of 15-bit fields.
    bits, nbits = 0, 15
    for v in (0, 8000, 0, 6000):
        bits = bits << nbits | v
    rect_bits = 5 + 4 * nbits
    value = (nbits << (4 * nbits)) | bits
    rect = (value << ((8 - rect_bits % 8) % 8)).to_bytes((rect_bits + 7) // 8, "big")
    body = rect + struct.pack("<HH", 24 << 8, 3) + tags
    return b"FWS" + bytes([6]) + struct.pack("<I", 8 + len(body)) + body


if __name__ == "__main__":
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
    with open(sys.argv[1], "wb") as f:
        f.write(movie(count))
    print(expected_trace(count))
