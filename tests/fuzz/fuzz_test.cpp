// The import's readers and its planner fed hostile input in-process, the
// registry left alone: seed files of every kind that import reads, mutated
// with a fixed seed, and random registrations written and read back. The
// program is built with the standard library's assertions and with
// undefined behaviour trapping (tests/CMakeLists.txt), so that an index out
// of range or undefined arithmetic in the code under test stops it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "commands/changes.h"
#include "commands/import_file.h"
#include "commands/listing_json.h"
#include "export/reg_file.h"
#include "store/registry_transaction.h"
#include "toolkit/json.h"
#include "toolkit/narrow.h"

namespace tolvane {
namespace {

// Fixed, so that a failure comes back on every run; the counts keep the
// program near a minute under Wine.
constexpr std::uint32_t kSeed = 26;
constexpr int kMutants = 150000;
constexpr int kRandomFiles = 2500;

class Random {
  public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    // 0 to |count| - 1.
    size_t Below(size_t count) { return count ? engine_() % count : 0; }
    bool OneIn(size_t count) { return Below(count) == 0; }

  private:
    std::mt19937 engine_;
};

std::vector<BYTE> Text(std::wstring_view text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    std::vector<BYTE> data(bytes, bytes + text.size() * sizeof(wchar_t));
    data.insert(data.end(), 2, 0);
    return data;
}

// Random registrations.

// Any UTF-16 unit, lone surrogates included, with the awkward ones often.
wchar_t AnyUnit(Random& random) {
    static constexpr wchar_t kAwkward[] = L"\"\\[]=@;-,%: \t\r\n.\xD800\xDC00\uFEFF\u2028记";
    if (random.OneIn(3)) return kAwkward[random.Below(std::size(kAwkward) - 1)];
    if (random.OneIn(2)) return static_cast<wchar_t>(0x20 + random.Below(0x5F));
    return static_cast<wchar_t>(random.Below(0x10000));
}

size_t AnyLength(Random& random, size_t most) {
    return random.OneIn(50) ? most : random.OneIn(10) ? random.Below(most + 1) : random.Below(12);
}

// A name that the registry would take: for a key or for a value.
std::wstring AnyName(Random& random, bool key) {
    std::wstring name(AnyLength(random, key ? kMaxKeyNameLength : kMaxValueNameLength), L'\0');
    for (wchar_t& c : name) {
        c = AnyUnit(random);
        bool refused = key ? c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == L'\\' : c == L'\0';
        if (refused) c = L'x';
    }
    if (key && KeyNameFault(name) != NameFault::None) name += L'x';  // empty, "." or ".."
    return name;
}

// Whether |items| holds a name that the registry takes for |name|.
template <typename Item>
bool Holds(const std::vector<Item>& items, const std::wstring& name) {
    for (const Item& item : items) {
        if (SameName(item.name, name)) return true;
    }
    return false;
}

RegistryValue AnyValue(Random& random, std::wstring name) {
    static constexpr DWORD kTypes[] = {
        REG_NONE, REG_SZ,       REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN,
        REG_LINK, REG_MULTI_SZ, REG_QWORD,     0x12345,    0xFFFFFFFF};
    RegistryValue value{std::move(name), kTypes[random.Below(std::size(kTypes))]};
    if (random.OneIn(2) && (value.type == REG_SZ || value.type == REG_EXPAND_SZ)) {
        std::wstring text(random.Below(40), L'\0');
        for (wchar_t& c : text) c = AnyUnit(random);
        value.data = Text(text);
    } else {
        value.data.resize(AnyLength(random, 300));
        for (BYTE& byte : value.data) byte = static_cast<BYTE>(random.Below(256));
    }
    return value;
}

// Values and subkeys named as one key can hold them: no two alike.
KeySnapshot AnyKey(Random& random, std::wstring name, size_t depthLeft) {
    KeySnapshot key{std::move(name)};
    if (random.OneIn(3)) key.values.push_back(AnyValue(random, L""));
    if (random.OneIn(3)) key.values.push_back(AnyValue(random, kPathValueName));
    for (size_t i = random.Below(5); i > 0; --i) {
        std::wstring valueName = AnyName(random, false);
        if (!Holds(key.values, valueName)) key.values.push_back(AnyValue(random, valueName));
    }
    for (size_t i = depthLeft > 1 ? random.Below(3) : 0; i > 0; --i) {
        std::wstring subkeyName = AnyName(random, true);
        if (!Holds(key.subkeys, subkeyName)) {
            key.subkeys.push_back(AnyKey(random, subkeyName, depthLeft - 1));
        }
    }
    return key;
}

// Now and then a tower as deep as Windows nests keys.
std::vector<EntrySnapshot> AnyRegistrations(Random& random) {
    std::vector<EntrySnapshot> entries;
    for (size_t i = 1 + random.Below(4); i > 0; --i) {
        Scope scope = random.OneIn(2) ? Scope::User : Scope::Machine;
        std::wstring name = AnyName(random, true);
        bool taken = false;
        for (const EntrySnapshot& entry : entries) {
            taken = taken || SameEntry({entry.scope, entry.key.name}, {scope, name});
        }
        if (!taken) entries.push_back({scope, AnyKey(random, name, 4)});
    }
    if (random.OneIn(40)) {
        KeySnapshot* top = &entries[0].key;
        for (size_t depth = 1; depth < kMaxEntryDepth; ++depth) {
            std::wstring name;
            do {
                name = AnyName(random, true);
            } while (Holds(top->subkeys, name));
            top = &top->subkeys.emplace_back(name);
        }
    }
    return entries;
}

const RegistryValue* Named(const KeySnapshot& key, const std::wstring& name) {
    for (const RegistryValue& value : key.values) {
        if (SameName(value.name, name)) return &value;
    }
    return nullptr;
}

ListedRegistration ListedOf(const EntrySnapshot& entry) {
    ListedRegistration listed;
    listed.key = {entry.scope, entry.key.name};
    if (const RegistryValue* target = Named(entry.key, L"")) listed.target = *target;
    listed.hasFolders = true;
    if (const RegistryValue* folders = Named(entry.key, kPathValueName)) {
        listed.folders = *folders;
        listed.folders->name = kPathValueName;
    }
    return listed;
}

std::string ListingJson(const std::vector<ListedRegistration>& listing) {
    JsonValue::Array items;
    for (const ListedRegistration& listed : listing) items.emplace_back(ListedMembers(listed));
    return ToJson(JsonValue(std::move(items)));
}

// Seeds.

std::string Utf16File(const std::wstring& text) {
    return "\xFF\xFE" +
           std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

std::vector<std::string> Seeds() {
    Random random(kSeed);
    std::vector<EntrySnapshot> entries;
    while (entries.size() < 6) {
        for (EntrySnapshot& entry : AnyRegistrations(random)) {
            if (DepthOf(entry.key) < 6) entries.push_back(std::move(entry));
        }
    }
    std::vector<KeyEdit> edits = EditsOf(entries);
    edits.push_back({Scope::User, L"gone.exe", true});
    edits.push_back({Scope::Machine, L"kept.exe\\Sub", true});
    edits.push_back({Scope::Machine, L"kept.exe", false, {{{L"old"}, true}}});
    std::vector<ListedRegistration> listing;
    for (const EntrySnapshot& entry : entries) listing.push_back(ListedOf(entry));
    listing[0].hasFolders = false;  // as older versions' files could be
    listing[1].foldersTyped = false;
    listing[1].folders = StringValue(kPathValueName, REG_SZ, L"%TEMP%;C:\\tools");
    listing[2].target = RegistryValue{L"", REG_DWORD};
    listing[2].targetKnown = false;
    const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    const std::wstring handMade =
        L"Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
        L"[HKLM\\" +
        key +
        L"]\r\n\r\n"
        L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App "
        L"Paths\\w.exe]\r\n@=\"C:\\\\w.exe\"\r\n\"Path\"=hex(2):25,00,54,00,\\\r\n  00,00\r\n"
        L"\"n\"=dword:0000000a\r\n\"gone\"=-\r\n\r\n"
        L"[-HKCU\\" +
        key + L"\\old.exe\\sub]\r\n";
    return {
        RegFileBytes(edits),
        "\xEF\xBB\xBF" + ToUtf8(RegFileText(edits)),
        Utf16File(handMade),
        ToAnsi(L"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + key +
               L"\\记事本.exe]\r\n@=\"C:\\\\记事本.exe\"\r\n\"Path\"=hex(2):b3,cc,\\\r\n  00\r\n"),
        ListingJson(listing),
    };
}

// Mutations.

// Pieces of the files' syntax, and of the trouble that they can hold.
const std::vector<std::string>& Tokens() {
    static const std::vector<std::string> tokens = [] {
        // clang-format off
        std::vector<std::string> pieces = {
            "\r\n", "\n", "\\\r\n", "[", "]", "[-", "\"", "\\", "@=", "=-", "\"=\"", "dword:",
            "dword:ffffffff1", "hex:", "hex(2):", "hex(ffffffff):", "hex(7):00,00,\\\r\n", ",", ";",
            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\",
            "HKCU\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\", "\\..",
            "\\.", "\\\\", "\x01", "\xC3\x28", "\xED\xA0\x80", "\xFF\xFE", "{", "}", "[]", "{}",
            ":", "null", "true", "-0", "1e999", "\"name\": ", "\"scope\": ", "\"machine\"",
            "\"user\"", "\"type\": ", "\"REG_DWORD\"", "\"REG_SZ\"", "\"4294967296\"", "\"data\": ",
            "\"0g\"", "\"abc\"", "\"pathValue\": ", "\"pathValueType\": ", "\"pathValueData\": ",
            "\"\\u0000\"", "\"\\uD800\"", "\"\\u005C\"", "\\u0000", "\\uDC00", "\\u007f", "\".\"",
            "\"..\""};
        // clang-format on
        pieces.push_back(std::string(1, '\0'));
        for (char c : {'n', '[', '{'}) pieces.push_back(std::string(300, c));
        return pieces;
    }();
    return tokens;
}

// In UTF-16 files, mostly whole characters, so that more mutants read.
std::string Widened(const std::string& token) {
    std::string wide;
    for (char c : token) wide += {c, '\0'};
    return wide;
}

void Mutate(Random& random, const std::vector<std::string>& seeds, std::string& bytes) {
    size_t at = random.Below(bytes.size() + 1);
    bool wide = bytes.starts_with("\xFF\xFE") && !random.OneIn(4);
    if (wide) at = std::max<size_t>(2, at & ~size_t{1});
    size_t unit = wide ? 2 : 1;
    switch (random.Below(7)) {
        case 0:
            if (at < bytes.size())
                bytes[at] = static_cast<char>(bytes[at] ^ (1 << random.Below(8)));
            break;
        case 1:
            if (at < bytes.size()) bytes[at] = static_cast<char>(random.Below(256));
            break;
        case 2:
        case 3: {
            const std::string& token = Tokens()[random.Below(Tokens().size())];
            bytes.insert(std::min(at, bytes.size()), wide ? Widened(token) : token);
            break;
        }
        case 4:
            if (at < bytes.size()) bytes.erase(at, random.Below(64) * unit);
            break;
        case 5: {
            size_t from = random.Below(bytes.size() / unit + 1) * unit;
            bytes.insert(std::min(at, bytes.size()), bytes.substr(from, random.Below(256) * unit));
            break;
        }
        default: {
            const std::string& other = seeds[random.Below(seeds.size())];
            bytes = bytes.substr(0, at) + other.substr(random.Below(other.size() + 1));
            break;
        }
    }
}

// Properties.

// "第 N 行：…" or "第 N 项：…" with N from 1 and a reason.
bool NamesAPlace(const std::wstring& problem) {
    if (!problem.starts_with(L"第 ")) return false;
    size_t digits = problem.find_first_not_of(L"0123456789", 2);
    if (digits == 2 || digits == std::wstring::npos || problem[2] == L'0') return false;
    std::wstring_view rest = std::wstring_view(problem).substr(digits);
    return (rest.starts_with(L" 行：") || rest.starts_with(L" 项：")) && rest.size() > 3;
}

// The plan of |request| over registrations that are missing, and over ones
// that are there: each touched registration once, with an outcome that
// fits.
void CheckPlan(const ImportRequest& request, Random& random) {
    std::vector<EntryKey> keys = KeysOf(request);
    std::vector<EntryBackup> missing;
    std::vector<EntryBackup> present;
    for (const EntryKey& key : keys) {
        missing.push_back({{key.scope, {key.name}}});
        present.push_back({{key.scope, AnyKey(random, key.name, 3)}, true});
    }
    std::vector<KeyEdit> edits = EditsOf(request, [](const EntryKey&) { return DWORD{REG_SZ}; });
    std::vector<PlannedChange> plan = PlanChanges(missing, edits);
    ASSERT_EQ(plan.size(), keys.size());
    for (const PlannedChange& change : plan) {
        ASSERT_TRUE(change.outcome == ChangeOutcome::Added ||
                    change.outcome == ChangeOutcome::Same);
    }
    plan = PlanChanges(present, edits);
    ASSERT_EQ(plan.size(), keys.size());
    for (const PlannedChange& change : plan) ASSERT_NE(change.outcome, ChangeOutcome::Added);
}

// Writing what was read and reading it again gives the same registrations.
void CheckRewrite(const ImportRequest& request) {
    std::string again = request.json ? ListingJson(request.listing) : RegFileBytes(request.edits);
    ImportRequest reread;
    std::wstring problem;
    ASSERT_TRUE(ReadImportFile(again, reread, problem)) << ToUtf8(problem);
    ASSERT_EQ(reread.json, request.json);
    ASSERT_EQ(reread.edits, request.edits);
    ASSERT_EQ(reread.listing, request.listing);
}

TEST(Fuzz, MutatedFilesAreReadOrRefusedWithTheirPlace) {
    const std::vector<std::string> seeds = Seeds();
    for (const std::string& seed : seeds) {
        ImportRequest request;
        std::wstring problem;
        ASSERT_TRUE(ReadImportFile(seed, request, problem)) << ToUtf8(problem);
    }
    Random random(kSeed);
    int accepted = 0;
    for (int mutant = 0; mutant < kMutants; ++mutant) {
        SCOPED_TRACE(mutant);
        std::string bytes = seeds[random.Below(seeds.size())];
        for (size_t steps = 1 + random.Below(2); steps > 0; --steps) Mutate(random, seeds, bytes);
        ImportRequest request;
        std::wstring problem;
        if (!ReadImportFile(bytes, request, problem)) {
            ASSERT_TRUE(NamesAPlace(problem)) << ToUtf8(problem);
            continue;
        }
        ++accepted;
        ASSERT_NO_FATAL_FAILURE(CheckPlan(request, random));
        ASSERT_NO_FATAL_FAILURE(CheckRewrite(request));
    }
    std::printf("%d mutants: %d read, %d refused\n", kMutants, accepted, kMutants - accepted);
    // Mutants that still read are what the rewriting checks; too few would
    // leave them idle.
    EXPECT_GT(accepted, kMutants / 20);
}

TEST(Fuzz, RandomRegistrationsSurviveRegAndJsonFiles) {
    Random random(kSeed + 1);
    for (int file = 0; file < kRandomFiles; ++file) {
        SCOPED_TRACE(file);
        std::vector<EntrySnapshot> entries = AnyRegistrations(random);
        std::vector<KeyEdit> edits = EditsOf(entries);
        std::vector<KeyEdit> read;
        RegFileError error;
        ASSERT_TRUE(ReadRegFile(RegFileBytes(edits), read, error))
            << error.line << " " << ToUtf8(error.reason);
        ASSERT_EQ(read, edits);

        std::vector<ListedRegistration> listing;
        for (const EntrySnapshot& entry : entries) listing.push_back(ListedOf(entry));
        ImportRequest request;
        std::wstring problem;
        ASSERT_TRUE(ReadImportFile(ListingJson(listing), request, problem)) << ToUtf8(problem);
        ASSERT_EQ(request.listing, listing);

        // A registration's own snapshot written over it changes nothing.
        std::vector<EntryBackup> backups;
        for (const EntrySnapshot& entry : entries) backups.push_back({entry, true});
        for (const PlannedChange& change : PlanChanges(backups, edits)) {
            ASSERT_EQ(change.outcome, ChangeOutcome::Same) << ToUtf8(change.key.name);
        }
    }
}

}  // namespace
}  // namespace tolvane
