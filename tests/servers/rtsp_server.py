#!/usr/bin/env python3
"""A fake Windows Media RTSP server for the tests.

Answers DESCRIBE with an SDP that carries the ASF header of --file in base64,
answers SETUP, SET_PARAMETER and PLAY, then sends every data packet of the
file as one interleaved frame ("$", channel, 16-bit length, a 12-byte RTP
header, a 4-byte payload header, the packet) and ends with an RTSP message
(or a close, or silence, as asked).

Prints "PORT <n>" first and "CONNECTION <client port>" for each connection,
serves --connections connections one after the other (or one per entry of
--pieces) and exits, or exits after --lifetime
seconds whatever happens. --log FILE receives every byte the clients sent,
in order, exactly as received.
"""

import argparse
import base64
import os
import random
import socket
import struct
import sys
import threading
import time

HEADER_GUID = bytes.fromhex("3026b2758e66cf11a6d900aa0062ce6c")
DATA_GUID = bytes.fromhex("3626b2758e66cf11a6d900aa0062ce6c")
FILE_PROPS_GUID = bytes.fromhex("a1dcab8c47a9cf118ee400c00c205365")
PADDING_GUID = bytes.fromhex("74d40618dfca0945a4ba9aabcb96aae8")

HEADER_PREFIX = "a=pgmpu:data:application/vnd.ms.wms-hdr.asfv1;base64,"

# Times of a live broadcast start this far from 0 (ms).
LIVE_OFFSET = 3_600_000

FAULTS = ("oversized", "huge", "garbage", "short", "tiny", "not-asf", "cut")


class Disconnected(Exception):
    pass


# --- the ASF file -----------------------------------------------------------

def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def u64(b, at):
    return struct.unpack_from("<Q", b, at)[0]


def type_size(t):
    return 4 if t == 3 else t


def read_by_type(p, at, t):
    n = type_size(t)
    return (int.from_bytes(p[at:at + n], "little") if n else 0), at + n


def packet_layout(p, packet_size):
    """(send time offset, [presentation time offsets], padding length) of a
    data packet, or None when it does not parse."""
    if len(p) < 8 or p[0] != 0x82 or p[1] or p[2]:
        return None
    flags, props = p[3], p[4]
    at = 5
    _, at = read_by_type(p, at, (flags >> 5) & 3)
    _, at = read_by_type(p, at, (flags >> 1) & 3)
    padding, at = read_by_type(p, at, (flags >> 3) & 3)
    send_at = at
    at += 6  # send time, duration
    presentations = []
    count, length_type = 1, 0
    if flags & 1:
        count, length_type = p[at] & 0x3F, p[at] >> 6
        at += 1
    for _ in range(count):
        at += 1  # stream number
        _, at = read_by_type(p, at, (props >> 4) & 3)
        _, at = read_by_type(p, at, (props >> 2) & 3)
        rlen, at = read_by_type(p, at, props & 3)
        if rlen >= 8:
            presentations.append(at + 4)
        at += rlen
        if flags & 1:
            plen, at = read_by_type(p, at, length_type)
            at += plen
        if at > len(p):
            return None
    return send_at, presentations, padding


class AsfSource:
    def __init__(self, path, live, unequal, header_extra):
        data = open(path, "rb").read()
        if data[:16] != HEADER_GUID:
            raise SystemExit("not an ASF file: " + path)
        header_size = u64(data, 16)
        if data[header_size:header_size + 16] != DATA_GUID:
            raise SystemExit("no Data object after the header")
        header = bytearray(data[:header_size + 50])
        fp = header.find(FILE_PROPS_GUID)
        self.packet_size = u32(header, fp + 92)
        count = u64(data, header_size + 40)
        first = header_size + 50
        self.packets = [bytearray(data[first + i * self.packet_size:
                                       first + (i + 1) * self.packet_size])
                        for i in range(count)]
        if live:
            # A broadcast: no duration, no counts, the broadcast flag, and
            # clock times that started long ago.
            for field in (40, 56, 64, 72):
                struct.pack_into("<Q", header, fp + field, 0)
            struct.pack_into("<I", header, fp + 88, 1)
            struct.pack_into("<Q", header, header_size + 40, 0)
            for p in self.packets:
                layout = packet_layout(p, self.packet_size)
                if layout is None:
                    continue
                send_at, presentations, _ = layout
                for at in [send_at] + presentations:
                    struct.pack_into("<I", p, at, u32(p, at) + LIVE_OFFSET)
        if unequal:
            struct.pack_into("<I", header, fp + 96, self.packet_size + 1)
        if header_extra is not None:
            # A Padding object right after the header object's own fields
            # changes the header's length and nothing else.
            pad = PADDING_GUID + struct.pack("<Q", 24 + header_extra) + bytes(header_extra)
            header = header[:30] + pad + header[30:]
            struct.pack_into("<Q", header, 16, header_size + len(pad))
            struct.pack_into("<I", header, 24, u32(header, 24) + 1)
        self.header = bytes(header)

    def trimmed(self, i):
        """Packet i without its trailing padding bytes."""
        p = self.packets[i]
        layout = packet_layout(p, self.packet_size)
        if layout is None or layout[2] == 0 or layout[2] >= len(p):
            return bytes(p)
        return bytes(p[:len(p) - layout[2]])


# --- one connection -----------------------------------------------------------

class Session:
    def __init__(self, conn, args, source, log, piece):
        self.conn = conn
        self.args = args
        self.source = source
        self.log = log
        self.piece = piece
        self.buffer = b""

    def send(self, data, reply=False):
        try:
            if self.args.split_replies and reply:
                # Pieces with pauses: a reader that takes a short receive for
                # the end of a reply sees only the first one.
                cuts = [0, min(10, len(data)), len(data) // 2, len(data)]
                for a, b in zip(cuts, cuts[1:]):
                    if b > a:
                        self.conn.sendall(data[a:b])
                        time.sleep(0.05)
            elif self.piece:
                for at in range(0, len(data), self.piece):
                    self.conn.sendall(data[at:at + self.piece])
                    if reply and self.args.piece_delay_ms:
                        time.sleep(self.args.piece_delay_ms / 1000.0)
            else:
                self.conn.sendall(data)
        except OSError:
            raise Disconnected()

    def receive(self):
        try:
            chunk = self.conn.recv(65536)
        except OSError:
            chunk = b""
        if not chunk:
            raise Disconnected()
        if self.log:
            self.log.write(chunk)
            self.log.flush()
        self.buffer += chunk

    def read_request(self):
        while b"\r\n\r\n" not in self.buffer:
            self.receive()
        head, _, rest = self.buffer.partition(b"\r\n\r\n")
        self.buffer = rest
        lines = head.decode("latin-1").split("\r\n")
        fields = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            fields[name.strip().lower()] = value.strip()
        length = int(fields.get("content-length", "0") or 0)
        while len(self.buffer) < length:
            self.receive()
        self.buffer = self.buffer[length:]
        parts = lines[0].split(" ")
        method = parts[0]
        url = parts[1] if len(parts) > 1 else ""
        return method, url, fields

    def hold(self):
        """Keep the connection open, answering nothing, until the client goes."""
        while True:
            self.receive()

    def reply(self, cseq, status="200 OK", extra=(), body=b""):
        lines = ["RTSP/1.0 " + status, "CSeq: " + cseq, "Server: FakeMediaServer/1.0"]
        lines += list(extra)
        if body:
            lines.append("Content-Length: %d" % len(body))
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body

    def sdp(self, url):
        src = self.source
        lines = [
            "v=0",
            "o=- 2024111100 2024111100 IN IP4 127.0.0.1",
            "s=",
            "c=IN IP4 0.0.0.0",
            "b=AS:400",
            "a=maxps:%d" % src.packet_size,
            "t=0 0",
            "a=control:" + url,
            "a=etag:{A1B2C3D4-0000-1111-2222-333344445555}",
            "a=range:npt=0-",
            "a=recvonly",
        ]
        for n in range(0, self.args.sdp_extra, 100):
            lines.append("a=x-filler:" + "f" * min(100, self.args.sdp_extra - n))
        if not self.args.no_header:
            lines.append(HEADER_PREFIX + base64.b64encode(src.header).decode("ascii"))
        lines += [
            "m=audio 0 RTP/AVP 96",
            "a=rtpmap:96 x-asf-pf/1000",
            "a=control:audio",
            "a=stream:1",
            "",
            "m=video 0 RTP/AVP 96",
            "a=rtpmap:96 x-asf-pf/1000",
            "a=control:video",
            "a=stream:2",
            "",
            "m=application 0 RTP/AVP 96",
            "a=rtpmap:96 x-wms-rtx/1000",
            "a=control:rtx",
            "a=stream:65536",
        ]
        return ("\r\n".join(lines) + "\r\n").encode("latin-1")

    def handshake(self):
        session = ["Session: " + self.args.session]
        while True:
            method, url, fields = self.read_request()
            if self.args.silent:
                continue
            cseq = fields.get("cseq", "0")
            if method == "DESCRIBE":
                self.send(self.reply(cseq, extra=["Content-Type: application/sdp"],
                                     body=self.sdp(url)), reply=True)
            elif method == "SETUP":
                suffix = url.rsplit("/", 1)[-1]
                if suffix in self.args.refuse:
                    self.send(self.reply(cseq, "461 Unsupported Transport"), reply=True)
                else:
                    transport = fields.get("transport", "")
                    self.send(self.reply(cseq, extra=session + ["Transport: " + transport]),
                              reply=True)
            elif method == "SET_PARAMETER":
                self.send(self.reply(cseq, extra=session), reply=True)
            elif method == "PLAY":
                return self.reply(cseq, extra=session + [
                    "Range: npt=0.000-",
                    "RTP-Info: url=%s/audio;seq=1;rtptime=0" % url])
            else:
                self.send(self.reply(cseq, "405 Method Not Allowed"), reply=True)

    def frame(self, packet, seq, length=None):
        rtp = struct.pack(">BBHII", 0x80, 0x60, seq & 0xFFFF, seq * 10, 0x6AB10808)
        payload_header = bytes([0x40]) + (len(packet) + 4).to_bytes(3, "big")
        body = rtp + payload_header + packet
        return b"$" + bytes([2]) + struct.pack(">H", length if length is not None
                                                else len(body)) + body

    def fault(self, kind, seq):
        src = self.source
        if kind == "oversized":
            # One byte more than the packet buffer of the client holds.
            return self.frame(b"\x82\x00\x00" + bytes(18193 - 3), seq)
        if kind == "huge":
            return self.frame(b"\x82\x00\x00" + bytes(65535 - 16 - 3), seq)
        if kind == "garbage":
            rnd = random.Random(seq)
            # Enough of it that any length read from it is there in full.
            return b"$\x02" + bytes(rnd.randrange(256) for _ in range(70000))
        if kind == "short":
            return b"$\x02\x00\x10" + bytes(16)
        if kind == "tiny":
            return b"$\x02\x00\x03abc"
        if kind == "not-asf":
            return self.frame(b"\x00" + bytes(src.packets[0][1:]), seq)
        if kind == "cut":
            whole = self.frame(bytes(src.packets[seq % len(src.packets)]), seq)
            return whole[:len(whole) // 2]
        raise SystemExit("unknown fault " + kind)

    def run(self):
        play_reply = self.handshake()
        src = self.source
        packets = list(range(len(src.packets)))
        if self.args.packets is not None:
            packets = packets[:self.args.packets]
        pending = play_reply  # the reply and the first frame go out together
        for n, i in enumerate(packets):
            if self.args.fault and n == self.args.fault_after:
                self.send(pending + self.fault(self.args.fault, n))
                if self.args.fault == "cut":
                    return
                pending = b""
                self.hold()
            if self.args.stall_after is not None and n == self.args.stall_after:
                self.send(pending)
                self.hold()
            packet = src.trimmed(i) if self.args.trim_padding else bytes(src.packets[i])
            self.send(pending + self.frame(packet, n))
            pending = b""
        self.send(pending)
        if self.args.end == "message":
            self.send(("SET_PARAMETER * RTSP/1.0\r\nCSeq: 1\r\n"
                       "Content-Type: application/x-wms-extension-cmd\r\n"
                       "X-Notice: 2101 \"End-of-Stream Reached\"\r\n"
                       "Content-Length: 0\r\n\r\n").encode("latin-1"))
            self.hold()
        elif self.args.end == "hold":
            self.hold()


def parse_pieces(text):
    out = []
    for part in text.split(","):
        if "-" in part:
            a, b = part.split("-")
            out += list(range(int(a), int(b) + 1))
        else:
            out.append(int(part))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--file", required=True, help="the ASF file to stream")
    ap.add_argument("--log", help="append every received byte to this file")
    ap.add_argument("--lifetime", type=float, default=30.0)
    ap.add_argument("--connections", type=int, default=1)
    ap.add_argument("--session", default="4711;timeout=60",
                    help="the value of the Session header")
    ap.add_argument("--no-header", action="store_true", help="no header line in the SDP")
    ap.add_argument("--unequal-sizes", action="store_true",
                    help="maximum packet size one more than the minimum")
    ap.add_argument("--header-extra", type=int,
                    help="lengthen the header by a Padding object of 24+N bytes")
    ap.add_argument("--sdp-extra", type=int, default=0,
                    help="lengthen the SDP by about N bytes of attribute lines")
    ap.add_argument("--live", action="store_true",
                    help="a broadcast: play duration 0, times far from 0")
    ap.add_argument("--trim-padding", action="store_true",
                    help="send packets without their trailing padding")
    ap.add_argument("--packets", type=int, help="send only the first N packets")
    ap.add_argument("--refuse", action="append", default=[],
                    help="answer SETUP of this control name (audio, video, rtx) with 461")
    ap.add_argument("--split-replies", action="store_true",
                    help="send every reply in pieces with pauses between them")
    ap.add_argument("--pieces", help="piece sizes (list or ranges, one per connection) "
                                     "in which every byte is sent")
    ap.add_argument("--piece-delay-ms", type=float, default=0.0,
                    help="pause between the pieces of a reply")
    ap.add_argument("--silent", action="store_true", help="answer nothing at all")
    ap.add_argument("--stall-after", type=int, help="go silent after N frames")
    ap.add_argument("--fault", choices=FAULTS, help="send a bad frame")
    ap.add_argument("--fault-after", type=int, default=0, help="... after N good frames")
    ap.add_argument("--end", choices=("message", "close", "hold"), default="message")
    args = ap.parse_args()

    threading.Timer(args.lifetime, lambda: os._exit(0)).start()
    source = AsfSource(args.file, args.live, args.unequal_sizes, args.header_extra)
    pieces = parse_pieces(args.pieces) if args.pieces else None
    connections = len(pieces) if pieces else args.connections
    log = open(args.log, "ab") if args.log else None

    srv = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    srv.bind(("127.0.0.1", args.port))
    srv.listen(4)
    print("PORT %d" % srv.getsockname()[1], flush=True)

    for n in range(connections):
        conn, peer = srv.accept()
        print("CONNECTION %d" % peer[1], flush=True)
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            Session(conn, args, source, log, pieces[n] if pieces else 0).run()
        except Disconnected:
            pass
        finally:
            try:
                conn.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            conn.close()
    if log:
        log.close()
    sys.stdout.flush()
    os._exit(0)


if __name__ == "__main__":
    main()
