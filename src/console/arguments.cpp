#include "console/arguments.h"

#include <algorithm>

namespace tolvane::console {

namespace {

template <size_t N>
bool Lists(const std::array<std::wstring_view, N>& names, std::wstring_view name) {
    return !name.empty() && std::find(names.begin(), names.end(), name) != names.end();
}

bool IsOption(const std::wstring& word) {
    return word.size() > 2 && word.starts_with(L"--");
}

}  // namespace

bool Invocation::Has(std::wstring_view option) const {
    return Value(option) != nullptr;
}

const std::wstring* Invocation::Value(std::wstring_view option) const {
    for (const auto& [name, value] : options) {
        if (name == option) return &value;
    }
    return nullptr;
}

bool ParseArguments(const VerbSyntax& syntax, const std::vector<std::wstring>& arguments,
                    Invocation& call, std::wstring& problem) {
    call = Invocation{};
    call.verb = syntax.verb;
    const std::wstring verb(syntax.verb);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& word = arguments[i];
        if (!IsOption(word)) {
            call.operands.push_back(word);
            continue;
        }
        size_t equals = word.find(L'=');
        std::wstring name = word.substr(0, equals);
        std::wstring value;
        if (Lists(syntax.valued, name)) {
            if (equals != std::wstring::npos) {
                value = word.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                problem = L"选项 " + name + L" 后面缺少值。";
                return false;
            }
        } else if (!Lists(syntax.flags, name) || equals != std::wstring::npos) {
            problem = L"命令 " + verb + L" 不接受选项“" + word + L"”。";
            return false;
        }
        if (call.Has(name)) {
            problem = L"选项 " + name + L" 只能给一次。";
            return false;
        }
        call.options.emplace_back(std::move(name), std::move(value));
    }
    if (call.operands.size() != syntax.operands) {
        problem = call.operands.size() < syntax.operands ? L"命令 " + verb + L" 缺少参数。"
                                                         : L"命令 " + verb + L" 的参数太多。";
        return false;
    }
    return true;
}

}  // namespace tolvane::console
