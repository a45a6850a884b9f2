// The words after a verb: its operands (NAME, PATH, FILE) and its options,
// "--scope user" or "--scope=user". Each verb names what it takes; anything
// else is bad usage, told in one sentence.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvane::console {

struct VerbSyntax {
    std::wstring_view verb;
    size_t operands = 0;  // exactly this many
    // Options that take a value, and those that stand alone; empty slots
    // are unused.
    std::array<std::wstring_view, 3> valued = {};
    std::array<std::wstring_view, 3> flags = {};
};

struct Invocation {
    std::wstring verb;
    std::vector<std::wstring> operands;
    // Each option at most once; a flag has an empty value.
    std::vector<std::pair<std::wstring, std::wstring>> options;

    bool Has(std::wstring_view option) const;
    // The option's value, or null when it was not given.
    const std::wstring* Value(std::wstring_view option) const;
};

// Reads |arguments| (those after the verb) as |syntax| has them. False on
// bad usage, with |problem| saying what is wrong.
bool ParseArguments(const VerbSyntax& syntax, const std::vector<std::wstring>& arguments,
                    Invocation& call, std::wstring& problem);

}  // namespace tolvane::console
