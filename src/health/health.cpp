#include "health/health.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <numeric>
#include <thread>

#include "health/planted.h"
#include "store/app_path_store.h"
#include "toolkit/file_facts.h"
#include "toolkit/file_scope.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr wchar_t kMachineEnvironment[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr wchar_t kUserEnvironment[] = L"Environment";

std::atomic<ProbeHook> probeHook{nullptr};

// Text as the shell reads a path: variables expanded where the value asks
// for it (or holds "%" anyway), then as ShellPath() reads it.
std::wstring AsPath(const std::wstring& text, DWORD type) {
    bool expand = type == REG_EXPAND_SZ || text.find(L'%') != std::wstring::npos;
    return ShellPath(expand ? ExpandEnvironment(text) : text);
}

bool IsSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Paths longer than MAX_PATH reach the file system only with the "\\?\"
// prefix, which in turn needs a full path without "." or "..".
std::wstring ForFileSystem(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    std::wstring full = FullPath(path);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

enum class Kind {
    None,
    File,
    Folder,
    Hidden,  // something is there that we may not look at
};

Kind KindOf(const std::wstring& path, FileFacts* facts = nullptr) {
    if (ProbeHook hook = probeHook.load()) hook(path);
    FileFacts::Fact fact = LookAt(facts, ForFileSystem(path));
    if (fact.error != ERROR_SUCCESS) {
        if (fact.error == ERROR_ACCESS_DENIED || fact.error == ERROR_SHARING_VIOLATION) {
            return Kind::Hidden;
        }
        return Kind::None;
    }
    return fact.data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && IsSlash(folder.back())) return folder + name;
    return folder + L"\\" + name;
}

// The file as it is spelt on disk, which may differ in case from the name
// that was looked for.
std::wstring OnDisk(const std::wstring& folder, const std::wstring& name) {
    std::wstring file = Join(folder, name);
    if (name.find_first_of(L"*?") != std::wstring::npos) return file;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileExW(ForFileSystem(file).c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, 0));
    return find ? Join(folder, data.cFileName) : file;
}

int CompareNames(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE);
}

bool NameLess(const std::wstring& a, const std::wstring& b) {
    return CompareNames(a, b) == CSTR_LESS_THAN;
}

// A name the file system would read other than as it is spelt (a subfolder,
// a wildcard, trailing dots or spaces that it drops) is asked about as is.
bool PlainFileName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos &&
           name.back() != L'.' && name.back() != L' ';
}

}  // namespace

// The names in each folder, read by whichever check needs them first; a
// folder that cannot be read is asked about name by name, as without index.
// Listed ahead instead, by a thread of its own, a folder that has not
// answered yet is pending and no check waits for it.
class FolderIndex {
  public:
    enum class Presence { No, Maybe, Pending };

    // No only when |folder| was read and holds nothing named |fileName|.
    Presence Find(const std::wstring& folder, const std::wstring& fileName) {
        Listing& listing = ListingOf(folder);
        if (ahead_) {
            if (!listing.done.load()) return Presence::Pending;
        } else {
            std::call_once(listing.once, [&] { Read(folder, listing); });
        }
        if (!PlainFileName(fileName) || !listing.read) return Presence::Maybe;
        bool held =
            std::binary_search(listing.names.begin(), listing.names.end(), fileName, NameLess);
        return held ? Presence::Maybe : Presence::No;
    }

    // Lists |folders| in order on a thread of its own, then runs |answered|
    // there. The thread keeps the index alive.
    static void ListAhead(const std::shared_ptr<FolderIndex>& index,
                          std::vector<std::wstring> folders, std::function<void()> answered) {
        index->ahead_ = true;
        for (const std::wstring& folder : folders) index->ListingOf(folder);
        std::thread([index, folders = std::move(folders), answered = std::move(answered)] {
            FileScope scope;
            for (const std::wstring& folder : folders) {
                Listing& listing = index->ListingOf(folder);
                if (!listing.done.load()) Read(folder, listing);
                listing.done.store(true);
            }
            index->answered_.store(true);
            if (answered) answered();
        }).detach();
    }

    bool Answered() const { return !ahead_ || answered_.load(); }

  private:
    struct Listing {
        std::once_flag once;
        std::atomic<bool> done{false};  // listed ahead
        bool read = false;
        std::vector<std::wstring> names;  // long and short names, sorted
    };

    Listing& ListingOf(const std::wstring& folder) {
        std::lock_guard lock(mutex_);
        std::unique_ptr<Listing>& listing = folders_[folder];
        if (!listing) listing = std::make_unique<Listing>();
        return *listing;
    }

    static void Read(const std::wstring& folder, Listing& listing);

    bool ahead_ = false;
    std::atomic<bool> answered_{false};
    std::mutex mutex_;
    std::map<std::wstring, std::unique_ptr<Listing>> folders_;
};

namespace {

std::vector<std::wstring> SplitFolders(const std::wstring& text, DWORD type) {
    std::vector<std::wstring> folders;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = std::min(text.find(L';', start), text.size());
        std::wstring folder = AsPath(text.substr(start, end - start), type);
        if (!folder.empty()) folders.push_back(std::move(folder));
        start = end + 1;
    }
    return folders;
}

void AppendPathValue(HKEY root, const wchar_t* subKey, std::vector<std::wstring>& folders) {
    UniqueKey key;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return;
    TextValue value = ReadTextValue(key.get(), kPathValueName);
    if (value.state != ValueState::Text) return;
    for (std::wstring& folder : SplitFolders(value.raw, value.type)) {
        // A relative PATH folder depends on the caller's current folder,
        // which is left out like the current folder itself.
        if (IsAbsolute(folder)) folders.push_back(std::move(folder));
    }
}

std::wstring WindowsFolder() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    return length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// The folders in the shell's order, each with where it comes from.
std::vector<std::pair<Place, std::wstring>> SearchOrder(const SearchPlaces& places) {
    std::vector<std::pair<Place, std::wstring>> order;
    if (!places.windows.empty()) order.emplace_back(Place::WindowsFolder, places.windows);
    if (!places.system.empty()) order.emplace_back(Place::SystemFolder, places.system);
    for (const std::wstring& folder : places.path) order.emplace_back(Place::PathFolder, folder);
    return order;
}

void CheckTarget(const AppPathEntry& entry, const std::wstring& target, FileFacts* facts,
                 HealthReport& report) {
    if (entry.state == ValueState::NotText || entry.state == ValueState::Unreadable) {
        report.notText = true;
        return;
    }
    if (target.empty()) {
        report.missingTarget = true;
    } else if (!IsAbsolute(target)) {
        report.relativePath = true;
    } else {
        Kind kind = KindOf(target, facts);
        report.missingTarget = kind == Kind::None || kind == Kind::Folder;
    }
}

void CheckFolders(const TextValue& value, HealthReport& report) {
    if (value.state != ValueState::Text) return;
    for (std::wstring& folder : SplitFolders(value.raw, value.type)) {
        // A relative folder depends on the current folder, as a relative
        // target does.
        if (!IsAbsolute(folder)) continue;
        if (IsSuspiciousFolder(folder)) report.suspiciousFolder = true;
        Kind kind = KindOf(folder);
        if (kind == Kind::None || kind == Kind::File) {
            report.missingFolders.push_back(std::move(folder));
        }
    }
}

bool IsOwnTarget(const std::wstring& target, const std::wstring& file) {
    return !target.empty() && SameName(FullPath(target), FullPath(file));
}

// The program that the name would start without App Paths. A registration
// that points at that very file changes nothing.
void CheckSameName(const AppPathEntry& entry, const std::wstring& target,
                   const SearchPlaces& places, HealthReport& report) {
    const std::wstring fileName = ProgramFileName(entry.name);
    for (const auto& [place, folder] : SearchOrder(places)) {
        FolderIndex::Presence presence =
            places.index ? places.index->Find(folder, fileName) : FolderIndex::Presence::Maybe;
        if (presence == FolderIndex::Presence::Pending) {
            report.searchPending = true;
            return;
        }
        if (presence == FolderIndex::Presence::No) continue;
        std::wstring file = Join(folder, fileName);
        if (KindOf(file) != Kind::File) continue;
        if (IsOwnTarget(target, file)) return;
        // Only a program that is there is started instead.
        if (!report.notText && !report.missingTarget && !report.relativePath) {
            report.sameNameProgram = OnDisk(folder, fileName);
        }
        // How a user without rights over the system runs code in its stead.
        report.userOverridesSystem = entry.scope == Scope::User && place != Place::PathFolder;
        return;
    }
}

void CheckPlanted(const AppPathEntry& entry, const std::wstring& target, HealthReport& report) {
    if (!target.empty()) report.scriptTarget = IsScriptTarget(ProgramFileName(entry.name), target);
    if (IsAbsolute(target) && IsSuspiciousFolder(FolderOf(target))) report.suspiciousFolder = true;
}

std::wstring Joined(const std::vector<std::wstring>& parts, const wchar_t* separator) {
    std::wstring text;
    for (const std::wstring& part : parts) {
        if (!text.empty()) text += separator;
        text += part;
    }
    return text;
}

Candidate AppPathsCandidate(const AppPathEntry& entry) {
    Candidate candidate;
    candidate.place = entry.scope == Scope::User ? Place::UserAppPaths : Place::MachineAppPaths;
    candidate.file = ProgramPath(entry);
    // A relative target would be looked for in the caller's current folder.
    candidate.exists = IsAbsolute(candidate.file) && KindOf(candidate.file) == Kind::File;
    return candidate;
}

}  // namespace

void FolderIndex::Read(const std::wstring& folder, Listing& listing) {
    if (ProbeHook hook = probeHook.load()) hook(folder);
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileExW(ForFileSystem(Join(folder, L"*")).c_str(), FindExInfoStandard,
                                     &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // A folder that is not there holds nothing; any other failure says
        // nothing about what it holds.
        DWORD error = GetLastError();
        listing.read = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return;
    }
    do {
        listing.names.emplace_back(data.cFileName);
        if (data.cAlternateFileName[0]) listing.names.emplace_back(data.cAlternateFileName);
    } while (FindNextFileW(find.get(), &data));
    listing.read = GetLastError() == ERROR_NO_MORE_FILES;
    std::sort(listing.names.begin(), listing.names.end(), NameLess);
}

bool IsAbsolute(const std::wstring& path) {
    wchar_t drive = path.empty() ? 0 : path[0] | 0x20;
    if (path.size() >= 3 && drive >= L'a' && drive <= L'z' && path[1] == L':' && IsSlash(path[2])) {
        return true;
    }
    if (path.size() < 5 || !IsSlash(path[0]) || !IsSlash(path[1])) return false;
    size_t shareStart = path.find_first_of(L"\\/", 2);
    return shareStart != std::wstring::npos && shareStart > 2 && shareStart + 1 < path.size() &&
           !IsSlash(path[shareStart + 1]);
}

std::wstring ProgramPath(const AppPathEntry& entry) {
    return entry.state == ValueState::Text ? AsPath(entry.raw, entry.type) : std::wstring();
}

void SetProbeHook(ProbeHook hook) {
    probeHook.store(hook);
}

std::wstring ProgramFileName(const std::wstring& name) {
    size_t dot = name.find_last_of(L'.');
    size_t slash = name.find_last_of(L"\\/");
    bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return hasExtension ? name : name + L".exe";
}

SearchPlaces ListSearchPlaces(std::function<void()> answered) {
    SearchPlaces places = ReadSearchPlaces();
    std::vector<std::wstring> folders;
    for (const auto& [place, folder] : SearchOrder(places)) folders.push_back(folder);
    FolderIndex::ListAhead(places.index, std::move(folders), std::move(answered));
    return places;
}

bool SearchListed(const SearchPlaces& places) {
    return !places.index || places.index->Answered();
}

SearchPlaces ReadSearchPlaces() {
    SearchPlaces places;
    places.windows = WindowsFolder();
    places.system = SystemFolder();
    AppendPathValue(HKEY_LOCAL_MACHINE, kMachineEnvironment, places.path);
    // The PATH of the user at the desktop, whose shell starts the programs.
    UniqueKey desktopUser = DesktopUserHive();
    AppendPathValue(desktopUser ? desktopUser.get() : HKEY_CURRENT_USER, kUserEnvironment,
                    places.path);
    places.index = std::make_shared<FolderIndex>();
    return places;
}

std::optional<std::wstring> MissingProgram(const std::wstring& text) {
    FileScope scope;
    std::wstring target = AsPath(text, REG_SZ);
    if (!target.empty() && !IsAbsolute(target)) return std::nullopt;
    Kind kind = target.empty() ? Kind::None : KindOf(target);
    if (kind == Kind::None || kind == Kind::Folder) return target;
    return std::nullopt;
}

HealthReport CheckEntry(const AppPathEntry& entry, const SearchPlaces& places, FileFacts* facts) {
    FileScope scope;
    HealthReport report;
    report.scope = entry.scope;
    const std::wstring target = ProgramPath(entry);
    CheckTarget(entry, target, facts, report);
    CheckFolders(entry.pathValue, report);
    CheckSameName(entry, target, places, report);
    CheckPlanted(entry, target, report);
    return report;
}

std::vector<bool> RegisteredInBothScopes(const std::vector<AppPathEntry>& entries) {
    std::vector<std::wstring> names;
    for (const AppPathEntry& entry : entries) names.push_back(ProgramFileName(entry.name));
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return CompareNames(names[a], names[b]) == CSTR_LESS_THAN;
    });
    std::vector<bool> both(entries.size(), false);
    for (size_t first = 0; first < order.size();) {
        size_t end = first + 1;
        while (end < order.size() &&
               CompareNames(names[order[first]], names[order[end]]) == CSTR_EQUAL) {
            ++end;
        }
        bool mixed = std::any_of(order.begin() + first, order.begin() + end, [&](size_t i) {
            return entries[i].scope != entries[order[first]].scope;
        });
        for (size_t i = first; i < end; ++i) both[order[i]] = mixed;
        first = end;
    }
    return both;
}

void MarkBothScopes(const std::vector<AppPathEntry>& entries, std::vector<HealthReport>& reports) {
    std::vector<bool> both = RegisteredInBothScopes(entries);
    for (size_t i = 0; i < reports.size() && i < both.size(); ++i) {
        reports[i].scope = entries[i].scope;
        reports[i].bothScopes = both[i];
    }
}

bool OverriddenByUser(const HealthReport& report) {
    return report.scope == Scope::Machine && report.bothScopes;
}

std::wstring OverriddenProgram(const HealthReport& report) {
    return OverriddenByUser(report) ? std::wstring() : report.sameNameProgram;
}

bool IsSuspicious(const HealthReport& report) {
    return report.userOverridesSystem || report.suspiciousFolder || report.scriptTarget;
}

std::wstring NotesText(const HealthReport& report) {
    std::vector<std::wstring> notes;
    if (report.missingTarget) notes.push_back(L"目标不存在");
    if (report.relativePath) notes.push_back(L"路径不完整");
    if (!report.missingFolders.empty()) notes.push_back(L"附加路径中有不存在的文件夹");
    if (report.bothScopes) notes.push_back(L"两处都有登记");
    if (OverriddenByUser(report)) notes.push_back(L"被当前用户的登记覆盖");
    std::wstring overridden = OverriddenProgram(report);
    if (!overridden.empty()) notes.push_back(L"覆盖同名程序：" + overridden);
    if (IsSuspicious(report)) {
        std::vector<std::wstring> reasons;
        if (report.userOverridesSystem) reasons.push_back(L"当前用户登记覆盖系统程序");
        if (report.suspiciousFolder) reasons.push_back(L"程序位于临时或公共文件夹");
        if (report.scriptTarget) reasons.push_back(L"目标是脚本或脚本宿主");
        notes.push_back(L"可疑：" + Joined(reasons, L"、"));
    }
    return Joined(notes, L"；");
}

std::vector<std::string> NoteTokens(const HealthReport& report) {
    std::vector<std::string> tokens;
    if (report.notText) tokens.push_back("not-a-string");
    if (report.missingTarget) tokens.push_back("missing-target");
    if (report.relativePath) tokens.push_back("relative-path");
    if (!report.missingFolders.empty()) tokens.push_back("missing-path-folder");
    if (report.bothScopes) tokens.push_back("both-scopes");
    if (OverriddenByUser(report)) tokens.push_back("overridden-by-user");
    if (!OverriddenProgram(report).empty()) tokens.push_back("overrides-program");
    if (IsSuspicious(report)) tokens.push_back("suspicious");
    if (report.userOverridesSystem) tokens.push_back("user-overrides-system");
    if (report.suspiciousFolder) tokens.push_back("suspicious-folder");
    if (report.scriptTarget) tokens.push_back("script-target");
    return tokens;
}

std::vector<Candidate> Resolve(const std::wstring& name, const SearchPlaces& places,
                               const std::vector<AppPathEntry>& entries) {
    FileScope scope;
    const std::wstring fileName = ProgramFileName(name);
    std::vector<Candidate> candidates;
    // The shell reads App Paths before it searches, the user's registration
    // before the machine's.
    for (Scope scope : {Scope::User, Scope::Machine}) {
        for (const AppPathEntry& entry : entries) {
            if (entry.scope == scope && SameName(ProgramFileName(entry.name), fileName)) {
                candidates.push_back(AppPathsCandidate(entry));
            }
        }
    }
    for (const auto& [place, folder] : SearchOrder(places)) {
        std::wstring file = Join(folder, fileName);
        bool exists = KindOf(file) == Kind::File;
        candidates.push_back({place, std::move(file), exists});
    }
    return candidates;
}

}  // namespace tolvane
