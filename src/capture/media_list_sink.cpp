#include "capture/media_list_sink.h"

#include "medialist/media_list.h"

int MediaListCaptureSink::AddCapturedRow(const std::string& address, const std::string& title,
                                         const std::string& playerIdentity)
{
    // Captured rows carry no size switch.
    return list_.AddEntry(address, title, std::string(), playerIdentity);
}

void MediaListCaptureSink::SetCapturedTitle(const std::string& address, const std::string& title)
{
    list_.SetTitleOfAddress(address, title);
}
