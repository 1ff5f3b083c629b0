#include "capture/media_list_sink.h"

#include "base/task_poster.h"
#include "medialist/media_list.h"

void MediaListCaptureSink::AddCapturedRow(const std::string& address, const std::string& title,
                                          const std::string& playerIdentity)
{
    // Captured rows carry no size switch.
    poster_.Post([list = &list_, address, title, playerIdentity] {
        list->AddEntry(address, title, std::string(), playerIdentity);
    });
}

void MediaListCaptureSink::SetCapturedTitle(const std::string& address, const std::string& title)
{
    poster_.Post([list = &list_, address, title] { list->SetTitleOfAddress(address, title); });
}
