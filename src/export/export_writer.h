// The text of the two export files, built from the listed entries and the time
// of the export. Each piece is written as it stands and followed by CR LF;
// an XML piece may hold line breaks of its own.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "store/app_path_store.h"

namespace tolvane {

// "yyyy-mm-dd hh:mm" on a 24-hour clock.
std::wstring ExportStamp(const SYSTEMTIME& time);

// A name or path made safe for the HTML page: "&", "<" and ">" become
// entities, and a character that the ANSI code page cannot hold becomes a
// numeric character reference, so that no character is lost when the file is
// written in that code page. Everything else stays as it is.
std::wstring HtmlText(std::wstring_view text);

// The same for the XML document, which declares "gb2312": a character that
// GB 2312 cannot carry as itself becomes a numeric character reference too,
// and one that XML 1.0 forbids (control characters other than tab, CR and
// LF) becomes the reference to U+FFFD, so that the document is well formed
// whatever the registry holds.
std::wstring XmlText(std::wstring_view text);

// 4 + n pieces, one line each.
std::vector<std::wstring> HtmlPieces(const std::vector<AppPathEntry>& rows, const SYSTEMTIME& time);
// 5 + n pieces making 7 + 4n lines.
std::vector<std::wstring> XmlPieces(const std::vector<AppPathEntry>& rows, const SYSTEMTIME& time);

}  // namespace tolvane
