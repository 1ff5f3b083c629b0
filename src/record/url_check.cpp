#include "record/url_check.h"

#include <chrono>
#include <system_error>

#include "medialist/media_list.h"

UrlCheck::UrlCheck(MediaList& list, JobServices services, Callbacks callbacks)
    : list_(list), services_(std::move(services)), callbacks_(std::move(callbacks))
{
}

UrlCheck::~UrlCheck()
{
    continue_ = false;
    // The probe's clients may reset their stop flag when the next attempt
    // begins, so the stop is repeated until the walk has really ended.
    while (running_) {
        {
            std::lock_guard lock(mutex_);
            if (probe_)
                probe_->Stop();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Wait();
}

bool UrlCheck::Start(int firstRow, const AppSettings& settings)
{
    if (running_)
        return false;
    Wait();  // a walk that has ended may not have been joined yet
    std::lock_guard lock(mutex_);
    // One object for the whole walk, without an owner: it posts nothing.
    probe_ = std::make_unique<CmmsThread>(nullptr, 0, settings, "", "", "", "", "", services_);
    continue_ = true;
    running_ = true;
    try {
        thread_ = std::thread(&UrlCheck::Walk, this, probe_.get(), firstRow < 0 ? 0 : firstRow,
                              settings.m_memberUser, settings.m_memberPassword);
    } catch (const std::system_error&) {
        running_ = false;
        continue_ = false;
        return false;
    }
    return true;
}

void UrlCheck::Wait()
{
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        thread_.join();
}

void UrlCheck::Walk(CmmsThread* probe, int row, std::string user, std::string password)
{
    for (; continue_ && row < list_.RowCount(); ++row) {
        if (callbacks_.rowStarted)
            callbacks_.rowStarted(row);
        // A recorded row is still a network address and is checked too.
        const int image = list_.Image(row);
        if (image != kImageNetwork && image != kImageRecorded) {
            if (callbacks_.rowDone)
                callbacks_.rowDone(row, RowResult::Skipped, std::string());
            continue;
        }
        const std::string address = list_.Cell(row, kColOriginalFile);
        list_.SetCell(row, kColRecord, "Checking");
        const bool ok = probe->Check(address, user, password) != 0;
        if (ok) {
            list_.SetCell(row, kColRecord, "Ok");
        } else {
            const std::string title = list_.Cell(row, kColFile);
            if (title.rfind("(x)", 0) != 0)
                list_.SetCell(row, kColFile, "(x)" + title);
            list_.SetCell(row, kColRecord, "Error");
        }
        if (callbacks_.rowDone)
            callbacks_.rowDone(row, ok ? RowResult::Ok : RowResult::Error,
                               ok ? std::string() : probe->job().ErrorText());
    }
    continue_ = false;
    if (callbacks_.finished)
        callbacks_.finished();
    running_ = false;
}
