// Reads an exported XML document with real XML parsers (MSXML through COM,
// and under Wine the host's libxml2 as well), so that the tests judge the
// files by what a real consumer makes of them.
#pragma once

#include <string>
#include <vector>

namespace tolvane::testing {

struct ParsedApp {
    std::wstring name;
    std::wstring path;
    bool operator==(const ParsedApp&) const = default;
};

struct ParsedExport {
    bool loaded = false;
    std::wstring error;  // the parser's reason when not loaded
    std::wstring root;   // the document element's name
    int appCount = 0;    // App elements under the root
    std::vector<ParsedApp> apps;
};

ParsedExport ParseExportXml(const std::wstring& path);

}  // namespace tolvane::testing
