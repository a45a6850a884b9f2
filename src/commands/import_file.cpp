#include "commands/import_file.h"

#include "commands/changes.h"
#include "export/reg_file.h"
#include "store/registry_transaction.h"
#include "toolkit/json.h"

namespace tolvane {

namespace {

// The JSON that list writes is an array; .reg files start with their
// header or a UTF-16 byte order mark.
bool LooksLikeJson(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && (bytes[first] == '[' || bytes[first] == '{');
}

bool ReadListing(std::string_view bytes, std::vector<ListedRegistration>& listing,
                 std::wstring& problem) {
    JsonValue document;
    JsonError error;
    if (!ParseJson(bytes, document, error)) {
        problem = L"第 " + std::to_wstring(error.line) + L" 行：" + error.reason;
        return false;
    }
    if (document.kind() != JsonValue::Kind::Array) {
        problem = L"第 1 行：应为 tolvanec list --format json 写出的数组";
        return false;
    }
    listing.resize(document.items().size());
    for (size_t i = 0; i < listing.size(); ++i) {
        if (!ReadListedItem(document.items()[i], listing[i], problem)) {
            problem = L"第 " + std::to_wstring(i + 1) + L" 项：" + problem;
            listing.clear();
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadImportFile(std::string_view bytes, ImportRequest& request, std::wstring& problem) {
    request = ImportRequest{};
    request.json = LooksLikeJson(bytes);
    if (request.json) return ReadListing(bytes, request.listing, problem);
    RegFileError error;
    if (ReadRegFile(bytes, request.edits, error, &request.sharedKey)) return true;
    problem = L"第 " + std::to_wstring(error.line) + L" 行：" + error.reason;
    return false;
}

std::vector<EntryKey> KeysOf(const ImportRequest& request) {
    if (!request.json) return EntriesOf(request.edits);
    std::vector<KeyEdit> named;
    for (const ListedRegistration& listed : request.listing) {
        named.push_back({listed.key.scope, listed.key.name});
    }
    return EntriesOf(named);
}

std::vector<KeyEdit> EditsOf(const ImportRequest& request,
                             const std::function<DWORD(const EntryKey&)>& pathTypeNow) {
    if (!request.json) return request.edits;
    std::vector<KeyEdit> edits;
    for (const ListedRegistration& listed : request.listing) {
        if (!listed.targetKnown) continue;
        KeyEdit edit{listed.key.scope, listed.key.name};
        if (listed.target) {
            edit.values.push_back({*listed.target});
        } else {
            edit.values.push_back({{L""}, true});
        }
        if (listed.hasFolders && listed.folders && !listed.foldersTyped) {
            std::wstring text = WholeText(listed.folders->data);
            DWORD type = TypeForWrite(pathTypeNow(listed.key), text);
            edit.values.push_back({StringValue(kPathValueName, type, text)});
        } else if (listed.hasFolders && listed.folders) {
            edit.values.push_back({*listed.folders});
        } else if (listed.hasFolders) {
            edit.values.push_back({{kPathValueName}, true});
        }
        edits.push_back(std::move(edit));
    }
    return edits;
}

std::map<EntryKey, std::wstring, EntryOrder> LeftAlone(const ImportRequest& request) {
    std::map<EntryKey, std::wstring, EntryOrder> reasons;
    for (const ListedRegistration& listed : request.listing) {
        std::wstring reason = LeftAloneReason(listed);
        if (!reason.empty()) reasons.emplace(listed.key, std::move(reason));
    }
    return reasons;
}

}  // namespace tolvane
