#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <netinet/in.h>

// The command packets of the MMS-over-TCP protocol, byte for byte. Every
// command is a 40-byte frame (kind, session signature, message length L,
// the "MMS " seal, L in 8-byte units, sequence number, time stamp, body
// length in 8-byte units, command code) and its body; L counts the bytes
// from offset 16 on, and exactly L + 16 bytes are sent.
namespace mms {

constexpr uint32_t kSessionSignature = 0xB00BFACE;
constexpr size_t kFrameSize = 40;  // the part before the body
constexpr size_t kPrefixSize = 16;  // the part before the message of length L

// Commands from the client.
constexpr uint32_t kConnect = 0x00030001;
constexpr uint32_t kTransport = 0x00030002;
constexpr uint32_t kOpenFile = 0x00030005;
constexpr uint32_t kStartPlaying = 0x00030007;
constexpr uint32_t kReadBlock = 0x00030015;
constexpr uint32_t kFunnelInfo = 0x00030018;
constexpr uint32_t kPong = 0x0003001B;
constexpr uint32_t kStreamSelect = 0x00030033;

// Replies from the server.
constexpr uint32_t kReplyConnected = 0x00040001;
constexpr uint32_t kReplyTransport = 0x00040002;
constexpr uint32_t kReplyOpenFile = 0x00040006;
constexpr uint32_t kReplyFunnelInfo = 0x00040015;
constexpr uint32_t kReplyPing = 0x0004001B;
constexpr uint32_t kReplyEndOfStream = 0x0004001E;
constexpr uint32_t kReplyStreamSelected = 0x00040021;

// The start-playing command always carries this sequence number.
constexpr uint32_t kStartPlayingSequence = 6;

using Packet = std::vector<uint8_t>;

// The player identity: only its first 62 UTF-16 units fit the fixed
// 176-byte packet.
Packet Connect(uint32_t sequence, const std::string& playerId);
Packet FunnelInfo(uint32_t sequence);
// The text names the socket's local IPv4 address and port.
Packet Transport(uint32_t sequence, const sockaddr_in& local);
// object: the address's path without its leading "/".
Packet OpenFile(uint32_t sequence, const std::string& object);
Packet ReadBlock(uint32_t sequence);
Packet StreamSelect(uint32_t sequence);
// resumePacket 0 asks for the stream from its start.
Packet StartPlaying(uint32_t resumePacket);
Packet Pong(uint32_t sequence, uint32_t pingCode);

// The transport and open-file texts as they go out: the text, a NUL unit
// where the blank before the suffix stood, and the suffix.
std::u16string TransportText(const sockaddr_in& local);
std::u16string OpenFileText(const std::string& object);

}  // namespace mms
