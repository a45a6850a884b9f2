// Files for the export tests, and the bytes that the exports are
// expected to write, spelled out in code page 936 so that they do not depend
// on the conversion under test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/files.h"

namespace tolvane::testing {

bool FileExists(const std::wstring& path);
// The lines of a file's bytes, each of which must end with CR LF; a file
// whose last line lacks it yields a last element "<no CR LF>".
std::vector<std::string> SplitLines(const std::string& bytes);

// Whether the file system refuses to write a read-only file. Wine leaves
// that to the Unix permissions, which do not bind a process run as root.
bool IsReadOnlyEnforced(const std::wstring& readOnlyFile);
inline constexpr char kReadOnlyNotEnforced[] =
    "this Wine lets the process write read-only files (run as root)";

// 07:08 on 6 May 2024, local time.
SYSTEMTIME WorkedExampleTime();

// The lines that do not depend on the list, with their CR LF.
std::string HtmlHeadBytes();     // head, generated-by at the worked time, credits
std::string HtmlEndBytes();      // closing line
std::string XmlHeadBytes();      // declaration, generated-by, credits, root start
std::string XmlEndBytes();       // root end
std::string GeneratedByBytes();  // the HTML generated-by line at the worked time

// The worked examples: notepad.exe and mspaint.exe from system32.
std::string WorkedHtmlBytes();
std::string WorkedXmlBytes();

}  // namespace tolvane::testing
