#include "base/display_text.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// -1: not decided yet; otherwise a DisplayLanguage.
std::atomic<int> g_language{-1};

std::string Format(const char* format, unsigned long long a, unsigned long long b = 0,
                   unsigned long long c = 0, unsigned long long d = 0)
{
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

}  // namespace

DisplayLanguage DisplayLanguageFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        // "ko", "ko_KR", "ko_KR.UTF-8", "ko.UTF-8", "ko@...".
        const bool korean = std::strncmp(value, "ko", 2) == 0 && std::strchr("_.@", value[2]) != nullptr;
        return korean ? DisplayLanguage::Korean : DisplayLanguage::English;
    }
    return DisplayLanguage::English;
}

DisplayLanguage CurrentDisplayLanguage()
{
    int language = g_language.load();
    if (language < 0) {
        language = static_cast<int>(DisplayLanguageFromEnvironment());
        int expected = -1;
        if (!g_language.compare_exchange_strong(expected, language))
            language = expected;
    }
    return static_cast<DisplayLanguage>(language);
}

void SetDisplayLanguage(DisplayLanguage language) { g_language = static_cast<int>(language); }

const char* CompletedText(DisplayLanguage language)
{
    return language == DisplayLanguage::Korean ? "\xEC\x99\x84\xEB\xA3\x8C" : "completed";
}

const char* CancelledText(DisplayLanguage language)
{
    return language == DisplayLanguage::Korean ? "\xEC\xB7\xA8\xEC\x86\x8C" : "cancelled";
}

const char* ChannelText(int channels, DisplayLanguage language)
{
    const bool korean = language == DisplayLanguage::Korean;
    if (channels == 2)
        return korean ? "\xEC\x8A\xA4\xED\x85\x8C\xEB\xA0\x88\xEC\x98\xA4" : "stereo";
    return korean ? "\xEB\xAA\xA8\xEB\x85\xB8" : "mono";
}

std::string ReconnectingText(uint32_t attempt)
{
    return Format("reconnecting (%llu)", attempt);
}

std::string DurationText(uint32_t ms)
{
    return Format("%llu:%02llu:%02llu", ms / 3600000u, ms / 60000u % 60, ms / 1000u % 60);
}

std::string ProgressText(uint32_t t, uint32_t p)
{
    const unsigned percent = p / 100;
    if (t / 1000 / 60 / 60 == 0)
        return Format("%llu:%llu(%llu %%)", t / 1000 / 60, t / 1000 % 60, percent);
    return Format("%llu:%llu:%llu(%llu %%)", t / 1000 / 60 / 60, t / 1000 / 60 % 60, t / 1000 % 60, percent);
}

std::string KilobyteText(uint64_t bytes) { return Format("%lluK", bytes / 1024); }

std::string ListSizeText(uint64_t bytes)
{
    if (bytes > 1048575)
        return Format("%lluM", bytes >> 20);
    if (bytes > 1023)
        return Format("%lluK", bytes >> 10);
    return Format("%lluB", bytes);
}
