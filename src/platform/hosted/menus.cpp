// Popup menus of the hosted layer: made, filled, tracked and destroyed as the
// program does it; the user's choice is planned by the test beforehand.
#include "state.h"

#include <deque>

namespace hosted {
namespace {

struct Menu {
    bool alive = true;
    std::vector<MenuItem> items;
};

struct Plan {
    UINT commandId;
    std::int64_t holdMs;
};

constexpr std::uintptr_t kMenuHandleBase = 0x700000;

std::vector<Menu> s_menus;
std::deque<Plan> s_plans;
std::vector<PopupMenuCall> s_tracked;

Menu* FindMenu(HMENU menu) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(menu);
    if (value <= kMenuHandleBase || (value - kMenuHandleBase) % 16 != 0) return nullptr;
    const std::size_t index = (value - kMenuHandleBase) / 16 - 1;
    if (index >= s_menus.size() || !s_menus[index].alive) return nullptr;
    return &s_menus[index];
}

bool Choosable(const Menu& menu, UINT id) {
    for (const MenuItem& item : menu.items)
        if (item.id == id && (item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP)) == 0) return true;
    return false;
}

}  // namespace

namespace detail {

void ResetMenus() {
    s_menus.clear();
    s_plans.clear();
    s_tracked.clear();
}

}  // namespace detail

const std::vector<PopupMenuCall>& PopupMenus() {
    return s_tracked;
}

void PlanMenuChoice(UINT commandId, std::int64_t holdMs) {
    s_plans.push_back(Plan{commandId, holdMs});
}

int MenusAlive() {
    int n = 0;
    for (const Menu& menu : s_menus)
        if (menu.alive) ++n;
    return n;
}

}  // namespace hosted

HMENU WINAPI CreatePopupMenu() {
    hosted::s_menus.push_back(hosted::Menu{});
    return reinterpret_cast<HMENU>(hosted::kMenuHandleBase + hosted::s_menus.size() * 16);
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
    hosted::Menu* m = hosted::FindMenu(menu);
    if (m == nullptr) return FALSE;
    const bool separator = (flags & MF_SEPARATOR) != 0;
    m->items.push_back(hosted::MenuItem{flags, id, separator || text == nullptr ? "" : text});
    return TRUE;
}

BOOL WINAPI DestroyMenu(HMENU menu) {
    hosted::Menu* m = hosted::FindMenu(menu);
    if (m == nullptr) return FALSE;
    m->alive = false;
    return TRUE;
}

BOOL WINAPI TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT* exclude) {
    const hosted::Menu* m = hosted::FindMenu(menu);
    if (m == nullptr || hosted::detail::FindWindowRecord(owner) == nullptr) return FALSE;
    hosted::PopupMenuCall call{m->items, flags, x, y, owner, GetForegroundWindow() == owner, exclude != nullptr,
                               0, hosted::Now(), 0};
    hosted::Plan plan{0, 0};
    if (!hosted::s_plans.empty()) {
        plan = hosted::s_plans.front();
        hosted::s_plans.pop_front();
    }
    // The menu's own loop holds the thread while the user looks at it.
    hosted::detail::AdvanceTo(hosted::Now() + plan.holdMs);
    if ((m = hosted::FindMenu(menu)) != nullptr && plan.commandId != 0 && hosted::Choosable(*m, plan.commandId))
        call.chosen = plan.commandId;
    call.closed = hosted::Now();
    hosted::s_tracked.push_back(call);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(call.chosen);
    if (call.chosen != 0)
        PostMessageA(owner, WM_COMMAND, MAKEWPARAM(call.chosen, 0), 0);
    return TRUE;
}
