// Opening large lists into an empty media list: a 10,000-row .kvx file and
// 10,000 playlist entries. See bench/README.md.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "base/app_settings.h"
#include "medialist/media_list.h"

namespace {

constexpr int kRows = 10000;
// One ASX reading takes at most 100 references and 4096 bytes of reference
// text; 80 of these addresses (under 50 bytes each) fit.
constexpr int kEntriesPerPlaylist = 80;

class Folder {
public:
    Folder()
    {
        char pattern[] = "/tmp/brimcast-bench-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = made;
    }
    ~Folder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

Folder& BenchFolder()
{
    static Folder folder;
    return folder;
}

void WriteText(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string Address(int i)
{
    // Mostly network rows, every tenth a local file, as saved lists hold them.
    if (i % 10 == 9)
        return "/home/user/Videos/recording-" + std::to_string(i) + ".wmv";
    return "mms://media" + std::to_string(i % 7) + ".example.net/archive/show-" + std::to_string(i) + ".asf";
}

const std::string& KvxFile()
{
    static const std::string path = [] {
        AppSettings settings;
        MediaList list(settings, nullptr);
        for (int i = 0; i < kRows; ++i) {
            const int row = list.AddEntry(Address(i), "Show " + std::to_string(i), " ", "");
            list.SetCell(row, kColTime, "0:30:00");
            list.SetCell(row, kColSize, "42M");
            list.SetCell(row, kColInfo, "weekly programme");
        }
        list.SetInfoText("Ten thousand rows");
        const std::string file = BenchFolder().File("ten-thousand.kvx");
        if (list.WriteKvxFile(file, KvxWriteMode::All) != KvxWriteResult::Written)
            std::abort();
        return file;
    }();
    return path;
}

std::string Playlist(int first, int count)
{
    std::string text = "<ASX version=\"3.0\">\r\n  <Title>Archive</Title>\r\n";
    for (int i = first; i < first + count; ++i)
        text += "  <Entry>\r\n    <Title>Show</Title>\r\n    <Ref href=\"" + Address(i) +
                "\"/>\r\n  </Entry>\r\n";
    return text + "</ASX>\r\n";
}

// 125 playlist files of 80 entries each: 10,000 references in all.
const std::vector<std::string>& PlaylistFiles()
{
    static const std::vector<std::string> files = [] {
        std::vector<std::string> out;
        for (int p = 0; p < kRows / kEntriesPerPlaylist; ++p) {
            const std::string file = BenchFolder().File("part-" + std::to_string(p) + ".asx");
            WriteText(file, Playlist(p * kEntriesPerPlaylist, kEntriesPerPlaylist));
            out.push_back(file);
        }
        return out;
    }();
    return files;
}

// One 10,000-entry playlist file (about 1 MB).
const std::string& BigPlaylistFile()
{
    static const std::string path = [] {
        const std::string file = BenchFolder().File("ten-thousand.asx");
        WriteText(file, Playlist(0, kRows));
        return file;
    }();
    return path;
}

void BM_OpenKvx10000Rows(benchmark::State& state)
{
    const std::string& file = KvxFile();
    for (auto _ : state) {
        AppSettings settings;
        MediaList list(settings, nullptr);
        benchmark::DoNotOptimize(list.OpenEntry(file, "", ""));
        if (list.RowCount() != kRows)
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_OpenKvx10000Rows)->Unit(benchmark::kMillisecond);

void BM_OpenAsx10000EntriesIn125Files(benchmark::State& state)
{
    const std::vector<std::string>& files = PlaylistFiles();
    for (auto _ : state) {
        AppSettings settings;
        MediaList list(settings, nullptr);
        for (const std::string& file : files)
            benchmark::DoNotOptimize(list.OpenEntry(file, "", ""));
        if (list.RowCount() != kRows)
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_OpenAsx10000EntriesIn125Files)->Unit(benchmark::kMillisecond);

// The same 10,000 entries in one file: over the 102,399-byte limit, so the
// main view keeps it as a single plain row without parsing it.
void BM_OpenAsx10000EntriesInOneFile(benchmark::State& state)
{
    const std::string& file = BigPlaylistFile();
    for (auto _ : state) {
        AppSettings settings;
        MediaList list(settings, nullptr);
        benchmark::DoNotOptimize(list.OpenEntry(file, "", ""));
        if (list.RowCount() != 1)
            state.SkipWithError("wrong row count");
    }
}
BENCHMARK(BM_OpenAsx10000EntriesInOneFile)->Unit(benchmark::kMillisecond);

// Adding 10,000 distinct addresses one by one, as URL capture does, and then
// each of them once more (every second add is a duplicate).
void BM_AddEntry10000TwiceEach(benchmark::State& state)
{
    std::vector<std::string> addresses;
    for (int i = 0; i < kRows; ++i)
        addresses.push_back(Address(i));
    for (auto _ : state) {
        AppSettings settings;
        MediaList list(settings, nullptr);
        for (int pass = 0; pass < 2; ++pass)
            for (const std::string& a : addresses)
                benchmark::DoNotOptimize(list.AddEntry(a, "", " ", ""));
        if (list.RowCount() != kRows)
            state.SkipWithError("wrong row count");
    }
    state.SetItemsProcessed(state.iterations() * kRows * 2);
}
BENCHMARK(BM_AddEntry10000TwiceEach)->Unit(benchmark::kMillisecond);

// What the desktop model asks of the list: 10,000 rows added one by one, each
// event mapped to its row through IndexOf, then a recording chain on every
// tenth row (the output file inserted below it, 20 progress updates), then
// "New" (one reset).
void BM_ModelFollows10000RowsAndRecordings(benchmark::State& state)
{
    std::vector<std::string> addresses;
    for (int i = 0; i < kRows; ++i)
        addresses.push_back(Address(i));
    for (auto _ : state) {
        AppSettings settings;
        MediaList list(settings, nullptr);
        int64_t seen = 0;
        list.SetListener([&](const MediaListEvent& e) { seen += e.id ? list.IndexOf(e.id) : 0; });
        for (const std::string& a : addresses)
            list.AddEntry(a, "", " ", "");
        for (int r = 0; r < list.RowCount(); r += 11) {
            const uint64_t id = list.IdAt(r);
            list.InsertEntry(r + 1, "/home/user/Videos/Brimcast/out-" + std::to_string(r) + ".asf");
            for (uint32_t p = 1; p <= 20; ++p)
                list.Update(id, [p](MediaItem& item) { item.bytes = p * 65536u; item.progress = p * 500; });
        }
        list.New(-1);
        benchmark::DoNotOptimize(seen);
        if (list.RowCount() != 0)
            state.SkipWithError("rows left");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ModelFollows10000RowsAndRecordings)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
