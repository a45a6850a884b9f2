// Whole files as bytes, for the tests that write files and read them back.
#pragma once

#include <string>

namespace tolvane::testing {

// The bytes of a file; one that cannot be opened fails the test.
std::string ReadBytes(const std::wstring& path);
// Makes the file, or replaces what it holds, with |bytes|.
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace tolvane::testing
