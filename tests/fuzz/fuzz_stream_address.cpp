// libFuzzer target: the address parsers, fed what playlists, servers and
// users hand them: the stream address split into scheme, user, host, port
// and path; the streaming client's escaping, address and proxy parsing and
// the requests built from them; the download client's address; the target
// list of a playlist's words.
//
// The input is the address; a first line end separates from it the proxy
// text ("host:port"), and the byte after a second one the default port.
// Checked beyond memory safety: escaping twice changes nothing, an address
// taken has a host and fits its limit, and no request line can be broken
// by what an address holds.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "protocols/http/http_address.h"
#include "protocols/mmsh/message_log.h"
#include "protocols/mmsh/mmsh_request.h"
#include "protocols/mmsh/stream_url.h"
#include "protocols/mmsh/target_list.h"
#include "protocols/net/url_parts.h"

namespace {

void Require(bool condition, const char* what, const std::string& input)
{
    if (condition)
        return;
    std::fprintf(stderr, "%s: [%s]\n", what, input.c_str());
    std::abort();
}

// Every line of a request ends in CR LF, and no line holds a CR or LF of
// its own: an address cannot add a header line.
bool LinesIntact(const std::string& request)
{
    size_t at = 0;
    while (at < request.size()) {
        const size_t end = request.find("\r\n", at);
        if (end == std::string::npos)
            return false;
        for (size_t i = at; i < end; ++i) {
            if (request[i] == '\r' || request[i] == '\n')
                return false;
        }
        at = end + 2;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string address = input, proxy;
    uint16_t defaultPort = 80;
    if (const size_t nl = input.find('\n'); nl != std::string::npos) {
        address = input.substr(0, nl);
        proxy = input.substr(nl + 1);
        if (const size_t second = proxy.find('\n'); second != std::string::npos) {
            if (second + 1 < proxy.size())
                defaultPort = static_cast<uint8_t>(proxy[second + 1]);
            proxy.resize(second);
        }
    }

    net::UrlParts parts;
    if (net::SplitUrl(address, &parts))
        Require(!parts.host.empty() && parts.port >= 0 && parts.port <= 65535, "SplitUrl took an address", address);

    HttpAddress http;
    SplitHttpAddress(address, &http);

    const std::string escaped = mmsh::EscapeUrl(address);
    Require(mmsh::EscapeUrl(escaped) == escaped, "escaping twice changed the address", address);
    mmsh::HasStreamPrefix(address);
    mmsh::ParsePortNumber(address);

    mmsh::MessageLog log;
    mmsh::StreamUrl url;
    if (mmsh::ParseStreamUrl(escaped, defaultPort, &url, log)) {
        Require(!url.host.empty() && url.host.size() <= mmsh::kMaxUrlText, "the host of a taken address", address);
        Require(!url.path.empty() && url.path[0] == '/', "the path of a taken address", address);
        if (mmsh::ApplyProxy(&url, proxy, log)) {
            Require(url.RequestTarget().size() <= mmsh::kMaxUrlText, "the request target's limit", address);
            const mmsh::RequestParams params{url.RequestTarget(), mmsh::BasicAuthValue(parts.user, parts.password),
                                             url.proxied ? std::string() : url.connectHost,
                                             mmsh::MakeClientGuid(7)};
            Require(LinesIntact(mmsh::BuildProbeRequest(params)), "a probe request line was broken", input);
            Require(LinesIntact(mmsh::BuildMediaRequest(params, false, 1, 2, 3)), "a media request line was broken",
                    input);
            Require(LinesIntact(mmsh::BuildMediaRequest(params, true, 0, 0, 0)), "a live request line was broken",
                    input);
        }
    }

    // A playlist's words: split at blanks, as a run's words are.
    std::vector<std::string> words = {"prog"};
    std::string word;
    for (char c : input) {
        if (c == ' ' || c == '\n') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    const std::vector<mmsh::Target> targets = mmsh::BuildTargetList(words);
    Require(targets.size() <= mmsh::kMaxTargets, "the target list's limit", input);
    return 0;
}
