#include "cli/json_events.h"

#include "cli/terminal_text.h"
#include "formats/printf.h"

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"': out += "\\\""; ++i; continue;
        case '\\': out += "\\\\"; ++i; continue;
        case '\n': out += "\\n"; ++i; continue;
        case '\r': out += "\\r"; ++i; continue;
        case '\t': out += "\\t"; ++i; continue;
        case '\b': out += "\\b"; ++i; continue;
        case '\f': out += "\\f"; ++i; continue;
        default: break;
        }
        char32_t cp = 0;
        const size_t n = Utf8SequenceAt(text, i, &cp);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        // C1 controls are valid in a JSON string, but its lines are also
        // read on terminals: escaped, they decode to the same text.
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F))
            out += Printf("\\u%04x", static_cast<unsigned>(cp));
        else
            out.append(text, i, n);
        i += n;
    }
    return out + "\"";
}

JsonObject& JsonObject::Add(const char* key, const std::string& value)
{
    members_.emplace_back(key, JsonString(value));
    return *this;
}

JsonObject& JsonObject::Add(const char* key, int64_t value)
{
    members_.emplace_back(key, Printf("%lld", static_cast<long long>(value)));
    return *this;
}

JsonObject& JsonObject::Add(const char* key, const std::vector<JsonObject>& items)
{
    std::string array = "[";
    for (size_t i = 0; i < items.size(); ++i)
        array += (i ? "," : "") + items[i].Text();
    members_.emplace_back(key, array + "]");
    return *this;
}

std::vector<JsonObject> AttemptsJson(const std::vector<FailedAttempt>& attempts)
{
    std::vector<JsonObject> items;
    for (const FailedAttempt& a : attempts) {
        JsonObject item;
        item.Add("transport", TransportName(a.transport)).Add("address", a.address).Add("reason", a.reason);
        items.push_back(std::move(item));
    }
    return items;
}

std::string JsonObject::Text() const
{
    std::string out = "{";
    for (size_t i = 0; i < members_.size(); ++i) {
        if (i)
            out += ",";
        out += JsonString(members_[i].first) + ":" + members_[i].second;
    }
    return out + "}";
}
