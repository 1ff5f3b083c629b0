#!/usr/bin/env python3
"""A fake MMS-over-TCP server for the tests and the benchmark.

Serves one ASF file over the command protocol in the usual order: connect,
funnel info, transport, open file, read block (then the header packets),
stream selection, start playing (then the data packets), end of stream.
Input that is not a command closes the connection, as real servers do.
--drop MODE:N (repeatable, the k-th for the k-th connection) breaks that
connection off after N data packets: close (an orderly close), reset (a TCP
reset) or stall (silence until the client leaves). --drop-at N closes every
connection before packet N (counted from the stream's start, so a client that
asks to resume gets no further; a broadcast sends N packets). --switch K:FILE
serves another file from the K-th connection on (a restarted broadcast of
other streams); --cycle FILE (repeatable) serves the files in turn, one per
connection (a header that changes at every connection).
"""

import random
import select
import socket
import struct

from asf_stream import AsfSource, Disconnected, options, reset, serve

SIGNATURE = 0xB00BFACE
C_CONNECT, C_TRANSPORT, C_OPEN_FILE, C_START_PLAYING = 0x30001, 0x30002, 0x30005, 0x30007
C_READ_BLOCK, C_FUNNEL_INFO, C_PONG, C_STREAM_SELECT = 0x30015, 0x30018, 0x3001B, 0x30033
R_CONNECTED, R_TRANSPORT, R_STARTED_PLAYING, R_OPEN_FILE = 0x40001, 0x40002, 0x40005, 0x40006
R_READ_BLOCK, R_FUNNEL_INFO, R_PING, R_END_OF_STREAM = 0x40011, 0x40015, 0x4001B, 0x4001E
R_STREAM_SELECTED = 0x40021
FAULTS = ("fail-open", "close-in-header", "close-in-packet", "short-packet", "oversized-length",
          "silent", "garbage", "big-header", "header-flood")
PADDING_GUID = bytes.fromhex("74d40618dfca0945a4ba9aabcb96aae8")


def padded(header, n):
    """The header with a Padding object of n bytes as its first child."""
    h = bytearray(header[:30]) + PADDING_GUID + struct.pack("<Q", n) + bytes(n - 24) + header[30:]
    struct.pack_into("<QI", h, 16, struct.unpack_from("<Q", h, 16)[0] + n, struct.unpack_from("<I", h, 24)[0] + 1)
    return bytes(h)


def command(code, body, sequence):
    """A server command: the 40-byte frame and the body, padded to 8 bytes."""
    body += b"\0" * (-len(body) % 8)
    n = 24 + len(body)
    return struct.pack("<III4sIIdII", 1, SIGNATURE, n, b"MMS ", n // 8, sequence, 0.0, n // 8 - 2,
                       code) + body


class Session:
    def __init__(self, args, source, wire, drop=None):
        self.args, self.source, self.wire, self.fault = args, source, wire, args.fault
        self.drop = drop  # (mode, packets) or None
        self.sequence = 0
        # big-header: a header past 64 KB; header-flood: half the packets,
        # then the header over and over instead of the rest.
        self.header = padded(source.header, 70000) if self.fault == "big-header" else source.header
        self.header_id, self.data_id = 2, 4  # what the client asks its packets to carry

    def reply(self, code, body, last=b""):
        self.wire.send(command(code, body, self.sequence) + last)
        self.sequence += 1

    def read_command(self):
        """Returns (code, bytes) of the next command."""
        packet = self.wire.recv_exact(8)
        if struct.unpack_from("<I", packet, 4)[0] != SIGNATURE:
            raise Disconnected()
        packet += self.wire.recv_exact(8)
        length = struct.unpack_from("<I", packet, 8)[0]
        if length > 65536:
            raise Disconnected()
        packet += self.wire.recv_exact(length)
        return (struct.unpack_from("<I", packet, 36)[0] if len(packet) >= 40 else 0), packet

    def run(self):
        while True:
            received = self.read_command()
            if self.fault != "silent" and not self.handle(*received):
                return

    def handle(self, code, packet):
        """Answers one command; False ends the session."""
        s, ok = self.source, 0xF0F0F0EF
        if code == C_CONNECT and self.fault == "oversized-length":
            frame = bytearray(command(R_CONNECTED, bytes(32), 0))
            struct.pack_into("<I", frame, 8, 0x7FFFFFF8)
            self.wire.send(bytes(frame) + bytes(64))
            return self.linger()
        if code == C_CONNECT and self.fault == "garbage":
            self.wire.send(random.Random(1).randbytes(200))
            return self.linger()
        if code == C_CONNECT:
            version = "9.1.1.3862\0".encode("utf-16-le")
            self.reply(R_CONNECTED, struct.pack("<IIIIdIIIIIIII", 0, ok, 0x0004000B, 0x0003001C, 1.0, 1, 1,
                                                0x8000, 0x7FFFFFFF, len(version) // 2, 0, 0, 0) + version)
        elif code == C_FUNNEL_INFO:
            self.reply(R_FUNNEL_INFO, struct.pack("<IIIIII", 0, ok, 0x00040000, 0, 0, 0))
        elif code == C_TRANSPORT:
            self.reply(R_TRANSPORT, struct.pack("<II", 0, ok) + "funnel\0".encode("utf-16-le"))
        elif code == C_OPEN_FILE and self.fault == "fail-open":
            # The file is not there: a failure status and no file id.
            self.reply(R_OPEN_FILE, struct.pack("<IIII", 0x80070002, ok, 0xFFFFFFFF, 0) + bytes(92))
            return self.linger()
        elif code == C_OPEN_FILE:
            self.reply(R_OPEN_FILE, struct.pack("<IIIIIIdI16xIQII36x", 0, ok, 1, 0, 0,
                                                0x02000000 if s.live else 0x01000000, s.play_duration / 1e7,
                                                0, s.packet_size, 0 if s.live else s.count, s.bitrate,
                                                len(self.header)))
        elif code == C_READ_BLOCK:
            self.header_id = packet[80] if len(packet) > 80 else 2
            self.reply(R_READ_BLOCK, struct.pack("<III", 0, ok, 0), self.header_packets())
            return self.fault != "close-in-header"
        elif code == C_STREAM_SELECT:
            self.reply(R_STREAM_SELECTED, struct.pack("<II", 0, ok))
        elif code == C_START_PLAYING:
            self.data_id = packet[68] if len(packet) > 68 else 4
            start = struct.unpack_from("<I", packet, 60)[0] if len(packet) >= 64 else 0xFFFFFFFF
            self.reply(R_STARTED_PLAYING, struct.pack("<IIII", 0, ok, 1, 0))
            if not self.send_packets(0 if start == 0xFFFFFFFF or s.live else start):
                return False
            self.reply(R_END_OF_STREAM, struct.pack("<II", 0, ok))
            return self.linger()
        return True

    def header_packets(self):
        header = self.header
        size = min(60000, -(-len(header) // max(1, min(self.args.header_packets, len(header)))))
        pieces = [header[i:i + size] for i in range(0, len(header), size)]
        flags = [(4 if i == 0 else 0) | (8 if i == len(pieces) - 1 else 0) for i in range(len(pieces))]
        out = b"".join(struct.pack("<IBBH", i, self.header_id, flags[i], 8 + len(piece)) + piece
                       for i, piece in enumerate(pieces))
        return out[:len(out) // 2] if self.fault == "close-in-header" else out

    def send_packets(self, start):
        """Sends the data packets from start on; False when broken off before the end."""
        s, args = self.source, self.args
        stop = s.count if args.stop_after is None else min(s.count, start + args.stop_after)
        if args.end_after is not None:  # ended early, with the end-of-stream message
            stop = min(s.count, start + args.end_after)
        if self.drop:
            stop = min(stop, start + self.drop[1])
        if args.drop_at is not None:
            stop = min(stop, max(start, args.drop_at))
        cut_at = start + (stop - start) // 2 if self.fault in ("close-in-packet", "short-packet", "header-flood") \
            else None
        for i, packet in s.packets(start, stop):
            number = (i + 900000 if s.live else i) & 0xFFFFFFFF  # a broadcast's numbers are far from 0
            prefix = struct.pack("<IBBH", number, self.data_id, 0, 8 + len(packet))
            if i == cut_at and self.fault == "close-in-packet":
                self.wire.send(prefix + packet[:len(packet) // 2])
                return False
            if i == cut_at and self.fault == "header-flood":
                while True:  # reading what the client sends, so that it never has to wait
                    self.wire.send(self.header_packets())
                    while select.select([self.wire.sock], [], [], 0)[0]:
                        self.wire.recv()
            if i == cut_at:  # a packet that is nothing but its prefix
                self.wire.queue(prefix[:6] + struct.pack("<H", 8))
            self.wire.queue(prefix + packet)
            if args.ping_every and (i - start + 1) % args.ping_every == 0:
                self.reply(R_PING, struct.pack("<II", 0, 0))
                if not self.await_pong():
                    return False
        self.wire.flush()
        if self.drop:
            self.break_off(self.drop[0])
        if args.drop_at is not None and stop < s.count:
            self.break_off("close")
        return stop == s.count or args.end_after is not None

    def break_off(self, mode):
        """Ends the connection as a failing server or network does."""
        sock = self.wire.sock
        if mode == "reset":
            reset(sock)
        elif mode == "stall":
            sock.settimeout(self.args.lifetime)
            try:
                while self.wire.recv():
                    pass
            except (socket.timeout, Disconnected):
                pass
        raise Disconnected()

    def await_pong(self):
        """A client that does not answer a ping is dropped, as servers do."""
        self.wire.sock.settimeout(5)
        try:
            while self.read_command()[0] != C_PONG:
                pass
            return True
        except (socket.timeout, Disconnected):
            return False
        finally:
            self.wire.sock.settimeout(None)

    def linger(self):
        """Keeps the connection (logging what still comes) until the client
        closes it, at most a second; False, to end the session."""
        self.wire.sock.settimeout(1)
        try:
            while True:
                self.read_command()
        except (socket.timeout, Disconnected):
            return False


def main():
    ap = options(__doc__.splitlines()[0])
    ap.add_argument("--header-packets", type=int, default=1, help="send the header in this many packets")
    ap.add_argument("--ping-every", type=int, default=0, help="ping after every N packets, await the pong")
    ap.add_argument("--stop-after", type=int, help="close after N data packets")
    ap.add_argument("--end-after", type=int, help="report the end of the stream after N data packets")
    ap.add_argument("--fault", choices=FAULTS)
    ap.add_argument("--drop", action="append", default=[], help="MODE:N for the next connection")
    ap.add_argument("--switch", help="K:FILE: serve FILE from the K-th connection on")
    ap.add_argument("--drop-at", type=int, help="close every connection before packet N")
    ap.add_argument("--cycle", action="append", default=[], help="FILE: served in turn with --file")
    args = ap.parse_args()
    sources = [AsfSource(args.file, args.trim_padding, args.repeat)]
    switch_at = 0
    if args.switch:
        at, _, path = args.switch.partition(":")
        switch_at = int(at)
        sources.append(AsfSource(path, args.trim_padding, args.repeat))
    cycle = [sources[0]] + [AsfSource(path, args.trim_padding, args.repeat) for path in args.cycle]
    drops = [(mode, int(n)) for mode, _, n in (d.partition(":") for d in args.drop)]
    count = [0]

    def run(wire):
        count[0] += 1
        k = count[0]
        source = sources[1] if switch_at and k >= switch_at else cycle[(k - 1) % len(cycle)]
        Session(args, source, wire, drops[k - 1] if k <= len(drops) else None).run()

    serve(args, run)


if __name__ == "__main__":
    main()
