"""What the fake MMS-over-TCP and RTSP servers share: the ASF file, the
connection, the common options, and serving connections one after another."""

import argparse
import fcntl
import os
import socket
import struct
import sys
import termios
import threading
import time

HEADER_GUID = bytes.fromhex("3026b2758e66cf11a6d900aa0062ce6c")
DATA_GUID = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")
FILE_PROPS_GUID = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")


class Disconnected(Exception):
    pass


def reset(sock):
    """Resets the connection once the client has everything sent (a reset
    drops what is still unsent), so that what it got is known."""
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        unacknowledged = struct.unpack("i", fcntl.ioctl(sock.fileno(), termios.TIOCOUTQ, b"\0" * 4))[0]
        if unacknowledged == 0:
            break
        time.sleep(0.005)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    sock.close()


def by_type(buf, pos, t):
    n = (0, 1, 2, 4)[t]
    return int.from_bytes(buf[pos:pos + n], "little"), pos + n


def time_fields(p, packet_size):
    """Offsets of the send time and of every presentation time in a packet
    that starts with the usual two error-correction bytes."""
    if p[0] != 0x82:
        return []
    flags, props, multiple = p[3], p[4], p[3] & 1
    plen, pos = by_type(p, 5, (flags >> 5) & 3)
    _, pos = by_type(p, pos, (flags >> 1) & 3)
    pad, pos = by_type(p, pos, (flags >> 3) & 3)
    fields = [pos]
    pos += 6
    count = p[pos] & 0x3F if multiple else 1
    pos += multiple
    for _ in range(count):
        pos = by_type(p, pos, (props >> 6) & 3)[1] if multiple else pos + 1
        pos = by_type(p, pos, (props >> 4) & 3)[1]
        pos = by_type(p, pos, (props >> 2) & 3)[1]
        rep, pos = by_type(p, pos, props & 3)
        if rep >= 8:
            fields.append(pos + 4)
        pos += rep
        length, pos = by_type(p, pos, 2) if multiple else ((plen or packet_size) - pad - pos, pos)
        pos += length
    return fields


def shift_times(packet, packet_size, delta):
    """The packet with delta ms added to its send and presentation times."""
    if not delta:
        return packet
    body = bytearray(packet)
    for f in time_fields(body, packet_size):
        struct.pack_into("<I", body, f, (struct.unpack_from("<I", body, f)[0] + delta) & 0xFFFFFFFF)
    return bytes(body)


def repeat_span(header, file_props):
    """ms from one pass of a repeated stream to the next: its duration and a tenth of a second."""
    play, _, preroll = struct.unpack_from("<QQQ", header, file_props + 64)
    return play // 10000 - preroll + 100


def repeated_header(header, file_props, packet_size, passes):
    """An on-demand header for the stream played passes times over: counts,
    sizes and durations of the whole, as a server announces a long file."""
    if passes <= 1:
        return header
    h, data = bytearray(header), len(header) - 50
    count = struct.unpack_from("<Q", h, data + 40)[0] * passes
    extra = (passes - 1) * repeat_span(header, file_props) * 10000
    for at, value in ((file_props + 40, len(h) + count * packet_size), (file_props + 56, count),
                      (file_props + 64, struct.unpack_from("<Q", h, file_props + 64)[0] + extra),
                      (file_props + 72, struct.unpack_from("<Q", h, file_props + 72)[0] + extra),
                      (data + 16, 50 + count * packet_size), (data + 40, count)):
        struct.pack_into("<Q", h, at, value)
    return bytes(h)


class AsfSource:
    """The header (with the Data object's first 50 bytes) and the data
    packets of a file; packets are read 128 at a time, as the benchmark
    streams half a gigabyte. A file whose play duration is 0 is a broadcast.
    Trimmed packets come without the zero padding servers need not send.
    Repeated, an on-demand file is played passes times as one long stream:
    pass k's times are k spans later, and the header announces the whole."""

    def __init__(self, path, trim=False, passes=1):
        self.trim = trim
        self.fd = os.open(path, os.O_RDONLY)
        size = struct.unpack_from("<Q", os.pread(self.fd, 30, 0), 16)[0]
        self.header = os.pread(self.fd, size + 50, 0)
        fp = self.file_props = self.header.find(FILE_PROPS_GUID)
        if self.header[:16] != HEADER_GUID or self.header[size:size + 16] != DATA_GUID or fp < 0:
            raise SystemExit("not an ASF file with a Data object: " + path)
        self.play_duration = struct.unpack_from("<Q", self.header, fp + 64)[0]
        self.packet_size, self.bitrate = struct.unpack_from("<II", self.header, fp + 92)
        self.live = self.play_duration == 0
        self.data_start = size + 50
        available = (os.fstat(self.fd).st_size - self.data_start) // self.packet_size
        self.pass_count = min(struct.unpack_from("<Q", self.header, size + 40)[0] or available, available)
        self.passes = 1 if self.live else max(1, passes)
        self.span = 0 if self.live else repeat_span(self.header, fp)
        self.header = repeated_header(self.header, fp, self.packet_size, self.passes)
        self.count = self.pass_count * self.passes

    def packets(self, start, stop):
        """Yields (index, packet) from start up to stop."""
        size, n_pass, first = self.packet_size, self.pass_count, start
        while first < stop:
            n = min(128, stop - first, n_pass - first % n_pass)
            block = os.pread(self.fd, n * size, self.data_start + (first % n_pass) * size)
            for j in range(n):
                i = first + j
                packet = shift_times(block[j * size:(j + 1) * size], size, (i // n_pass) * self.span)
                yield i, (packet.rstrip(b"\0") or packet[:1]) if self.trim else packet
            first += n


class Wire:
    """One connection: reads that log what arrived; writes gathered into few
    large ones, which may go out in pieces of a fixed size."""

    def __init__(self, sock, piece, log):
        self.sock, self.piece, self.log, self.pending = sock, piece, log, []

    def recv(self, n=65536):
        try:
            chunk = self.sock.recv(n)
        except socket.timeout:
            raise
        except OSError:
            chunk = b""
        if not chunk:
            raise Disconnected()
        if self.log:
            self.log.write(chunk)
            self.log.flush()
        return chunk

    def recv_exact(self, n):
        data = b""
        while len(data) < n:
            data += self.recv(n - len(data))
        return data

    def queue(self, data):
        self.pending.append(data)
        if len(self.pending) >= 64:
            self.flush()

    def send(self, data=b""):
        self.queue(data)
        self.flush()

    def flush(self):
        data, self.pending = b"".join(self.pending), []
        step = self.piece or len(data) or 1
        try:
            for at in range(0, len(data), step):
                self.sock.sendall(data[at:at + step])
        except OSError:
            raise Disconnected()


def options(description):
    """The options both servers take."""
    ap = argparse.ArgumentParser(description=description)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--file", required=True, help="the ASF file to stream")
    ap.add_argument("--log", help="append every byte received to this file")
    ap.add_argument("--connections", type=int, default=1, help="serve this many, then exit")
    ap.add_argument("--lifetime", type=float, default=30.0)
    ap.add_argument("--trim-padding", action="store_true", help="leave the padding off the packets")
    ap.add_argument("--repeat", type=int, default=1, help="on demand: play the packets this many times")
    ap.add_argument("--piece", default="0",
                    help="send in TCP pieces of N bytes; A-B: connection k uses min(A+k, B)")
    return ap


def serve(args, run):
    """Prints "PORT <n>", then for each connection "CONNECTION <client
    port>" and calls run(wire); exits when all are served or the lifetime is
    over, whatever happens."""
    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    low, _, high = args.piece.partition("-")
    log = open(args.log, "ab") if args.log else None
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", args.port))
    server.listen(8)
    print("PORT %d" % server.getsockname()[1], flush=True)
    for index in range(args.connections):
        sock, peer = server.accept()
        print("CONNECTION %d" % peer[1], flush=True)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
        try:
            run(Wire(sock, min(int(low) + index, int(high)) if high else int(low), log))
        except Disconnected:
            pass
        finally:
            try:
                sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            sock.close()
    sys.stdout.flush()
    os._exit(0)
