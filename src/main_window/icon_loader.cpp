#include "main_window/icon_loader.h"

#include <objbase.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <tuple>

#include "health/health.h"
#include "health/version_info.h"
#include "toolkit/file_scope.h"
#include "toolkit/program_file.h"
#include "toolkit/result_channel.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// A program file as it is on disk: the same path, size and last-write time
// give the same icon.
struct FileStamp {
    std::wstring path;  // upper-cased: the file system ignores letter case
    ULONGLONG size = 0;
    ULONGLONG written = 0;
    bool operator<(const FileStamp& other) const {
        return std::tie(path, size, written) < std::tie(other.path, other.size, other.written);
    }
};

// What the cache knows of a file.
struct Known {
    int image = 0;
    std::wstring publisher;
};

struct Result {
    unsigned long long generation = 0;
    std::wstring path;                 // as asked for
    std::optional<FileStamp> stamp;    // none when there is no file
    std::optional<IconPixels> pixels;  // extracted now; none when the cache knew it
    Known known;                       // the publisher read now, or what the cache knew
};

std::optional<FileStamp> StampOf(const std::wstring& path, FileFacts* facts) {
    FileFacts::Fact fact = LookAt(facts, path);
    if (fact.error != ERROR_SUCCESS) return std::nullopt;
    const WIN32_FILE_ATTRIBUTE_DATA& data = fact.data;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    FileStamp stamp;
    stamp.path = Folded(path);
    stamp.size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    stamp.written =
        (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

// Each worker thread draws on a surface of its own, made when the thread
// starts and released when it ends: thousands of icons need not make
// thousands of bitmaps. A plain pointer, made and freed by StartWorker and
// EndWorker: a thread_local with a destructor of its own has crashed this
// pool's threads under mingw. A loader of another size (the window has
// moved to another density) has it made again.
thread_local IconSurface* t_surface = nullptr;

IconSurface& SurfaceOf(int size) {
    if (!t_surface || t_surface->size() != size) {
        delete t_surface;
        t_surface = new IconSurface(size);
    }
    return *t_surface;
}

// The file's first icon, its image nearest to |size| pixels, drawn at that
// size as the list shows it, and its publisher. A program is opened once
// for both; the shell's own extraction serves other kinds of file (icon
// files, 16-bit programs), which have no version strings.
void ReadLook(const std::wstring& path, int size, Result& result) {
    HICON found = nullptr;
    ProgramFile file(path);
    if (file.IsImage()) {
        if (IsAbsolute(path)) result.known.publisher = ReadVersionStrings(file).publisher;
        std::vector<BYTE> image = FirstIconImage(file, size);
        result.pixels = RenderIconImage(image, SurfaceOf(size));
        if (result.pixels) return;
        if (!image.empty()) {
            found = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                             0x00030000, size, size, LR_DEFAULTCOLOR);
        }
    } else {
        UINT count = PrivateExtractIconsW(path.c_str(), 0, size, size, &found, nullptr, 1, 0);
        if (count == 0 || count == 0xFFFFFFFF) found = nullptr;
    }
    UniqueIcon icon(found);
    result.pixels = RenderIcon(icon.get(), SurfaceOf(size));
}

// Every pixel transparent; the bits that pad the mask's rows do not count.
bool IsBlank(const IconPixels& pixels) {
    size_t rowBytes = pixels.size > 0 ? pixels.mask.size() / static_cast<size_t>(pixels.size) : 0;
    for (int y = 0; y < pixels.size; ++y) {
        const unsigned char* row = pixels.mask.data() + static_cast<size_t>(y) * rowBytes;
        for (int x = 0; x < pixels.size; ++x) {
            if (!(row[x / 8] & (0x80 >> (x % 8)))) return false;
        }
    }
    return true;
}

size_t HashOf(const IconPixels& pixels) {
    std::string_view colour(reinterpret_cast<const char*>(pixels.colour.data()),
                            pixels.colour.size());
    return std::hash<std::string_view>{}(colour);
}

int ImageSizeOf(HIMAGELIST images) {
    int width = kIconSize, height = kIconSize;
    ImageList_GetIconSize(images, &width, &height);
    return width;
}

}  // namespace

struct IconLoader::Shared {
    Shared(HWND window, UINT message) : channel(window, message) {}

    ResultChannel<Result> channel;
    std::atomic<size_t> extractions{0};
    std::mutex mutex;
    std::map<FileStamp, Known> cache;  // filled by the window's thread

    std::optional<Known> Cached(const FileStamp& stamp) {
        std::lock_guard lock(mutex);
        auto known = cache.find(stamp);
        if (known == cache.end()) return std::nullopt;
        return known->second;
    }
};

namespace {

void LoadIcon(const std::shared_ptr<IconLoader::Shared>& shared, unsigned long long generation,
              const std::wstring& path, int size, FileFacts* facts) {
    if (!shared->channel.IsCurrent(generation)) return;
    if (beforeIconLoad) beforeIconLoad(path);
    FileScope scope;
    Result result;
    result.path = path;
    result.stamp = StampOf(path, facts);
    if (result.stamp) {
        std::optional<Known> known = shared->Cached(*result.stamp);
        if (known) {
            result.known = *known;
        } else {
            ReadLook(path, size, result);
            ++shared->extractions;
        }
    }
    shared->channel.Deliver(generation, std::move(result));
}

}  // namespace

void IconLoader::StartWorker() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    t_surface = nullptr;  // made at the first icon's size
}

void IconLoader::EndWorker() {
    delete t_surface;
    t_surface = nullptr;
    CoUninitialize();
}

IconLoader::IconLoader(HWND window, UINT readyMessage, HIMAGELIST images, WorkerPool& pool)
    : shared_(std::make_shared<Shared>(window, readyMessage)),
      images_(images),
      size_(ImageSizeOf(images)),
      surface_(size_),
      pool_(pool) {}

IconLoader::~IconLoader() {
    shared_->channel.Restart();
}

void IconLoader::Restart(std::shared_ptr<FileFacts> facts) {
    shared_->channel.Restart();
    waiting_ = 0;
    facts_ = std::move(facts);
}

void IconLoader::Request(const std::wstring& path) {
    Request(std::vector<std::wstring>{path});
}

void IconLoader::Request(const std::vector<std::wstring>& paths) {
    std::vector<WorkerPool::Job> jobs;
    jobs.reserve(paths.size());
    for (const std::wstring& path : paths) {
        jobs.push_back([shared = shared_, generation = shared_->channel.Current(), path,
                        size = size_,
                        facts = facts_] { LoadIcon(shared, generation, path, size, facts.get()); });
    }
    waiting_ += jobs.size();
    pool_.Submit(std::move(jobs));
}

int IconLoader::ImageFor(const IconPixels& pixels) {
    if (IsBlank(pixels)) return 0;
    size_t hash = HashOf(pixels);
    for (size_t i = 0; i < distinct_.size(); ++i) {
        const auto& [known, held] = distinct_[i];
        if (known == hash && held.colour == pixels.colour && held.mask == pixels.mask) {
            return static_cast<int>(i) + 1;
        }
    }
    distinct_.emplace_back(hash, pixels);
    return surface_.Append(images_, pixels) - 1;
}

std::vector<FileLook> IconLoader::TakeResults() {
    std::vector<FileLook> answers;
    for (Result& result : shared_->channel.Take()) {
        Known known = std::move(result.known);
        if (result.stamp && result.pixels) {
            // Two jobs may have read the same file: the first one's image
            // serves both.
            std::optional<Known> first = shared_->Cached(*result.stamp);
            if (first) {
                known = std::move(*first);
            } else {
                known.image = ImageFor(*result.pixels);
            }
            std::lock_guard lock(shared_->mutex);
            shared_->cache[*result.stamp] = known;
        }
        answers.push_back({std::move(result.path), known.image, std::move(known.publisher)});
        if (waiting_ > 0) --waiting_;
    }
    return answers;
}

size_t IconLoader::Extractions() const {
    return shared_->extractions;
}

}  // namespace tolvane
