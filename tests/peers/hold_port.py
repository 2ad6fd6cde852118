#!/usr/bin/python3
"""Another program on a serial device: opens it the way pyserial does with
exclusive=True (an flock on the device) and holds it until terminated.

    hold_port.py --port /tmp/x/a

Prints "ready" once it holds the device, or "busy <reason>" and exits 1 when
the device is taken or missing.
"""
import argparse
import sys
import time

import serial


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    args = ap.parse_args()
    try:
        port = serial.Serial(args.port, 9600, exclusive=True)
    except (serial.SerialException, OSError) as e:
        print("busy " + str(e), flush=True)
        return 1
    print("ready", flush=True)
    try:
        while True:
            time.sleep(1)
    except KeyboardInterrupt:
        pass
    port.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
