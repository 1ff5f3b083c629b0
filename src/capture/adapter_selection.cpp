#include "capture/adapter_selection.h"

#include <algorithm>

#include "base/app_settings.h"

AdapterSelection::AdapterSelection(std::vector<CaptureAdapter> adapters, const AppSettings& settings)
    : adapters_(std::move(adapters)), fileTypes_(settings.m_fileTypes)
{
    const std::string& saved = settings.m_captureDriver;
    save = !saved.empty();
    if (!adapters_.empty())
        selected = 0;
    for (size_t i = 0; i < adapters_.size(); ++i) {
        if (adapters_[i].name == saved) {
            selected = static_cast<int>(i);
            break;
        }
    }
    captureHttp = settings.m_captureHttp != 0;
    captureMms = settings.m_captureMms != 0;
    captureRtsp = settings.m_captureRtsp != 0;
}

bool AdapterSelection::InsertFileType(const std::string& text)
{
    // Blanks typed around an extension are never part of it.
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    const size_t last = text.find_last_not_of(" \t");
    std::string type = text.substr(first, last - first + 1);
    if (type[0] != '.')
        type.insert(type.begin(), '.');
    for (char& c : type) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (std::find(fileTypes_.begin(), fileTypes_.end(), type) != fileTypes_.end())
        return false;
    fileTypes_.push_back(type);
    return true;
}

void AdapterSelection::DeleteFileTypes(std::vector<int> selectedRows)
{
    // From the last row to the first, so earlier indexes stay valid.
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    for (auto it = selectedRows.rbegin(); it != selectedRows.rend(); ++it) {
        if (*it >= 0 && static_cast<size_t>(*it) < fileTypes_.size())
            fileTypes_.erase(fileTypes_.begin() + *it);
    }
}

int AdapterSelection::Accept(AppSettings& settings) const
{
    int chosen = -1;
    if (!adapters_.empty()) {
        chosen = selected >= 0 && static_cast<size_t>(selected) < adapters_.size() ? selected : 0;
    }
    settings.m_captureDriver = save && chosen >= 0 ? adapters_[static_cast<size_t>(chosen)].name : "";
    settings.m_captureHttp = captureHttp ? 1 : 0;
    settings.m_captureMms = captureMms ? 1 : 0;
    settings.m_captureRtsp = captureRtsp ? 1 : 0;
    settings.m_fileTypes = fileTypes_;
    return chosen;
}
