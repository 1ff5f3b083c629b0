#include "helper_fixture.h"

#include <filesystem>

namespace capturetest {

std::string InstallFakeHelper(const std::string& root, const std::string& replaySavefile)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(root) / "libexec" / "brimcast";
    fs::create_directories(folder);
    fs::copy_file(BRIMCAST_BINARY_DIR "/tests/capture/fake_capture_helper", folder / "brimcast-capture",
                  fs::copy_options::overwrite_existing);
    fs::copy_file(replaySavefile, folder / "replay.pcap", fs::copy_options::overwrite_existing);
    return (folder / "brimcast-capture").string();
}

std::string BuiltHelper() { return BRIMCAST_BINARY_DIR "/src/libexec/brimcast/brimcast-capture"; }

}  // namespace capturetest
