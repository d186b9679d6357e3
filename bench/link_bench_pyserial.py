#!/usr/bin/python3
"""The link bench's yardstick: the same exchanges as the link thread makes
("+v" after a 100 ms pause and a drain, reply up to "OK\\r\\n"), written as a
plain pyserial script. Prints the mean time per exchange beyond the pause.

    link_bench_pyserial.py PORT COUNT
"""
import sys
import time

import serial


def main():
    path, count = sys.argv[1], int(sys.argv[2])
    port = serial.Serial(path, 19200, timeout=4.5)
    port.reset_input_buffer()
    beyond = 0.0
    for _ in range(count):
        start = time.perf_counter()
        time.sleep(0.1)
        port.reset_input_buffer()
        port.write(b"+v\r")
        reply = port.read_until(b"OK\r\n")
        beyond += time.perf_counter() - start - 0.1
        if not reply.endswith(b"OK\r\n"):
            sys.exit("no reply to +v: %r" % reply)
    port.close()
    print("pyserial_overhead_ms %.3f" % (beyond / count * 1000.0))


if __name__ == "__main__":
    main()
