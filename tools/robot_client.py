#!/usr/bin/env python3
"""A small client of Velkari's robot data server (127.0.0.1, port 2001).

    python3 tools/robot_client.py joints          # six joint values, degrees
    python3 tools/robot_client.py name            # the robot description file
    python3 tools/robot_client.py robot           # the file, then the 4000-value record
    python3 tools/robot_client.py send 0 0 0 0 0 0  10 20 30 0 45 90
                                                  # play these positions (six values each)
    python3 tools/robot_client.py send --rows 7 ...   # a program, instruction code first

Python 3 standard library only. The server speaks Qt's QDataStream format:
big-endian, qint32 integers, 8-byte IEEE doubles, QString as a quint32 byte
count followed by UTF-16BE code units. One request per connection; the
server closes the connection after its reply. docs/robot-data-server.md
describes the protocol in full.
"""

import argparse
import socket
import struct
import sys

HOST = "127.0.0.1"  # the server listens on the loopback address only
DEFAULT_PORT = 2001
RECORD_SIZE = 4000
NULL_STRING = 0xFFFFFFFF


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def command_request(text):
    # rows = cols = 0 announces a command instead of an array.
    return struct.pack(">ii", 0, 0) + qstring(text)


def array_request(rows, columns):
    """columns: a list of columns, each `rows` numbers long."""
    body = b"".join(struct.pack(">d", float(v)) for column in columns for v in column)
    return struct.pack(">ii", rows, len(columns)) + body


def exchange(port, payload, timeout):
    """Sends one request and returns every byte until the server closes.

    The sending side is not shut down early: the server takes a half-closed
    connection for a client that has left, and would not reply."""
    with socket.create_connection((HOST, port), timeout=timeout) as sock:
        sock.sendall(payload)
        chunks = []
        while True:
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            chunks.append(chunk)
        return b"".join(chunks)


class Reply:
    def __init__(self, data):
        self.data = data
        self.pos = 0

    def _take(self, n):
        if self.pos + n > len(self.data):
            raise ValueError("the reply ended early")
        part = self.data[self.pos:self.pos + n]
        self.pos += n
        return part

    def double(self):
        return struct.unpack(">d", self._take(8))[0]

    def string(self):
        (length,) = struct.unpack(">I", self._take(4))
        if length == NULL_STRING:
            return None
        return self._take(length).decode("utf-16-be")

    def expect_end(self):
        if self.string() != "END":
            raise ValueError('the reply does not close with "END"')


def fail(message):
    print("robot_client: " + message, file=sys.stderr)
    return 1


def ask(port, text, timeout):
    data = exchange(port, command_request(text), timeout)
    if not data:
        raise ValueError("no reply (is a robot loaded in Velkari?)")
    return Reply(data)


def number(v):
    return format(v, ".17g")


def main(argv=None):
    parser = argparse.ArgumentParser(description="Client of Velkari's robot data server.")
    parser.add_argument("--port", type=int, default=DEFAULT_PORT)
    parser.add_argument("--timeout", type=float, default=10.0, help="seconds per request")
    sub = parser.add_subparsers(dest="what", required=True)
    sub.add_parser("joints", help="print the six joint values (degrees)")
    sub.add_parser("name", help="print the path of the robot description file")
    sub.add_parser("robot", help="print the path, then the 4000 record values, one per line")
    send = sub.add_parser("send", help="send positions (or a program) to play")
    send.add_argument("--rows", type=int, default=6,
                      help="values per column: 6 for joint positions, 7 or more for a program")
    send.add_argument("values", nargs="+", type=float)
    args = parser.parse_args(argv)

    try:
        if args.what == "joints":
            reply = ask(args.port, "GET_JOINTS", args.timeout)
            joints = [reply.double() for _ in range(6)]
            reply.expect_end()
            print(" ".join(number(v) for v in joints))
        elif args.what == "name":
            reply = ask(args.port, "GET_ROBOT_NAME", args.timeout)
            path = reply.string()
            reply.expect_end()
            print(path)
        elif args.what == "robot":
            reply = ask(args.port, "GET_ROBOT", args.timeout)
            path = reply.string()
            record = [reply.double() for _ in range(RECORD_SIZE)]
            reply.expect_end()
            print(path)
            print("\n".join(number(v) for v in record))
        else:
            if args.rows < 6:
                return fail("the server plays only columns of 6 or more rows")
            if len(args.values) % args.rows != 0:
                return fail("%d values are not whole columns of %d" % (len(args.values), args.rows))
            columns = [args.values[k:k + args.rows]
                       for k in range(0, len(args.values), args.rows)]
            # No reply comes for an array; the server closes once it has it.
            exchange(args.port, array_request(args.rows, columns), args.timeout)
            # The protocol has no acknowledgement: the server closing the
            # connection says only that it stopped listening, not that the
            # player took the array (a refused or oversized one is dropped
            # just as silently).
            print("%d column(s) of %d rows written; the server closed the connection "
                  "without reply (the protocol confirms nothing)" % (len(columns), args.rows))
    except (OSError, ValueError) as e:
        return fail(str(e))
    return 0


if __name__ == "__main__":
    sys.exit(main())
