#include "capture/capture_memory.h"

std::string CaptureMemory::PlayerIdentification() const
{
    std::lock_guard lock(mutex_);
    return playerIdentification_;
}

void CaptureMemory::SetPlayerIdentification(const std::string& identification)
{
    std::lock_guard lock(mutex_);
    playerIdentification_ = identification;
}

std::string CaptureMemory::AwaitedHeaderAddress() const
{
    std::lock_guard lock(mutex_);
    return awaitedHeaderAddress_;
}

void CaptureMemory::AwaitHeaderFor(const std::string& address)
{
    std::lock_guard lock(mutex_);
    awaitedHeaderAddress_ = address;
    awaitingHeader_ = true;
}

void CaptureMemory::ClearAwaitedHeader() { awaitingHeader_.store(false); }

bool CaptureMemory::AwaitingHeader() const { return awaitingHeader_.load(); }
