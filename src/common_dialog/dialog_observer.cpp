#include "common_dialog/dialog_observer.h"

#include <utility>

namespace tolvane {

namespace {
DialogObserver* g_observer = nullptr;
}  // namespace

DialogObserver* SetDialogObserver(DialogObserver* observer) {
    return std::exchange(g_observer, observer);
}

DialogObserver* CurrentDialogObserver() {
    return g_observer;
}

}  // namespace tolvane
