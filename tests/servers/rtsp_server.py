#!/usr/bin/env python3
"""A fake Windows Media RTSP server for the tests.

Answers DESCRIBE with an SDP that carries the ASF header of --file in base64,
answers SETUP, SET_PARAMETER and PLAY, then sends every data packet as one
interleaved frame ("$", channel, 16-bit length, a 12-byte RTP header, a
4-byte payload header, the packet) and ends with an RTSP message or a close.
--cycle FILE (repeatable) serves the files in turn with --file, one per
connection. Input that is not an RTSP request gets "400 Bad Request" and the connection
is closed, as real servers do.
"""

import base64
import random
import struct
import time

from asf_stream import AsfSource, options, serve

HEADER_PREFIX = "a=pgmpu:data:application/vnd.ms.wms-hdr.asfv1;base64,"
END_OF_STREAM = (b"SET_PARAMETER * RTSP/1.0\r\nCSeq: 1\r\nContent-Type: application/x-wms-extension-cmd\r\n"
                 b"X-Notice: 2101 \"End-of-Stream Reached\"\r\nContent-Length: 0\r\n\r\n")


class BadRequest(Exception):
    pass


def reply(cseq, status="200 OK", extra=(), body=b""):
    lines = ["RTSP/1.0 " + status, "CSeq: " + cseq, "Server: FakeMediaServer/1.0"] + list(extra)
    lines += ["Content-Length: %d" % len(body)] if body else []
    return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body


def frame(packet, seq):
    body = (struct.pack(">BBHII", 0x80, 0x60, seq & 0xFFFF, seq * 10, 0x6AB10808) + b"\x40" +
            (len(packet) + 4).to_bytes(3, "big") + packet)
    return b"$\x02" + struct.pack(">H", len(body)) + body


def bad_frame(kind, packet):
    return {
        # One byte more than the client's packet buffer holds, and the most a frame can claim.
        "oversized": lambda: frame(b"\x82\x00\x00" + bytes(18193 - 3), 4),
        "huge": lambda: frame(b"\x82\x00\x00" + bytes(65535 - 16 - 3), 4),
        # Enough of it that any length read from it is there in full.
        "garbage": lambda: b"$\x02" + random.Random(4).randbytes(70000),
        "short": lambda: b"$\x02\x00\x10" + bytes(16),
        "tiny": lambda: b"$\x02\x00\x03abc",
        "not-asf": lambda: frame(b"\x00" + packet[1:], 4),
        "cut": lambda: frame(packet, 4)[:100],
    }[kind]()


class Session:
    def __init__(self, args, source, header, wire):
        self.args, self.source, self.header, self.wire = args, source, header, wire
        self.buffer = b""

    def send_reply(self, data):
        if not self.args.split_replies:
            return self.wire.send(data)
        # Pieces with pauses: a reader that takes a short receive for the
        # end of a reply sees only the first one.
        for a, b in ((0, 10), (10, len(data) // 2), (len(data) // 2, len(data))):
            self.wire.send(data[a:b])
            time.sleep(0.05)

    def read_request(self):
        while True:
            line = self.buffer.split(b"\n", 1)[0]
            if any(c < 9 or 13 < c < 32 or c > 126 for c in line) or (
                    b"\n" in self.buffer and not line.rstrip(b"\r").endswith(b" RTSP/1.0")):
                raise BadRequest()
            if b"\r\n\r\n" in self.buffer:
                break
            self.buffer += self.wire.recv()
        head, _, self.buffer = self.buffer.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        fields = {name.strip().lower(): value.strip()
                  for name, _, value in (line.partition(":") for line in lines[1:])}
        length = int(fields.get("content-length", "0") or 0)
        while len(self.buffer) < length:
            self.buffer += self.wire.recv()
        self.buffer = self.buffer[length:]
        return (lines[0].split(" ") + [""])[:2], fields

    def hold(self):
        """Keeps the connection open, answering nothing, until the client goes."""
        while True:
            self.wire.recv()

    def sdp(self, url):
        lines = ["v=0", "o=- 2024111100 2024111100 IN IP4 127.0.0.1", "s=", "c=IN IP4 0.0.0.0", "b=AS:400",
                 "a=maxps:%d" % self.source.packet_size, "t=0 0", "a=control:" + url,
                 "a=etag:{A1B2C3D4-0000-1111-2222-333344445555}", "a=range:npt=0-", "a=recvonly"]
        lines += ["a=x-filler:" + "f" * 100] * (self.args.sdp_extra // 100)
        lines += [] if self.args.no_header else [HEADER_PREFIX + base64.b64encode(self.header).decode()]
        for kind, control, stream, form in (("audio", "audio", 1, "x-asf-pf"),
                                            ("video", "video", 2, "x-asf-pf"),
                                            ("application", "rtx", 65536, "x-wms-rtx")):
            lines += ["m=%s 0 RTP/AVP 96" % kind, "a=rtpmap:96 %s/1000" % form, "a=control:" + control,
                      "a=stream:%d" % stream, ""]
        return "\r\n".join(lines).encode("latin-1")

    def handshake(self):
        """Answers the requests up to PLAY; returns the PLAY reply, to go
        out with the first frame."""
        session = ["Session: " + self.args.session]
        while True:
            (method, url), fields = self.read_request()
            cseq = fields.get("cseq", "0")
            if self.args.silent:
                continue
            if method == "DESCRIBE":
                self.send_reply(reply(cseq, extra=["Content-Type: application/sdp"], body=self.sdp(url)))
            elif method == "SETUP" and url.rsplit("/", 1)[-1] in self.args.refuse:
                self.send_reply(reply(cseq, "461 Unsupported Transport"))
            elif method == "SETUP":
                self.send_reply(reply(cseq, extra=session + ["Transport: " + fields.get("transport", "")]))
            elif method == "SET_PARAMETER":
                self.send_reply(reply(cseq, extra=session))
            elif method == "PLAY":
                return reply(cseq, extra=session + ["Range: npt=0.000-", "RTP-Info: url=%s/audio" % url])
            else:
                self.send_reply(reply(cseq, "405 Method Not Allowed"))

    def run(self):
        try:
            pending = self.handshake()
        except BadRequest:
            return self.wire.send(reply("0", "400 Bad Request"))
        for n, packet in self.source.packets(0, self.source.count):
            if n == self.args.stop_after:
                break
            if self.args.fault and n == self.args.fault_after:
                self.wire.send(pending + bad_frame(self.args.fault, packet))
                return None if self.args.fault == "cut" else self.hold()
            if n == self.args.stall_after:
                self.wire.send(pending)
                self.hold()
            self.wire.queue(pending + frame(packet, n))
            pending = b""
        self.wire.send(pending + (END_OF_STREAM if self.args.end == "message" else b""))
        return self.hold() if self.args.end == "message" else None


def main():
    ap = options(__doc__.splitlines()[0])
    ap.add_argument("--session", default="4711;timeout=60", help="the value of the Session header")
    ap.add_argument("--no-header", action="store_true", help="no header line in the SDP")
    ap.add_argument("--unequal-sizes", action="store_true", help="maximum packet size one more than minimum")
    ap.add_argument("--sdp-extra", type=int, default=0, help="lengthen the SDP by about N bytes")
    ap.add_argument("--refuse", action="append", default=[], help="answer SETUP of this control with 461")
    ap.add_argument("--split-replies", action="store_true", help="send replies in pieces with pauses")
    ap.add_argument("--silent", action="store_true", help="answer nothing at all")
    ap.add_argument("--stall-after", type=int, help="go silent after N frames")
    ap.add_argument("--fault", choices=("oversized", "huge", "garbage", "short", "tiny", "not-asf", "cut"),
                    help="send a bad frame after --fault-after good ones")
    ap.add_argument("--fault-after", type=int, default=0)
    ap.add_argument("--stop-after", type=int, help="end the stream (as --end says) after N frames")
    ap.add_argument("--end", choices=("message", "close"), default="message")
    ap.add_argument("--cycle", action="append", default=[], help="FILE: served in turn with --file")
    args = ap.parse_args()
    served = []
    for path in [args.file] + args.cycle:
        source = AsfSource(path, args.trim_padding, args.repeat)
        header = bytearray(source.header)
        if args.unequal_sizes:
            struct.pack_into("<I", header, source.file_props + 96, source.packet_size + 1)
        served.append((source, bytes(header)))
    count = [0]

    def run(wire):
        count[0] += 1
        source, header = served[(count[0] - 1) % len(served)]
        return Session(args, source, header, wire).run()

    serve(args, run)


if __name__ == "__main__":
    main()
