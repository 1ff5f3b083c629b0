#!/usr/bin/env python3
"""A media server that streams an ASF file as framed HTTP chunks.

Every connection carries one request. A request with "xPlayStrm=1" is a
media request (header, data packets, end mark); any other is a probe (the
header only). The file's packets are sent as "$D" chunks numbered by their
index (on demand) or from a base far from 0 with re-timed packets (live).

Paths: /pieceN/... sends that reply in TCP pieces of N bytes, /missing*
answers 404, /html* an ordinary web page, a path given with --playlist
serves that playlist text ({port} replaced), every other path serves the
stream.

Prints "PORT <n>" first; stops after --lifetime seconds, or once
--connections connections have been served.
"""

import argparse
import base64
import os
import select
import socket
import struct
import sys
import threading
import time

FILE_PROPERTIES = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")
DATA_OBJECT = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")


# --- ASF file -------------------------------------------------------------

class AsfFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        header_size = struct.unpack_from("<Q", data, 16)[0]
        self.header = bytearray(data[:header_size + 50])
        if self.header[header_size:header_size + 16] != DATA_OBJECT:
            raise SystemExit("no data object after the header")
        self.fp = self.header.find(FILE_PROPERTIES)
        if self.fp < 0:
            raise SystemExit("no file properties object")
        self.packet_size = struct.unpack_from("<I", self.header, self.fp + 92)[0]
        count = struct.unpack_from("<Q", self.header, header_size + 40)[0]
        start = header_size + 50
        self.packets = [data[start + i * self.packet_size:start + (i + 1) * self.packet_size]
                        for i in range(count)]
        self.data_offset = header_size
        self.preroll = struct.unpack_from("<Q", self.header, self.fp + 80)[0]
        self.play_duration = struct.unpack_from("<Q", self.header, self.fp + 64)[0]
        self.time_fields = [packet_time_fields(p, self.packet_size) for p in self.packets]
        self.send_times = [struct.unpack_from("<I", p, f[0])[0] if f else 0
                           for p, f in zip(self.packets, self.time_fields)]


def by_type(buf, pos, t):
    n = (0, 1, 2, 4)[t]
    if n == 0:
        return 0, pos
    return int.from_bytes(buf[pos:pos + n], "little"), pos + n


def packet_time_fields(p, packet_size):
    """Offsets of the send time and of every presentation time in a packet."""
    if p[0] != 0x82:
        return []
    flags, props = p[3], p[4]
    pos = 5
    plen, pos = by_type(p, pos, (flags >> 5) & 3)
    _, pos = by_type(p, pos, (flags >> 1) & 3)
    pad, pos = by_type(p, pos, (flags >> 3) & 3)
    if plen == 0:
        plen = packet_size
    fields = [pos]
    pos += 6
    multiple = flags & 1
    if multiple:
        count = p[pos] & 0x1F
        pos += 1
    else:
        count = 1
    for _ in range(count):
        if multiple:
            _, pos = by_type(p, pos, (props >> 6) & 3)
        else:
            pos += 1
        _, pos = by_type(p, pos, (props >> 4) & 3)
        _, pos = by_type(p, pos, (props >> 2) & 3)
        rep, pos = by_type(p, pos, props & 3)
        if rep >= 8:
            fields.append(pos + 4)
        pos += rep
        if multiple:
            length = struct.unpack_from("<H", p, pos)[0]
            pos += 2
        else:
            length = plen - pad - pos
        pos += length
    return fields


def shifted(packet, fields, delta):
    if delta == 0 or not fields:
        return packet
    b = bytearray(packet)
    for f in fields:
        struct.pack_into("<I", b, f, (struct.unpack_from("<I", b, f)[0] + delta) & 0xFFFFFFFF)
    return bytes(b)


# --- chunks ---------------------------------------------------------------

def chunk(kind, body, seq=0, flags=0, confirm=None):
    length = len(body) + 8
    if confirm is None:
        confirm = length
    return (b"$" + kind + struct.pack("<HIBBH", length, seq & 0xFFFFFFFF, 0, flags, confirm)
            + body)


def end_chunk(seq):
    return b"$E" + struct.pack("<HIBBH", 8, seq & 0xFFFFFFFF, 0, 0, 8)


# --- serving --------------------------------------------------------------

class Server:
    def __init__(self, args):
        self.args = args
        self.asf = AsfFile(args.file) if args.file else None
        self.log_lock = threading.Lock()
        self.faults = {}
        for f in args.fault:
            name, _, value = f.partition("=")
            self.faults[name] = int(value) if value else 0
        self.playlists = {}
        for p in args.playlist:
            path, ctype, fname = p.split("=", 2)
            with open(fname, "rb") as f:
                self.playlists[path] = (ctype, f.read())
        self.stop = threading.Event()
        self.local = threading.local()

    def log(self, request):
        if not self.args.log:
            return
        with self.log_lock:
            with open(self.args.log, "ab") as f:
                f.write(request)

    def send(self, conn, data):
        piece = getattr(self.local, "piece", self.args.piece)
        if piece <= 0:
            conn.sendall(data)
            return
        for i in range(0, len(data), piece):
            conn.sendall(data[i:i + piece])

    def handle(self, conn):
        conn.settimeout(15)
        request = b""
        while b"\r\n\r\n" not in request and len(request) < 65536:
            part = conn.recv(4096)
            if not part:
                return
            request += part
        self.log(request)
        if "no-status" in self.faults:
            return
        if "stall-head" in self.faults:
            self.stop.wait(self.args.lifetime)
            return
        lines = request.decode("latin-1").split("\r\n")
        path = lines[0].split(" ")[1] if len(lines[0].split(" ")) > 1 else "/"
        if path.startswith("http://"):
            path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
        if path.startswith("/piece"):
            # /pieceN/...: this connection sends in pieces of N bytes.
            digits = path[6:].split("/", 1)[0]
            if digits.isdigit():
                self.local.piece = int(digits)
        headers = [l for l in lines[1:] if l]
        if self.args.auth and not self.authorised(headers):
            body = b"<html>401 Unauthorized</html>"
            self.send(conn, self.head(401, "Unauthorized", "text/html",
                                      ["WWW-Authenticate: Basic realm=\"media\""]) + body)
            return
        if path.startswith("/missing"):
            self.send(conn, self.head(404, "Not Found", "text/html") + b"<html>missing</html>")
            return
        if path.startswith("/html"):
            self.send(conn, self.head(200, "OK", "text/html")
                      + b"<html><body>An ordinary page</body></html>\n")
            return
        if path in self.playlists:
            ctype, text = self.playlists[path]
            text = text.replace(b"{port}", str(self.port).encode())
            self.send(conn, self.head(200, "OK", ctype, [f"Content-Length: {len(text)}"]) + text)
            return
        media = any("xPlayStrm=1" in h for h in headers)
        offset = None
        for h in headers:
            if "stream-offset=" in h:
                value = h.split("stream-offset=")[1].split(",")[0]
                hi, _, lo = value.partition(":")
                offset = (int(hi), int(lo))
        self.stream(conn, media, offset)

    def authorised(self, headers):
        want = "Authorization: Basic " + base64.b64encode(self.args.auth.encode()).decode()
        return want in headers

    def head(self, code, reason, ctype, extra=()):
        lines = [f"HTTP/1.0 {code} {reason}", "Server: FakeMediaServer/1.0",
                 "Cache-Control: no-cache"]
        if ctype:
            lines.append(f"Content-Type: {ctype}")
        lines.extend(extra)
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    def features(self):
        if self.args.features is not None:
            return self.args.features
        return '"broadcast,playlist"' if self.args.mode == "live" else '"seekable,stridable"'

    def stream_head(self, media):
        ctype = self.args.media_type if media else self.args.probe_type
        features = self.features()
        if self.args.pragma_style == "combined":
            extra = [f"Pragma: no-cache,client-id=3735928559,features={features},timeout=60000"]
        else:
            extra = ["Pragma: no-cache", "Pragma: client-id=3735928559",
                     f"Pragma: features={features}"]
        return self.head(200, "OK", ctype, extra)

    def header_bytes(self):
        """The header as this server announces it."""
        a = self.asf
        h = bytearray(a.header)
        repeat = self.args.repeat
        count = len(a.packets) * repeat
        if self.args.mode == "live":
            struct.pack_into("<Q", h, a.fp + 40, 0)
            struct.pack_into("<Q", h, a.fp + 56, 0)
            struct.pack_into("<Q", h, a.fp + 64, 0)
            struct.pack_into("<Q", h, a.fp + 72, 0)
            struct.pack_into("<I", h, a.fp + 88, 1)  # broadcast
            struct.pack_into("<Q", h, a.data_offset + 16, 0)
            struct.pack_into("<Q", h, a.data_offset + 40, 0)
        elif repeat > 1:
            span = self.repeat_span_ms()
            extra = (repeat - 1) * span * 10000
            struct.pack_into("<Q", h, a.fp + 40, len(h) + count * a.packet_size)
            struct.pack_into("<Q", h, a.fp + 56, count)
            for off in (64, 72):
                value = struct.unpack_from("<Q", h, a.fp + off)[0]
                struct.pack_into("<Q", h, a.fp + off, value + extra)
            struct.pack_into("<Q", h, a.data_offset + 16, 50 + count * a.packet_size)
            struct.pack_into("<Q", h, a.data_offset + 40, count)
        if "unequal-sizes" in self.faults:
            struct.pack_into("<I", h, a.fp + 92, a.packet_size - 1)
        return bytes(h)

    def repeat_span_ms(self):
        a = self.asf
        return (a.play_duration // 10000) - a.preroll + 100

    def header_chunks(self):
        h = self.header_bytes()
        parts = max(1, self.args.header_parts)
        size = -(-len(h) // parts)
        pieces = [h[i:i + size] for i in range(0, len(h), size)]
        out = []
        for i, piece in enumerate(pieces):
            flags = (4 if i == 0 else 0) | (8 if i == len(pieces) - 1 else 0)
            out.append(chunk(b"H", piece, 0, flags))
        return out

    def packet(self, index):
        """Packet `index` of the stream as sent, with its send time in ms."""
        a = self.asf
        n = len(a.packets)
        base, fields = a.packets[index % n], a.time_fields[index % n]
        delta = (index // n) * self.repeat_span_ms()
        if self.args.mode == "live":
            delta += self.args.live_time_base
        send_time = a.send_times[index % n] + delta
        return shifted(base, fields, delta), send_time

    def stream(self, conn, media, offset):
        a = self.asf
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        head = self.stream_head(media)
        chunks = self.header_chunks()
        if not media:
            self.send(conn, head + b"".join(chunks))
            return
        if "close-in-header" in self.faults:
            data = head + b"".join(chunks)
            self.send(conn, data[:len(head) + len(data[len(head):]) // 2])
            return
        self.send(conn, head + b"".join(chunks))
        live = self.args.mode == "live"
        total = len(a.packets) * (1 if live else self.args.repeat)
        first = 0
        if not live and offset and offset[0] == 0 and offset[1] not in (0, 0xFFFFFFFF):
            # Resume: from the packet that holds the byte after what the
            # client has; an offset within the header restarts at 0.
            header_len = len(a.header)
            if offset[1] > header_len:
                first = min(total, (offset[1] - header_len) // a.packet_size)
        seq_base = self.args.live_seq_base if live else 0
        start = time.monotonic()
        t0 = None
        batch = []
        batched = 0
        for i in range(first, total):
            if self.stop.is_set():
                return
            if "stall" in self.faults and i - first == self.faults["stall"]:
                if batch:
                    self.send(conn, b"".join(batch))
                self.stop.wait(self.args.lifetime)
                return
            body, send_time = self.packet(i)
            if self.args.rate > 0:
                if t0 is None:
                    t0 = send_time
                due = start + (send_time - t0) / 1000.0 / self.args.rate
                wait = due - time.monotonic()
                if wait > 0:
                    if batch:
                        self.send(conn, b"".join(batch))
                        batch, batched = [], 0
                    time.sleep(wait)
            if self.args.trim_padding:
                body = body.rstrip(b"\0") or body[:1]
            seq = seq_base + i
            if "unknown-chunk" in self.faults and i == self.faults["unknown-chunk"]:
                batch.append(chunk(b"M", b"metadata-changed", seq))
            if "oversized" in self.faults and i == self.faults["oversized"]:
                body = body + b"\0" * 16
            confirm = None
            if "bad-confirm" in self.faults and i == self.faults["bad-confirm"]:
                confirm = len(body) + 9
            c = chunk(b"D", body, seq, 0, confirm)
            if "close-in-packet" in self.faults and i == self.faults["close-in-packet"]:
                batch.append(c[:len(c) // 2])
                self.send(conn, b"".join(batch))
                return
            batch.append(c)
            batched += len(c)
            if batched >= 262144:
                self.send(conn, b"".join(batch))
                batch, batched = [], 0
        batch.append(end_chunk(seq_base + total))
        self.send(conn, b"".join(batch))

    def serve(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", self.args.port))
        listener.listen(16)
        self.port = listener.getsockname()[1]
        print(f"PORT {self.port}", flush=True)
        deadline = time.monotonic() + self.args.lifetime
        served = 0
        threads = []

        def run(conn):
            try:
                self.handle(conn)
            except (OSError, ValueError):
                pass
            finally:
                try:
                    conn.shutdown(socket.SHUT_RDWR)
                except OSError:
                    pass
                conn.close()

        while time.monotonic() < deadline:
            if self.args.connections and served >= self.args.connections:
                if all(not t.is_alive() for t in threads):
                    break
                time.sleep(0.02)
                continue
            ready, _, _ = select.select([listener], [], [], 0.1)
            if not ready:
                continue
            conn, _ = listener.accept()
            served += 1
            t = threading.Thread(target=run, args=(conn,), daemon=True)
            t.start()
            threads.append(t)
        self.stop.set()
        listener.close()


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--file", help="ASF file to stream")
    p.add_argument("--mode", choices=["ondemand", "live"], default="ondemand")
    p.add_argument("--log", help="append every request's bytes to this file")
    p.add_argument("--lifetime", type=float, default=30.0)
    p.add_argument("--connections", type=int, default=0,
                   help="stop after serving this many connections (0: lifetime only)")
    p.add_argument("--header-parts", type=int, default=1)
    p.add_argument("--piece", type=int, default=0, help="send in pieces of this many bytes")
    p.add_argument("--rate", type=float, default=0.0,
                   help="pace packets at this multiple of real time (0: as fast as possible)")
    p.add_argument("--repeat", type=int, default=1,
                   help="on demand: play the file's packets this many times as one stream")
    p.add_argument("--live-seq-base", type=int, default=5000)
    p.add_argument("--live-time-base", type=int, default=73000)
    p.add_argument("--auth", help="user:password required (Basic)")
    p.add_argument("--playlist", action="append", default=[],
                   help="PATH=CONTENT-TYPE=FILE: serve FILE at PATH")
    p.add_argument("--probe-type", default="application/octet-stream")
    p.add_argument("--media-type", default="application/octet-stream")
    p.add_argument("--features", help="features value as sent (quotes included)")
    p.add_argument("--pragma-style", choices=["separate", "combined"], default="separate")
    p.add_argument("--trim-padding", action="store_true",
                   help="send data packets without their trailing zero bytes")
    p.add_argument("--fault", action="append", default=[],
                   help="close-in-header, close-in-packet=K, bad-confirm=K, oversized=K, "
                        "unequal-sizes, stall=K, stall-head, no-status, unknown-chunk=K")
    args = p.parse_args()
    Server(args).serve()
    sys.stdout.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
