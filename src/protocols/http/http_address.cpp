#include "protocols/http/http_address.h"

#include <curl/curl.h>

#include <memory>

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

// One part of a parsed address; empty when it is absent.
std::string Part(CURLU* url, CURLUPart part, unsigned flags = 0)
{
    char* text = nullptr;
    if (curl_url_get(url, part, &text, flags) != CURLUE_OK || !text)
        return {};
    std::string value(text);
    curl_free(text);
    return value;
}

}  // namespace

bool SplitHttpAddress(const std::string& address, HttpAddress* out)
{
    *out = HttpAddress{};
    UrlHandle parsed(curl_url());
    if (!parsed)
        return false;
    // Spaces and bytes above 127 in a path are escaped on the way in, as a
    // browser would send them.
    if (curl_url_set(parsed.get(), CURLUPART_URL, address.c_str(),
                     CURLU_NON_SUPPORT_SCHEME | CURLU_URLENCODE) != CURLUE_OK)
        return false;
    const std::string scheme = Part(parsed.get(), CURLUPART_SCHEME);
    const std::string host = Part(parsed.get(), CURLUPART_HOST);
    if (host.empty())
        return false;
    const std::string port = Part(parsed.get(), CURLUPART_PORT);
    const std::string path = Part(parsed.get(), CURLUPART_PATH);
    const std::string query = Part(parsed.get(), CURLUPART_QUERY);

    UrlHandle target(curl_url());
    if (!target)
        return false;
    const char* targetScheme = scheme == "https" ? "https" : "http";
    if (curl_url_set(target.get(), CURLUPART_SCHEME, targetScheme, 0) != CURLUE_OK ||
        curl_url_set(target.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK)
        return false;
    if (!port.empty() && curl_url_set(target.get(), CURLUPART_PORT, port.c_str(), 0) != CURLUE_OK)
        return false;
    if (curl_url_set(target.get(), CURLUPART_PATH, path.empty() ? "/" : path.c_str(), 0) != CURLUE_OK)
        return false;
    if (!query.empty() && curl_url_set(target.get(), CURLUPART_QUERY, query.c_str(), 0) != CURLUE_OK)
        return false;
    out->target = Part(target.get(), CURLUPART_URL);
    if (out->target.empty())
        return false;
    out->host = host;
    out->user = Part(parsed.get(), CURLUPART_USER, CURLU_URLDECODE);
    out->password = Part(parsed.get(), CURLUPART_PASSWORD, CURLU_URLDECODE);
    return true;
}
