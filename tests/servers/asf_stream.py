"""What the fake MMS-over-TCP and RTSP servers share: the ASF file, the
connection, the common options, and serving connections one after another."""

import argparse
import os
import socket
import struct
import sys
import threading

HEADER_GUID = bytes.fromhex("3026b2758e66cf11a6d900aa0062ce6c")
DATA_GUID = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")
FILE_PROPS_GUID = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")


class Disconnected(Exception):
    pass


class AsfSource:
    """The header (with the Data object's first 50 bytes) and the data
    packets of a file; packets are read 128 at a time, as the benchmark
    streams half a gigabyte. A file whose play duration is 0 is a broadcast.
    Trimmed packets come without the zero padding servers need not send."""

    def __init__(self, path, trim=False):
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
        self.count = min(struct.unpack_from("<Q", self.header, size + 40)[0] or available, available)

    def packets(self, start, stop):
        """Yields (index, packet) from start up to stop."""
        size = self.packet_size
        for first in range(start, stop, 128):
            n = min(128, stop - first)
            block = os.pread(self.fd, n * size, self.data_start + first * size)
            for j in range(n):
                packet = block[j * size:(j + 1) * size]
                yield first + j, (packet.rstrip(b"\0") or packet[:1]) if self.trim else packet


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
