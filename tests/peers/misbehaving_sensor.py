#!/usr/bin/python3
"""A scripted Modbus RTU sensor that misbehaves on purpose, for the fault tests.

It listens on a serial device (one end of a socat pseudo-terminal pair) for
the monitor's read request 01 03 00 00 00 01 84 0A and answers each request
with the next step of a script:

    good              a well-formed reply, one register (01 03 02 hi lo crc crc)
    two               a well-formed reply with two registers (9 bytes)
    silent            no answer at all
    split             a good reply in two pieces: the first SPLIT bytes at once,
                      the rest later (see --delay-ms)
    damaged           a good reply with its last CRC byte changed
    exception         the exception reply 01 83 02 C0 F1
    foreign-address   a reply from slave 17, CRC valid
    foreign-function  a reply with function code 4, CRC valid
    foreign-count     a reply whose byte count says 9, CRC valid
    noise             a burst of NOISE random bytes (seeded) instead of a reply
    late              a good reply sent later (see --delay-ms)
    double            two good replies written at once

A step may carry an argument after ":": split:3, noise:5, good:1234 (an
explicit raw value). Steps without an explicit value take the next value of a
counter starting at --first, so every reply carries a value of its own. When
the script runs out the sensor answers "good" (or starts over with --repeat).

Delayed bytes (the rest of a split reply, a late reply) go out --delay-ms after
the request, or at the latest just before the answer to the next request, as
bytes that are still in the sensor's output when it answers again. With
--delay-ms 0 they wait for the next request.

Standard output, flushed line by line:

    ready                      the device is open
    served <v1> [<v2>] [(how)] a frame with a valid CRC and these raw register
                               values has gone out completely
    answer <n> <step>          request n (from 1) has been answered by that
                               step: what goes out at once has been written

so a test can check that the monitor never logs a reading the sensor did not
send.

    misbehaving_sensor.py --port /tmp/x/b --script good,split,good,damaged
"""
import argparse
import collections
import os
import random
import select
import sys
import time

import serial

REQUEST = bytes.fromhex("010300000001840A")


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return bytes([crc & 0xFF, crc >> 8])


def frame(values, address=1, function=3, count=None):
    body = bytes([address, function, 2 * len(values) if count is None else count])
    for v in values:
        body += bytes([(v >> 8) & 0xFF, v & 0xFF])
    return body + crc16(body)


class Sensor:
    def __init__(self, args):
        self.args = args
        self.script = [s for s in args.script.split(",") if s]
        self.step_index = 0
        self.value = args.first
        self.requests = 0
        self.rng = random.Random(args.seed)
        # (due time or None for "with the next answer", bytes, served line or None)
        self.pending = collections.deque()
        self.port = serial.Serial(args.port, 9600, timeout=0)

    def say(self, line):
        print(line, flush=True)

    def next_value(self, arg):
        if arg:
            return int(arg, 0) & 0xFFFF
        v = self.value
        self.value = (self.value + 1) & 0xFFFF
        return v

    def next_step(self):
        if self.step_index < len(self.script):
            step = self.script[self.step_index]
        elif self.args.repeat and self.script:
            step = self.script[self.step_index % len(self.script)]
        else:
            step = "good"
        self.step_index += 1
        return step

    def write(self, data, served=None):
        if data:
            self.port.write(data)
            self.port.flush()
        if served:
            self.say(served)

    def release(self, everything):
        now = time.monotonic()
        while self.pending:
            due, data, served = self.pending[0]
            if not everything and (due is None or due > now):
                break
            self.pending.popleft()
            self.write(data, served)

    def later(self, data, served=None):
        due = time.monotonic() + self.args.delay_ms / 1000.0 if self.args.delay_ms > 0 else None
        self.pending.append((due, data, served))

    def answer(self):
        self.requests += 1
        # Whatever is still due goes out first: the sensor answers in order.
        self.release(everything=True)
        step = self.next_step()
        kind, _, arg = step.partition(":")
        if kind == "good":
            v = self.next_value(arg)
            self.write(frame([v]), "served %d" % v)
        elif kind == "two":
            v1 = self.next_value(None)
            v2 = self.next_value(None)
            self.write(frame([v1, v2]), "served %d %d" % (v1, v2))
        elif kind == "silent":
            pass
        elif kind == "split":
            v = self.next_value(None)
            f = frame([v])
            cut = int(arg) if arg else self.args.split
            self.write(f[:cut])
            self.later(f[cut:], "served %d (split)" % v)
        elif kind == "damaged":
            v = self.next_value(arg)
            f = bytearray(frame([v]))
            f[-1] ^= 0x01
            self.write(bytes(f))
        elif kind == "exception":
            self.write(bytes.fromhex("018302C0F1"))
        elif kind == "foreign-address":
            v = self.next_value(arg)
            self.write(frame([v], address=17), "served %d (address 17)" % v)
        elif kind == "foreign-function":
            v = self.next_value(arg)
            self.write(frame([v], function=4), "served %d (function 4)" % v)
        elif kind == "foreign-count":
            v = self.next_value(arg)
            self.write(frame([v], count=9), "served %d (count 9)" % v)
        elif kind == "noise":
            n = int(arg) if arg else self.args.noise
            self.write(bytes(self.rng.randrange(256) for _ in range(n)))
        elif kind == "late":
            v = self.next_value(arg)
            self.later(frame([v]), "served %d (late)" % v)
        elif kind == "double":
            v1 = self.next_value(None)
            v2 = self.next_value(None)
            self.write(frame([v1]) + frame([v2]), "served %d (double)\nserved %d (double)" % (v1, v2))
        else:
            print("unknown step " + step, file=sys.stderr, flush=True)
        # Last, so that a reader who sees it knows the answer is on the line.
        self.say("answer %d %s" % (self.requests, step))

    def run(self):
        self.say("ready")
        received = b""
        fd = self.port.fileno()
        while True:
            timeout = 0.5
            if self.pending and self.pending[0][0] is not None:
                timeout = max(0.0, self.pending[0][0] - time.monotonic())
            readable, _, _ = select.select([fd], [], [], timeout)
            self.release(everything=False)
            if not readable:
                continue
            try:
                chunk = os.read(fd, 256)
            except OSError:
                return 0  # the other end is gone
            if not chunk:
                return 0
            received += chunk
            while True:
                at = received.find(REQUEST)
                if at < 0:
                    # Keep only what could still begin a request.
                    received = received[-(len(REQUEST) - 1):]
                    break
                received = received[at + len(REQUEST):]
                self.answer()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    ap.add_argument("--script", default="good")
    ap.add_argument("--repeat", action="store_true", help="start the script over when it runs out")
    ap.add_argument("--first", type=lambda s: int(s, 0), default=100, help="first raw value")
    ap.add_argument("--delay-ms", type=float, default=0.0)
    ap.add_argument("--split", type=int, default=4, help="bytes of a split reply sent at once")
    ap.add_argument("--noise", type=int, default=13, help="bytes in a burst of noise")
    ap.add_argument("--seed", type=int, default=1)
    args = ap.parse_args()
    try:
        sensor = Sensor(args)
    except serial.SerialException as e:
        print("cannot open %s: %s" % (args.port, e), file=sys.stderr, flush=True)
        return 1
    try:
        return sensor.run()
    except KeyboardInterrupt:
        return 0


if __name__ == "__main__":
    sys.exit(main())
