// Comma-separated values as RFC 4180 has them: a field holding a comma, a
// quote, CR or LF is quoted, with its quotes doubled; records end in CR LF.
// The text is UTF-16; files are written as UTF-8 with a byte order mark, by
// which spreadsheet programs recognise the encoding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

std::wstring CsvField(std::wstring_view field);
// The fields joined by commas, with CR LF at the end.
std::wstring CsvRecord(const std::vector<std::wstring>& fields);
std::wstring CsvText(const std::vector<std::vector<std::wstring>>& records);

}  // namespace tolvane
