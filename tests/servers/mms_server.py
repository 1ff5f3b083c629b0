#!/usr/bin/env python3
"""A fake MMS-over-TCP server for the tests and the benchmark.

Serves one ASF file over the command protocol in the usual order: connect,
funnel info, transport, open file, read block (then the header packets),
stream selection, start playing (then the data packets), end of stream.
Prints "PORT <n>" first, serves --connections connections one after the
other and exits, or exits after --lifetime seconds whatever happens.

--log FILE receives one line per command received: the connection number
and the command's bytes in hex.
"""

import argparse
import os
import random
import socket
import struct
import sys
import threading
import time

SIGNATURE = 0xB00BFACE

C_CONNECT = 0x00030001
C_TRANSPORT = 0x00030002
C_OPEN_FILE = 0x00030005
C_START_PLAYING = 0x00030007
C_READ_BLOCK = 0x00030015
C_FUNNEL_INFO = 0x00030018
C_PONG = 0x0003001B
C_STREAM_SELECT = 0x00030033

R_CONNECTED = 0x00040001
R_TRANSPORT = 0x00040002
R_STARTED_PLAYING = 0x00040005
R_OPEN_FILE = 0x00040006
R_READ_BLOCK = 0x00040011
R_FUNNEL_INFO = 0x00040015
R_PING = 0x0004001B
R_END_OF_STREAM = 0x0004001E
R_STREAM_SELECTED = 0x00040021

HEADER_GUID = bytes.fromhex("3026b2758e66cf11a6d900aa0062ce6c")
DATA_GUID = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")
FILE_PROPS_GUID = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")

FAULTS = ("close-in-header", "close-in-packet", "short-packet", "oversized-length", "silent",
          "garbage")


class Disconnected(Exception):
    pass


# --- the ASF file -----------------------------------------------------------

class AsfSource:
    """The header (header object + the Data object's first 50 bytes) and the
    data packets of a file, read a block of packets at a time."""

    BLOCK = 128  # packets per read

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDONLY)
        size = os.fstat(self.fd).st_size
        first = os.pread(self.fd, 30, 0)
        if first[:16] != HEADER_GUID:
            raise SystemExit("not an ASF file: " + path)
        header_size = struct.unpack_from("<Q", first, 16)[0]
        self.header = os.pread(self.fd, header_size + 50, 0)
        if self.header[header_size:header_size + 16] != DATA_GUID:
            raise SystemExit("no Data object after the header")
        fp = self.header.find(FILE_PROPS_GUID)
        if fp < 0:
            raise SystemExit("no File Properties object")
        self.file_props = fp
        self.packet_size = struct.unpack_from("<I", self.header, fp + 92)[0]
        self.preroll = struct.unpack_from("<I", self.header, fp + 80)[0]
        self.play_duration = struct.unpack_from("<Q", self.header, fp + 64)[0]
        self.data_start = header_size + 50
        count = struct.unpack_from("<Q", self.header, header_size + 40)[0]
        available = (size - self.data_start) // self.packet_size
        self.count = min(count, available) if count else available
        self.bitrate = struct.unpack_from("<I", self.header, fp + 100)[0]

    def packets(self, start, stop):
        """Yields (index, packet) from start up to stop."""
        size = self.packet_size
        for first in range(start, stop, self.BLOCK):
            n = min(self.BLOCK, stop - first)
            block = memoryview(os.pread(self.fd, n * size, self.data_start + first * size))
            for j in range(n):
                yield first + j, block[j * size:(j + 1) * size]

    def live_header(self):
        h = bytearray(self.header)
        fp = self.file_props
        struct.pack_into("<QQQQ", h, fp + 56, 0, 0, 0, 0)  # packets, play, send, (preroll kept below)
        struct.pack_into("<Q", h, fp + 80, self.preroll)
        struct.pack_into("<Q", h, fp + 40, 0)  # file size unknown
        struct.pack_into("<I", h, fp + 88, 1)  # broadcast
        data = len(h) - 50
        struct.pack_into("<Q", h, data + 16, 50)
        struct.pack_into("<Q", h, data + 40, 0)
        return bytes(h)


def _by_type(buf, at, kind):
    if kind == 1:
        return buf[at], at + 1
    if kind == 2:
        return struct.unpack_from("<H", buf, at)[0], at + 2
    if kind == 3:
        return struct.unpack_from("<I", buf, at)[0], at + 4
    return 0, at


def shift_times(packet, packet_size, delta):
    """The packet with delta added to its send time and to the presentation
    time of each payload (what a broadcast far into its run looks like)."""
    p = bytearray(packet)
    if p[0] != 0x82 or p[1] or p[2]:
        return bytes(p)
    flags, props = p[3], p[4]
    at = 5
    length, at = _by_type(p, at, (flags >> 5) & 3)
    _, at = _by_type(p, at, (flags >> 1) & 3)
    padding, at = _by_type(p, at, (flags >> 3) & 3)
    if (flags >> 5) & 3 == 0:
        length = packet_size
    struct.pack_into("<I", p, at, (struct.unpack_from("<I", p, at)[0] + delta) & 0xFFFFFFFF)
    at += 6
    multiple = flags & 1
    count = 1
    if multiple:
        count = p[at] & 0x3F
        at += 1
    end = length - padding
    for _ in range(count):
        _, at = _by_type(p, at, props >> 6)
        _, at = _by_type(p, at, (props >> 4) & 3)
        _, at = _by_type(p, at, (props >> 2) & 3)
        replicated, at = _by_type(p, at, props & 3)
        if replicated >= 8:
            t = struct.unpack_from("<I", p, at + 4)[0]
            struct.pack_into("<I", p, at + 4, (t + delta) & 0xFFFFFFFF)
        at += replicated
        if multiple:
            size, at = _by_type(p, at, 2)
        else:
            size = end - at
        at += size
    return bytes(p)


def trim_padding(packet):
    """The packet without its trailing zero bytes (servers need not send
    the padding; the client restores it)."""
    b = bytes(packet).rstrip(b"\0")
    return b if b else bytes(packet[:1])


# --- the wire -----------------------------------------------------------------

class Wire:
    """One connection: exact reads, and writes that may be cut into pieces."""

    def __init__(self, sock, piece):
        self.sock = sock
        self.piece = piece
        self.pending = []
        self.pending_size = 0

    def recv_exact(self, n):
        chunks = []
        while n > 0:
            chunk = self.sock.recv(n)
            if not chunk:
                raise Disconnected()
            chunks.append(chunk)
            n -= len(chunk)
        return b"".join(chunks)

    def send(self, data):
        """Queues data; everything queued goes out at flush() or when enough
        has gathered (few large writes keep the server fast)."""
        self.pending.append(data)
        self.pending_size += len(data)
        if self.pending_size >= 256 * 1024:
            self.flush()

    def flush(self):
        if not self.pending:
            return
        data = b"".join(self.pending)
        self.pending = []
        self.pending_size = 0
        try:
            if self.piece:
                for at in range(0, len(data), self.piece):
                    self.sock.sendall(data[at:at + self.piece])
            else:
                self.sock.sendall(data)
        except OSError:
            raise Disconnected()


def command(code, body, sequence):
    """A server command: the 40-byte frame and the body, padded to 8 bytes."""
    if len(body) % 8:
        body += b"\0" * (8 - len(body) % 8)
    length = 24 + len(body)
    return (struct.pack("<II", 1, SIGNATURE) + struct.pack("<I", length) + b"MMS " +
            struct.pack("<IIdII", length // 8, sequence, 0.0, length // 8 - 2, code) + body)


def utf16z(text):
    return (text + "\0").encode("utf-16-le")


class Session:
    def __init__(self, args, source, index, sock, log):
        self.args = args
        self.source = source
        self.index = index
        piece = args.piece_size(index)
        self.wire = Wire(sock, piece)
        self.sock = sock
        self.log = log
        self.sequence = 0
        self.header_incarnation = 2
        self.data_incarnation = 4
        self.fault = args.fault

    def reply(self, code, body):
        self.wire.send(command(code, body, self.sequence))
        self.sequence += 1
        self.wire.flush()

    def read_command(self):
        """Reads one command and logs it; returns (code, bytes)."""
        prefix = self.wire.recv_exact(16)
        kind, signature, length = struct.unpack_from("<III", prefix, 0)
        if signature != SIGNATURE or length > 65536:
            raise Disconnected()
        packet = prefix + self.wire.recv_exact(length)
        if self.log:
            with open(self.log, "a") as f:
                f.write("%d %s\n" % (self.index, packet.hex()))
        code = struct.unpack_from("<I", packet, 36)[0] if len(packet) >= 40 else 0
        return code, packet

    def run(self):
        try:
            while True:
                code, packet = self.read_command()
                if self.fault == "silent":
                    continue
                if not self.handle(code, packet):
                    break
        except Disconnected:
            pass

    def handle(self, code, packet):
        if code == C_CONNECT:
            if self.fault == "oversized-length":
                frame = bytearray(command(R_CONNECTED, bytes(32), 0))
                struct.pack_into("<I", frame, 8, 0x7FFFFFF8)
                self.wire.send(bytes(frame) + bytes(64))
                self.wire.flush()
                self.linger()
                return False
            if self.fault == "garbage":
                rng = random.Random(self.args.seed)
                self.wire.send(bytes(rng.getrandbits(8) for _ in range(200)))
                self.wire.flush()
                self.linger()
                return False
            version = utf16z("9.1.1.3862")
            body = struct.pack("<IIIIdIIIIIIII", 0, 0xF0F0F0EF, 0x0004000B, 0x0003001C, 1.0, 1, 1,
                               0x8000, 0x7FFFFFFF, len(version) // 2, 0, 0, 0) + version
            self.reply(R_CONNECTED, body)
        elif code == C_FUNNEL_INFO:
            self.reply(R_FUNNEL_INFO, struct.pack("<IIIIII", 0, 0xF0F0F0EF, 0x00040000, 0, 0, 0))
        elif code == C_TRANSPORT:
            self.reply(R_TRANSPORT, struct.pack("<II", 0, 0xF0F0F0EF) + utf16z("funnel"))
        elif code == C_OPEN_FILE:
            self.reply(R_OPEN_FILE, self.open_file_body())
            if self.args.fail_open:
                self.linger()
                return False
        elif code == C_READ_BLOCK:
            if len(packet) >= 84:
                self.header_incarnation = packet[80]
            self.reply(R_READ_BLOCK, struct.pack("<III", 0, 0xF0F0F0EF, 0))
            return self.send_header()
        elif code == C_STREAM_SELECT:
            self.reply(R_STREAM_SELECTED, struct.pack("<II", 0, 0xF0F0F0EF))
        elif code == C_START_PLAYING:
            if len(packet) >= 72:
                self.data_incarnation = packet[68]
            start = struct.unpack_from("<I", packet, 60)[0] if len(packet) >= 64 else 0xFFFFFFFF
            if start == 0xFFFFFFFF or self.args.live:
                start = 0
            self.reply(R_STARTED_PLAYING, struct.pack("<IIII", 0, 0xF0F0F0EF, 1, 0))
            if not self.send_packets(start):
                return False
            self.reply(R_END_OF_STREAM, struct.pack("<II", 0, 0xF0F0F0EF))
            self.linger()
            return False
        return True

    def open_file_body(self):
        s = self.source
        if self.args.fail_open:
            # The file is not there: a failure status and no file id.
            return struct.pack("<IIII", 0x80070002, 0xF0F0F0EF, 0xFFFFFFFF, 0) + bytes(92)
        live = self.args.live
        attributes = 0x02000000 if live else 0x01000000
        duration = 0.0 if live else s.play_duration / 1e7
        packets = 0 if live else s.count
        header = self.header_bytes()
        return (struct.pack("<IIIIII", 0, 0xF0F0F0EF, 1, 0, 0, attributes) +
                struct.pack("<dI", duration, 0) + bytes(16) +
                struct.pack("<IQII", s.packet_size, packets, s.bitrate, len(header)) + bytes(36))

    def header_bytes(self):
        return self.source.live_header() if self.args.live else self.source.header

    def send_header(self):
        header = self.header_bytes()
        n = max(1, min(self.args.header_packets, len(header)))
        size = (len(header) + n - 1) // n
        pieces = [header[i:i + size] for i in range(0, len(header), size)]
        for i, piece in enumerate(pieces):
            if len(pieces) == 1:
                flags = 0x0C
            elif i == 0:
                flags = 0x04
            elif i == len(pieces) - 1:
                flags = 0x08
            else:
                flags = 0x00
            packet = struct.pack("<IBBH", i, self.header_incarnation, flags, 8 + len(piece)) + piece
            if self.fault == "close-in-header":
                self.wire.send(packet[:len(packet) // 2])
                self.wire.flush()
                return False
            self.wire.send(packet)
        self.wire.flush()
        return True

    def send_packets(self, start):
        s = self.source
        args = self.args
        stop = s.count
        if args.stop_after is not None:
            stop = min(stop, start + args.stop_after)
        cut_at = None
        if self.fault in ("close-in-packet", "short-packet"):
            cut_at = start + (stop - start) // 2
        base = args.live_sequence if args.live else 0
        for i, packet in s.packets(start, stop):
            if args.live:
                packet = shift_times(packet, s.packet_size, args.live_shift)
            if args.trim_padding:
                packet = trim_padding(packet)
            prefix = struct.pack("<IBBH", (base + i) & 0xFFFFFFFF, self.data_incarnation, 0,
                                 8 + len(packet))
            if i == cut_at and self.fault == "close-in-packet":
                self.wire.send(prefix + bytes(packet[:len(packet) // 2]))
                self.wire.flush()
                return False
            if i == cut_at:
                # A packet that is nothing but its prefix; the rest follows.
                self.wire.send(struct.pack("<IBBH", (base + i) & 0xFFFFFFFF,
                                           self.data_incarnation, 0, 8))
            self.wire.send(prefix)
            self.wire.send(packet)
            if args.ping_every and (i - start + 1) % args.ping_every == 0:
                self.wire.flush()
                self.reply(R_PING, struct.pack("<II", 0, 0))
                if not self.await_pong():
                    return False
            if args.packet_delay_ms:
                self.wire.flush()
                time.sleep(args.packet_delay_ms / 1000.0)
        self.wire.flush()
        return stop == s.count

    def await_pong(self):
        """A client that does not answer a ping is dropped, as servers do."""
        self.sock.settimeout(5)
        try:
            while True:
                code, _ = self.read_command()
                if code == C_PONG:
                    return True
        except (socket.timeout, Disconnected):
            return False
        finally:
            self.sock.settimeout(None)

    def linger(self):
        """Keeps the connection until the client closes it (logging what it
        still sends), at most a few seconds."""
        self.wire.flush()
        self.sock.settimeout(self.args.linger)
        try:
            while True:
                self.read_command()
        except (socket.timeout, Disconnected, OSError):
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--file", required=True, help="the ASF file to serve")
    parser.add_argument("--log", help="append every command received to this file, in hex")
    parser.add_argument("--connections", type=int, default=1,
                        help="serve this many connections, then exit")
    parser.add_argument("--lifetime", type=float, default=30.0)
    parser.add_argument("--linger", type=float, default=3.0,
                        help="how long to wait for the client to close at the end")
    parser.add_argument("--live", action="store_true",
                        help="a broadcast: play duration 0, times and numbers far from 0")
    parser.add_argument("--live-shift", type=int, default=250000000,
                        help="milliseconds added to every time of a live stream")
    parser.add_argument("--live-sequence", type=int, default=900000,
                        help="number of the first packet of a live stream")
    parser.add_argument("--fail-open", action="store_true", help="the open-file reply fails")
    parser.add_argument("--header-packets", type=int, default=1,
                        help="send the header in this many packets")
    parser.add_argument("--piece", default="0",
                        help="send in TCP pieces of N bytes; A-B: connection k uses A+k")
    parser.add_argument("--trim-padding", action="store_true",
                        help="leave the zero padding off the data packets")
    parser.add_argument("--ping-every", type=int, default=0,
                        help="send a ping after every N data packets and wait for the pong")
    parser.add_argument("--stop-after", type=int, help="close after N data packets")
    parser.add_argument("--packet-delay-ms", type=float, default=0.0)
    parser.add_argument("--fault", choices=FAULTS)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()

    if "-" in args.piece:
        low, high = (int(x) for x in args.piece.split("-", 1))
        args.piece_size = lambda k: min(low + k, high)
    else:
        value = int(args.piece)
        args.piece_size = lambda k: value

    source = AsfSource(args.file)
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(8)
    print("PORT %d" % server.getsockname()[1], flush=True)

    timer = threading.Timer(args.lifetime, lambda: os._exit(0))
    timer.daemon = True
    timer.start()

    for index in range(args.connections):
        sock, _ = server.accept()
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
        try:
            Session(args, source, index, sock, args.log).run()
        finally:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            sock.close()
    sys.stdout.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
