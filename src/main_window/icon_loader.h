// The icons of the listed programs, with their publishers from the version
// resource, read on worker threads so that the list never waits for a file.
// Each is cached by the program file's path, size and last-write time: a
// refresh of an unchanged list reads nothing. The image list holds one image per distinct icon, and
// image 0, the blank one, stands for a file with no icon, a missing file, and a row whose icon has
// not arrived yet.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "main_window/icon_surface.h"
#include "toolkit/file_facts.h"
#include "toolkit/worker_pool.h"

namespace tolvane {

// What a program file looks like in the list.
struct FileLook {
    std::wstring path;  // as asked for
    int image = 0;
    std::wstring publisher;
};

class IconLoader {
  public:
    // Finished work is announced to |window| by posting |readyMessage|, at
    // most one at a time; the window then calls TakeResults(). |images| is
    // the window's image list, which holds the blank image at index 0, and
    // whose size the icons are drawn at. The work runs on |pool|, whose
    // threads start and end with StartWorker() and EndWorker().
    IconLoader(HWND window, UINT readyMessage, HIMAGELIST images, WorkerPool& pool);
    ~IconLoader();
    IconLoader(const IconLoader&) = delete;
    IconLoader& operator=(const IconLoader&) = delete;

    // A new listing: whatever the work asked for by the earlier one still
    // delivers is dropped. The owner clears the pool's queue. |facts|, when
    // given, tells what the files are, as the listing's checks see them.
    void Restart(std::shared_ptr<FileFacts> facts = nullptr);
    // Asks for the icon and the publisher of a program file (its path
    // expanded); answered through TakeResults() for the current listing.
    void Request(const std::wstring& path);
    void Request(const std::vector<std::wstring>& paths);
    // The answers that have arrived.
    std::vector<FileLook> TakeResults();
    // Whether every icon asked for in the current listing has been taken.
    bool Idle() const { return waiting_ == 0; }
    // How many icons were extracted from files so far; for tests.
    size_t Extractions() const;

    // What each thread of the pool needs: COM for the shell's extraction,
    // and a drawing surface of its own.
    static void StartWorker();
    static void EndWorker();

    struct Shared;

  private:
    int ImageFor(const IconPixels& pixels);

    std::shared_ptr<Shared> shared_;
    HIMAGELIST images_;
    int size_;
    IconSurface surface_;
    size_t waiting_ = 0;
    // The pixels of images 1, 2, ... with their hashes, so that identical
    // icons share one image.
    std::vector<std::pair<size_t, IconPixels>> distinct_;
    WorkerPool& pool_;
    std::shared_ptr<FileFacts> facts_;
};

// Runs, when set, on a worker thread before a program file is looked at.
// The program leaves it null; tests make it wait, standing in for a file on
// a share that does not answer.
inline void (*beforeIconLoad)(const std::wstring& path) = nullptr;

}  // namespace tolvane
