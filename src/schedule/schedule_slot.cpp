#include "schedule/schedule_slot.h"

#include <sys/stat.h>

#include <cstdint>

#include "protocols/net/url_parts.h"

namespace schedule {

namespace {

bool HasControl(std::string_view text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

// Unit files are UTF-8; other bytes would not come back as written.
bool IsUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t extra = 0;
        char32_t cp = 0;
        if ((c & 0xE0) == 0xC0) {
            extra = 1, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra)
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static const char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

Outcome CheckText(const char* what, std::string_view text)
{
    if (HasControl(text))
        return Outcome::Bad(std::string(what) + " holds control characters");
    if (!IsUtf8(text))
        return Outcome::Bad(std::string(what) + " is not UTF-8 text");
    return {};
}

}  // namespace

bool ParseSpan(std::string_view text, int* seconds)
{
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty())
        return false;
    int64_t total = 0;
    std::string_view units = "hms";  // each at most once, in this order
    size_t i = 0;
    while (i < text.size()) {
        int64_t n = 0;
        size_t digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
            n = n > kSpanCeiling ? n : n * 10 + (text[i] - '0');
        if (digits == 0)
            return false;
        if (i == text.size()) {
            if (units.size() != 3)  // "1h30" is not "1h30m" or "1h30s"
                return false;
            total += n;
            break;
        }
        const size_t unit = units.find(text[i++]);
        if (unit == std::string_view::npos)
            return false;
        static const int kFactor[] = {3600, 60, 1};
        total += n * kFactor[3 - units.size() + unit];
        units.remove_prefix(unit + 1);
        if (total > kSpanCeiling)
            total = kSpanCeiling;
    }
    if (total > kSpanCeiling)
        total = kSpanCeiling;
    *seconds = static_cast<int>(negative ? -total : total);
    return true;
}

Outcome CheckSlot(const ScheduleSlot& slot)
{
    if (Outcome o = CheckText("the address", slot.address); !o.ok())
        return o;
    // A local playlist has no place in a schedule: it would be read at the
    // slot's time, from wherever it then is.
    if (!net::IsStreamAddress(slot.address))
        return Outcome::Bad("'" + slot.address + "' is not a stream address (mms://, mmsh://, mmst://, mmsu://, "
                            "rtsp://, http:// or https://)");
    if (Outcome o = CheckText("the title", slot.title); !o.ok())
        return o;
    if (Outcome o = CheckText("the time", slot.when); !o.ok())
        return o;
    if (slot.when.empty())
        return Outcome::Bad("the time is empty");
    if (slot.durationSeconds <= 0)
        return Outcome::Bad("the duration must be more than zero");
    if (slot.durationSeconds > kMaxDurationSeconds)
        return Outcome::Bad("the duration is over a day");
    if (slot.preSeconds < 0 || slot.postSeconds < 0)
        return Outcome::Bad("the padding cannot be negative");
    if (slot.preSeconds > kMaxPaddingSeconds || slot.postSeconds > kMaxPaddingSeconds)
        return Outcome::Bad("the padding is over an hour");
    if (!slot.dir.empty()) {
        if (Outcome o = CheckText("the folder name", slot.dir); !o.ok())
            return o;
        struct stat st {};
        if (slot.dir[0] != '/')
            return Outcome::Bad("the folder " + slot.dir + " is not an absolute path");
        if (::stat(slot.dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return Outcome::Bad("the folder " + slot.dir + " does not exist");
    }
    if (!slot.ifExists.empty()) {
        bool known = false;
        for (const char* word : {"ask", "resume", "overwrite", "rename", "skip"})
            known = known || slot.ifExists == word;
        if (!known)
            return Outcome::Bad("--if-exists wants ask, resume, overwrite, rename or skip");
    }
    return {};
}

bool IsSlotId(std::string_view id)
{
    if (id.empty() || id.size() > 9 || id[0] == '0')
        return false;
    for (char c : id)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace schedule
