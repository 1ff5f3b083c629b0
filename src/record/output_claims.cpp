#include "record/output_claims.h"

#include <mutex>
#include <set>

#include "record/output_names.h"

namespace {

std::mutex g_mutex;
std::set<std::string> g_claimed;  // guarded by g_mutex

}  // namespace

bool OutputClaim::Take(const std::string& path)
{
    if (path == path_)
        return true;
    std::lock_guard lock(g_mutex);
    if (g_claimed.count(path) != 0)
        return false;
    if (!path_.empty())
        g_claimed.erase(path_);
    g_claimed.insert(path);
    path_ = path;
    return true;
}

std::string OutputClaim::TakeUnique(const std::string& path)
{
    std::lock_guard lock(g_mutex);
    const std::string unique = MakeUniqueName(path, [](const std::string& candidate) {
        return g_claimed.count(candidate) != 0 || PathExists(candidate);
    });
    if (unique.empty())
        return unique;  // no free numbered name: the claim stays as it was
    if (!path_.empty())
        g_claimed.erase(path_);
    g_claimed.insert(unique);
    path_ = unique;
    return unique;
}

void OutputClaim::Release()
{
    if (path_.empty())
        return;
    std::lock_guard lock(g_mutex);
    g_claimed.erase(path_);
    path_.clear();
}
