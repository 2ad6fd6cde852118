#!/usr/bin/python3
"""An independent Modbus RTU slave for the serial tests, built on pymodbus.

It serves holding registers as slave 1 on a serial device (one end of a socat
pseudo-terminal pair) and prints one line per answered request to standard
output ("served V1 [V2]"), flushed at once, so a test can compare what the
monitor logged with what the slave actually sent.

    modbus_slave.py --port /tmp/x/b --values 250,65336 --registers 2 [--step 1]

--registers N answers every read with N registers, whatever count was asked
for: a sensor that sends two registers to a request for one.
--step S adds S to register 0 after each answer, so consecutive readings differ.
"""
import argparse
import asyncio
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.server import StartAsyncSerialServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port", required=True)
    ap.add_argument("--values", default="250")
    ap.add_argument("--registers", type=int, default=0, help="registers per answer (0: as asked)")
    ap.add_argument("--step", type=int, default=0)
    args = ap.parse_args()

    values = [int(v, 0) for v in args.values.split(",")]
    block = ModbusSequentialDataBlock(0, values + [0] * 8)
    store = ModbusSlaveContext(hr=block, zero_mode=True)
    context = ModbusServerContext(slaves={1: store}, single=False)

    def manipulate(response):
        regs = getattr(response, "registers", None)
        if regs is not None:
            if args.registers > 0:
                current = block.getValues(0, args.registers)
                response.registers = list(current)
            print("served " + " ".join(str(r) for r in response.registers), flush=True)
            if args.step:
                block.setValues(0, [(block.getValues(0, 1)[0] + args.step) & 0xFFFF])
        return response, False

    async def run():
        server = await StartAsyncSerialServer(
            context=context,
            framer=ModbusRtuFramer,
            port=args.port,
            baudrate=9600,
            response_manipulator=manipulate,
            defer_start=True,
        )
        await server.start()
        if server.transport is None:
            print("cannot open " + args.port, file=sys.stderr, flush=True)
            return 1
        print("ready", flush=True)
        await server.serve_forever()
        return 0

    try:
        return asyncio.run(run())
    except KeyboardInterrupt:
        return 0


if __name__ == "__main__":
    sys.exit(main())
