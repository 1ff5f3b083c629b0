#include "schedule/unit_quoting.h"

#include <cstdio>

namespace schedule {

namespace {

void AppendEscaped(std::string* out, std::string_view text, bool forCommand)
{
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '\\' || ch == '"') {
            *out += '\\';
            *out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            *out += hex;
        } else if (forCommand && (ch == '%' || ch == '$')) {
            *out += ch;
            *out += ch;
        } else {
            *out += ch;
        }
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string CommandWord(std::string_view text)
{
    std::string out = "\"";
    AppendEscaped(&out, text, true);
    return out + "\"";
}

std::string ProgramWord(std::string_view path) { return "\"" + SpecifierText(path) + "\""; }

bool ProgramPathIsRunnable(std::string_view path)
{
    if (path.empty() || path[0] != '/')
        return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '"' || c == '\'' || c == '\\')
            return false;
    return true;
}

std::string SpecifierText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

std::string QuotedValue(std::string_view text)
{
    std::string out = "\"";
    AppendEscaped(&out, text, false);
    return out + "\"";
}

bool UnquoteValue(std::string_view value, std::string* text)
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return false;
    value = value.substr(1, value.size() - 2);
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"')
            return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == value.size())
            return false;
        if (value[i] == '\\' || value[i] == '"') {
            out += value[i];
        } else if (value[i] == 'x' && i + 2 < value.size() && HexDigit(value[i + 1]) >= 0 &&
                   HexDigit(value[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(value[i + 1]) * 16 + HexDigit(value[i + 2]));
            i += 2;
        } else {
            return false;
        }
    }
    *text = std::move(out);
    return true;
}

}  // namespace schedule
