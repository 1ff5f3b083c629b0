#!/usr/bin/env python3
"""A media server that streams an ASF file as framed HTTP chunks, one request per connection.

A request with "xPlayStrm=1" gets the header, the packets as "$D" chunks (live: numbered from 5000,
every time 73000 ms later) and "$E"; any other gets the header alone. Paths: /pieceN/... sends in
TCP pieces of N bytes, /damageN/... damages a media reply at random (seed N), /missing* is 404,
/html* a web page, a --playlist path its text ({port} replaced), any other the stream. --fault:
close-in-header, close-in-packet=K, bad-confirm=K, oversized=K, unknown-chunk=K, stall=K (silence
from packet K), end=K ("$E" after packet K), close=K (every connection closed before packet K: a resumed
request gets no further; 0 sends the header alone), unequal-sizes, no-count (an on-demand header
without a packet count), count=N (a header that announces N packets), seq-base=N and seq-step=N (packet i
numbered N + i * step). --drop MODE:N (repeatable, the k-th for the k-th media request) breaks that reply
off after N packets: close, reset (a TCP reset) or stall (silence). --cycle FILE (repeatable) serves the
files in turn with --file, one per media request (and the probe before it). Prints "PORT <n>" first; stops
after --lifetime seconds, or once --connections connections were served.
"""

import argparse
import base64
import os
import random
import re
import select
import socket
import struct
import threading
import time

from asf_stream import repeated_header, repeat_span, reset, time_fields

FILE_PROPERTIES = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")
LIVE_SEQUENCE, LIVE_TIME = 5000, 73000


def chunk(kind, body, seq=0, flags=0, confirm=None):
    length = len(body) + 8
    return b"$" + kind + struct.pack("<HIBBH", length, seq & 0xFFFFFFFF, 0, flags,
                                     length if confirm is None else confirm) + body


def head(code, reason, ctype, extra=()):
    lines = [f"HTTP/1.0 {code} {reason}", "Server: FakeMediaServer/1.0", f"Content-Type: {ctype}", *extra]
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")


class Clip:
    """The header and data packets of one ASF file."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        size = struct.unpack_from("<Q", data, 16)[0]
        self.header = data[:size + 50]
        self.fp = self.header.find(FILE_PROPERTIES)
        self.packet_size = struct.unpack_from("<I", self.header, self.fp + 92)[0]
        count = struct.unpack_from("<Q", self.header, size + 40)[0]
        self.packets = [data[size + 50 + i * self.packet_size:][:self.packet_size] for i in range(count)]
        self.fields = [time_fields(p, self.packet_size) for p in self.packets]
        self.span = repeat_span(self.header, self.fp)  # ms from one repeat to the next


class Server:
    def __init__(self, args):
        self.args, self.lock, self.done = args, threading.Lock(), threading.Event()
        self.faults = {name: int(value or "0", 0) for name, _, value in (f.partition("=") for f in args.fault)}
        lists = (p.split("=", 2) for p in args.playlist)
        self.playlists = {path: (ctype, os.fsencode(text)) for path, ctype, text in lists}
        self.clips = [Clip(path) for path in [args.file] + args.cycle]
        self.drops = [(mode, int(n)) for mode, _, n in (d.partition(":") for d in args.drop)]
        self.media_requests = 0

    def handle(self, conn):
        request = b""
        while b"\r\n\r\n" not in request and len(request) < 65536:
            part = conn.recv(4096)
            if not part:
                return
            request += part
        if self.args.log:
            with self.lock, open(self.args.log, "ab") as f:
                f.write(request)
        text = request.decode("latin-1")
        path = (text.split(" ") + ["/", "/"])[1]
        if path.startswith("http://"):  # through a proxy
            path = "/" + path.split("/", 3)[-1]
        piece, damage = re.match(r"/piece(\d+)/", path), re.match(r"/damage(\d+)/", path)
        step = int(piece[1]) if piece else 1 << 30
        rng = random.Random(int(damage[1])) if damage and "xPlayStrm=1" in text else None

        def send(data):
            if rng:  # flip bytes, often in the chunk framing and packet heads; perhaps cut the rest
                data = bytearray(data)
                for _ in range(1 + rng.randrange(24)):
                    data[rng.randrange(len(data) if rng.random() < 0.5 else min(len(data), 2048))] = rng.randrange(256)
                if rng.random() < 0.3:
                    conn.sendall(data[:rng.randrange(len(data))])
                    raise ConnectionAbortedError
            for i in range(0, len(data), step):
                conn.sendall(data[i:i + step])

        wanted = "Authorization: Basic " + base64.b64encode((self.args.auth or "").encode()).decode()
        if self.args.auth and wanted + "\r\n" not in text:
            send(head(401, "Unauthorized", "text/html", ['WWW-Authenticate: Basic realm="media"']) + b"<html>401</html>")
        elif path.startswith("/missing"):
            send(head(404, "Not Found", "text/html") + b"<html>missing</html>")
        elif path.startswith("/html"):
            send(head(200, "OK", "text/html") + b"<html><body>An ordinary page</body></html>\n")
        elif path in self.playlists:
            ctype, body = self.playlists[path]
            body = body.replace(b"{port}", str(self.port).encode())
            send(head(200, "OK", ctype, [f"Content-Length: {len(body)}"]) + body)
        else:
            offset = re.search(r"stream-offset=(\d+):(\d+)", text)
            whole = offset and (int(offset[1]), int(offset[2])) != (0xFFFFFFFF, 0xFFFFFFFF)
            self.stream(send, "xPlayStrm=1" in text, int(offset[1]) << 32 | int(offset[2]) if whole else None,
                        conn)

    def header_chunks(self, clip):
        h, fp, data = bytearray(clip.header), clip.fp, len(clip.header) - 50
        if self.args.mode == "live":  # a broadcast: no size, count or duration
            for at in (fp + 40, fp + 56, fp + 64, fp + 72, data + 16, data + 40):
                struct.pack_into("<Q", h, at, 0)
            struct.pack_into("<I", h, fp + 88, 1)
        else:
            h = bytearray(repeated_header(clip.header, fp, clip.packet_size, self.args.repeat))
            for name, count in (("no-count", 0), ("count", self.faults.get("count"))):
                if name in self.faults:
                    struct.pack_into("<Q", h, fp + 56, count)
                    struct.pack_into("<Q", h, data + 40, count)
        if "unequal-sizes" in self.faults:
            struct.pack_into("<I", h, fp + 92, clip.packet_size - 1)
        size = -(-len(h) // max(1, self.args.header_parts))
        parts = [bytes(h[i:i + size]) for i in range(0, len(h), size)]
        return b"".join(chunk(b"H", p, 0, (4 if i == 0 else 0) | (8 if i == len(parts) - 1 else 0))
                        for i, p in enumerate(parts))

    def packet(self, clip, i, live):
        """Packet i of the stream as sent, and its send time in ms."""
        n = len(clip.packets)
        delta = (i // n) * clip.span + (LIVE_TIME if live else 0)
        body, fields = clip.packets[i % n], clip.fields[i % n]
        if delta and fields:
            body = bytearray(body)
            for f in fields:
                struct.pack_into("<I", body, f, (struct.unpack_from("<I", body, f)[0] + delta) & 0xFFFFFFFF)
        send_time = struct.unpack_from("<I", body, fields[0])[0] if fields else 0
        return bytes(body), send_time

    def stream(self, send, media, offset, conn=None):
        args, faults, live = self.args, self.faults, self.args.mode == "live"
        drop = None
        with self.lock:  # a probe gets the clip of the media request after it
            clip = self.clips[self.media_requests % len(self.clips)]
            if media:
                self.media_requests += 1
                if self.media_requests <= len(self.drops):
                    drop = self.drops[self.media_requests - 1]
        features = '"broadcast,playlist"' if live else '"seekable,stridable"'
        items = ["no-cache", "client-id=3735928559", f"features={features}", "timeout=60000"]
        pragma = ["Pragma: " + ",".join(items)] if args.later else ["Pragma: " + item for item in items]
        ctype = "application/octet-stream"
        if args.later:
            ctype = "application/x-mms-framed" if media else "application/vnd.ms.wms-hdr.asfv1"
        headers = self.header_chunks(clip)
        out = head(200, "OK", ctype, pragma) + headers
        if not media or "close-in-header" in faults:
            send(out[:len(out) - len(headers) // 2] if media else out)
            return
        total = len(clip.packets) * (1 if live else args.repeat)
        first = 0
        if not live and offset and offset > len(clip.header):
            # Resume from the packet that holds the byte after what the client has.
            first = min(total, (offset - len(clip.header)) // clip.packet_size)
        base = faults.get("seq-base", LIVE_SEQUENCE if live else 0)
        step = faults.get("seq-step", 1)
        start, t0, batch = time.monotonic(), None, [out]
        for i in range(first, total):
            if self.done.is_set():
                return
            if drop and i - first == drop[1]:
                send(b"".join(batch))
                if drop[0] == "reset":
                    reset(conn)
                elif drop[0] == "stall":
                    self.done.wait(args.lifetime)
                return
            if i >= faults.get("close", total):
                send(b"".join(batch))
                return
            if i - first == faults.get("stall"):
                send(b"".join(batch))
                self.done.wait(args.lifetime)
                return
            body, send_time = self.packet(clip, i, live)
            if args.rate:
                t0 = send_time if t0 is None else t0
                wait = start + (send_time - t0) / 1000.0 / args.rate - time.monotonic()
                if wait > 0:
                    send(b"".join(batch))
                    batch = []
                    time.sleep(wait)
            if args.later:
                body = body.rstrip(b"\0") or body[:1]
            if i == faults.get("unknown-chunk"):
                batch.append(chunk(b"M", b"metadata-changed", base + i * step))
            if i == faults.get("oversized"):
                body += bytes(16)
            c = chunk(b"D", body, base + i * step, 0, len(body) + 9 if i == faults.get("bad-confirm") else None)
            if i == faults.get("close-in-packet"):
                send(b"".join(batch) + c[:len(c) // 2])
                return
            batch.append(c)
            if i + 1 == faults.get("end"):
                break
            if len(batch) >= 80:
                send(b"".join(batch))
                batch = []
        if faults.get("close", total + 1) <= total:
            send(b"".join(batch))
            return
        send(b"".join(batch) + chunk(b"E", b"", base + total))

    def serve(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", self.args.port))
        listener.listen(16)
        self.port = listener.getsockname()[1]
        print(f"PORT {self.port}", flush=True)
        deadline, threads = time.monotonic() + self.args.lifetime, []

        def run(conn):
            try:
                conn.settimeout(15)
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                self.handle(conn)
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            conn.close()

        while time.monotonic() < deadline:
            if self.args.connections and len(threads) >= self.args.connections:
                if not any(t.is_alive() for t in threads):
                    break
                time.sleep(0.02)
            elif select.select([listener], [], [], 0.1)[0]:
                threads.append(threading.Thread(target=run, args=(listener.accept()[0],), daemon=True))
                threads[-1].start()
        self.done.set()


def main():
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--file", required=True)
    p.add_argument("--mode", choices=["ondemand", "live"], default="ondemand")
    p.add_argument("--log", help="append every request to this file")
    p.add_argument("--lifetime", type=float, default=30.0)
    p.add_argument("--connections", type=int, default=0)
    p.add_argument("--header-parts", type=int, default=1)
    p.add_argument("--rate", type=float, default=0.0, help="pace at this multiple of real time")
    p.add_argument("--repeat", type=int, default=1, help="on demand: play the packets this many times")
    p.add_argument("--auth", help="user:password required")
    p.add_argument("--playlist", action="append", default=[], help="PATH=CONTENT-TYPE=TEXT")
    p.add_argument("--later", action="store_true",
                   help="reply as later servers do: newer content types, one Pragma line, packets without padding")
    p.add_argument("--fault", action="append", default=[])
    p.add_argument("--drop", action="append", default=[], help="MODE:N for the next media request")
    p.add_argument("--cycle", action="append", default=[], help="FILE: served in turn with --file")
    Server(p.parse_args()).serve()
    os._exit(0)


if __name__ == "__main__":
    main()
