#include "formats/asx_writer.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "base/app_settings.h"
#include "base/user_prompts.h"
#include "formats/printf.h"

namespace {

// What a C "%s" would print: up to the first NUL.
std::string AsCString(const std::string& s) { return std::string(s.c_str()); }

bool WriteAll(FILE* f, const std::string& s) { return std::fwrite(s.data(), 1, s.size(), f) == s.size(); }

}  // namespace

std::string CleanAsxTitle(const std::string& title)
{
    std::string cleaned = title;
    for (char& c : cleaned) {
        if (c == '\0' || std::strchr("\\/:*?\"<>|", c))
            c = '_';
    }
    return cleaned;
}

std::string AsxSaveFolder(const AppSettings& settings) { return settings.m_baseDir; }

std::string ProposedAsxPath(const AppSettings& settings, const std::string& title)
{
    std::string cleaned = CleanAsxTitle(title);
    std::string folder = AsxSaveFolder(settings);
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + (cleaned.empty() ? std::string("noname") : cleaned) + ".asx";
}

AsxWriteResult WriteAsxFile(const std::string& path, const std::string& title,
                            const std::string& address, UserPrompts* prompts)
{
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        std::string question = Printf("%s \n\n File exist. Overwrite?", path.c_str());
        if (!prompts || !prompts->AskYesNo(question, CancelSignal::Never()))
            return AsxWriteResult::Declined;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return AsxWriteResult::Failed;
    // CR LF line ends, as the playlists this program reads and writes have them.
    bool ok = WriteAll(f, "<ASX version=\"3.0\">\r\n") && WriteAll(f, "<Entry>\r\n") &&
              WriteAll(f, "<TITLE>" + AsCString(title) + "</TITLE>\r\n") &&
              WriteAll(f, "<ref href=\"" + AsCString(address) + "\"/>\r\n") &&
              WriteAll(f, "</Entry>\r\n") && WriteAll(f, "</ASX>\r\n");
    if (std::fclose(f) != 0)
        ok = false;
    return ok ? AsxWriteResult::Written : AsxWriteResult::Failed;
}

AsxWriteResult AsxSave(const AppSettings& settings, const std::string& title,
                       const std::string& address, UserPrompts* prompts)
{
    std::string cleaned = CleanAsxTitle(title);
    if (cleaned.empty())
        return AsxSaveAs(settings, title, address, prompts);
    return WriteAsxFile(ProposedAsxPath(settings, title), cleaned, address, prompts);
}

AsxWriteResult AsxSaveAs(const AppSettings& settings, const std::string& title,
                         const std::string& address, UserPrompts* prompts)
{
    std::string path = ProposedAsxPath(settings, title);
    if (!prompts || !prompts->AskSavePath(path, CancelSignal::Never()) || path.empty())
        return AsxWriteResult::Declined;
    return WriteAsxFile(path, CleanAsxTitle(title), address, prompts);
}
