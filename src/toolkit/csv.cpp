#include "toolkit/csv.h"

namespace tolvane {

std::wstring CsvField(std::wstring_view field) {
    if (field.find_first_of(L",\"\r\n") == std::wstring_view::npos) return std::wstring(field);
    std::wstring quoted = L"\"";
    for (wchar_t c : field) {
        if (c == L'"') quoted += L'"';
        quoted += c;
    }
    quoted += L'"';
    return quoted;
}

std::wstring CsvRecord(const std::vector<std::wstring>& fields) {
    std::wstring record;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) record += L',';
        record += CsvField(fields[i]);
    }
    record += L"\r\n";
    return record;
}

std::wstring CsvText(const std::vector<std::vector<std::wstring>>& records) {
    std::wstring text;
    for (const auto& fields : records) text += CsvRecord(fields);
    return text;
}

}  // namespace tolvane
