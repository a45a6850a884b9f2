#include "editing/mod_user.h"

namespace tolvane::modUser {

std::wstring strKey;
std::wstring strApp;
int32_t lngResult = 0;
Scope scope = Scope::Machine;
std::wstring strPath;

}  // namespace tolvane::modUser
