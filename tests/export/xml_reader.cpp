#include "xml_reader.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <msxml2.h>

#include <string>

#include "toolkit/handles.h"

namespace tolvane::testing {

namespace {

// A COM interface pointer, released at the end of its scope.
template <typename T>
class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (p_) p_->Release();
    }
    T** put() { return &p_; }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

  private:
    T* p_ = nullptr;
};

class Bstr {
  public:
    explicit Bstr(const wchar_t* text = nullptr) : b_(text ? SysAllocString(text) : nullptr) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR* put() {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }
    std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

  private:
    BSTR b_;
};

class ComScope {
  public:
    ComScope() : result_(CoInitialize(nullptr)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }

  private:
    HRESULT result_;
};

std::wstring ChildText(IXMLDOMNode* parent, const wchar_t* name) {
    Com<IXMLDOMNode> child;
    Bstr query(name);
    if (parent->selectSingleNode(query.get(), child.put()) != S_OK) return L"<missing>";
    Bstr text;
    child->get_text(text.put());
    return text.str();
}

std::wstring ParseFailure(IXMLDOMDocument* document) {
    Com<IXMLDOMParseError> failure;
    Bstr reason;
    if (SUCCEEDED(document->get_parseError(failure.put())) && failure) {
        failure->get_reason(reason.put());
    }
    return L"not loaded: " + reason.str();
}

void ReadApps(IXMLDOMDocument* document, ParsedExport& parsed) {
    Com<IXMLDOMElement> root;
    if (document->get_documentElement(root.put()) != S_OK) return;
    Bstr tag;
    root->get_tagName(tag.put());
    parsed.root = tag.str();
    Com<IXMLDOMNodeList> apps;
    Bstr query(L"/Tolvane/App");
    if (FAILED(document->selectNodes(query.get(), apps.put()))) return;
    long count = 0;
    apps->get_length(&count);
    parsed.appCount = static_cast<int>(count);
    for (long i = 0; i < count; ++i) {
        Com<IXMLDOMNode> app;
        apps->get_item(i, app.put());
        parsed.apps.push_back({ChildText(app.get(), L"Name"), ChildText(app.get(), L"Path")});
    }
}

// Wine's MSXML knows no "gb2312", which the files declare; there the
// host's libxml2 checks the file as it stands and hands MSXML a UTF-8 copy.
// On Windows MSXML reads the file itself.
using UnixFileName = char*(CDECL*)(const wchar_t*);

UnixFileName WineUnixFileName() {
    return reinterpret_cast<UnixFileName>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name"));
}

constexpr wchar_t kHostShell[] = L"Z:\\bin\\sh";
constexpr wchar_t kHostXmllint[] = L"Z:\\usr\\bin\\xmllint";
constexpr DWORD kXmllintWaitMs = 30000;

std::string UnixPath(UnixFileName convert, const std::wstring& path) {
    char* unix = convert(path.c_str());
    if (!unix) return {};
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

std::string ReadWhole(const std::wstring& path) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (file && ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    return bytes;
}

// Runs xmllint on |path| through the host's shell, writing the document
// re-encoded as UTF-8 to |copy|. Wine starts a host program without a
// process handle to wait on, so the shell leaves xmllint's exit code in a
// file when it is done. Returns "" on success, else what went wrong.
std::wstring TranscodeWithXmllint(UnixFileName convert, const std::wstring& path,
                                  const std::wstring& copy) {
    std::wstring done = copy + L".done";
    std::wstring errors = copy + L".err";
    std::string script = "xmllint --nonet --encode UTF-8 --output '" + UnixPath(convert, copy) +
                         "' '" + UnixPath(convert, path) + "' 2>'" + UnixPath(convert, errors) +
                         "'; echo $? >'" + UnixPath(convert, done) + ".tmp'; mv '" +
                         UnixPath(convert, done) + ".tmp' '" + UnixPath(convert, done) + "'";
    std::wstring command = L"sh -c \"" + std::wstring(script.begin(), script.end()) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(kHostShell, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return L"the host shell did not start";
    }
    // Wine fills in no handles for a host program: what PROCESS_INFORMATION
    // holds then is whatever lay on the stack, which may be a live handle of
    // this process. They are not closed.
    for (DWORD waited = 0; GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES;
         waited += 50) {
        if (waited > kXmllintWaitMs) return L"xmllint did not finish";
        Sleep(50);
    }
    std::string code = ReadWhole(done);
    std::string message = ReadWhole(errors);
    DeleteFileW(done.c_str());
    DeleteFileW(errors.c_str());
    if (code.rfind("0", 0) == 0 && message.empty()) return L"";
    std::string report = "xmllint exit code " + code + message;
    return std::wstring(report.begin(), report.end());
}

ParsedExport LoadWithMsxml(const std::wstring& path) {
    ComScope com;
    ParsedExport parsed;
    CLSID clsid;
    Com<IXMLDOMDocument> document;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                reinterpret_cast<void**>(document.put())))) {
        parsed.error = L"no XML parser";
        return parsed;
    }
    document->put_async(VARIANT_FALSE);
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(path.c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT result = document->load(source, &ok);
    VariantClear(&source);
    if (FAILED(result) || ok != VARIANT_TRUE) {
        parsed.error = ParseFailure(document.get());
        return parsed;
    }
    parsed.loaded = true;
    ReadApps(document.get(), parsed);
    return parsed;
}

}  // namespace

ParsedExport ParseExportXml(const std::wstring& path) {
    UnixFileName convert = WineUnixFileName();
    if (!convert || GetFileAttributesW(kHostXmllint) == INVALID_FILE_ATTRIBUTES) {
        return LoadWithMsxml(path);
    }
    std::wstring copy = path + L".utf8";
    std::wstring failure = TranscodeWithXmllint(convert, path, copy);
    if (!failure.empty()) {
        DeleteFileW(copy.c_str());
        ParsedExport failed;
        failed.error = failure;
        return failed;
    }
    ParsedExport parsed = LoadWithMsxml(copy);
    DeleteFileW(copy.c_str());
    return parsed;
}

}  // namespace tolvane::testing
