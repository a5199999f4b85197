#include "win/Reflection.h"

#include <algorithm>

namespace marlisk::win {

void Reflector::add(ReflectedComponent& component) {
  if (std::find(components_.begin(), components_.end(), &component) == components_.end())
    components_.push_back(&component);
}

void Reflector::remove(ReflectedComponent& component) {
  components_.erase(std::remove(components_.begin(), components_.end(), &component), components_.end());
}

ReflectedComponent* Reflector::owning(HWND control) const {
  if (!control) return nullptr;
  for (ReflectedComponent* component : components_)
    if (component->control() == control) return component;
  return nullptr;
}

bool Reflector::route(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  if (message == WM_DESTROY) {
    // A copy: a component may leave the list while it is told.
    for (ReflectedComponent* component : std::vector<ReflectedComponent*>(components_)) component->parentDestroying();
    return false;
  }
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    ReflectedComponent* component = header ? owning(header->hwndFrom) : nullptr;
    return component && component->reflectNotify(header, result);
  }
  if (message == WM_COMMAND) {
    ReflectedComponent* component = owning(reinterpret_cast<HWND>(lParam));
    return component && component->reflectCommand(HIWORD(wParam), result);
  }
  if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
    ReflectedComponent* component = owning(reinterpret_cast<HWND>(lParam));
    return component && component->reflectColor(message, reinterpret_cast<HDC>(wParam), result);
  }
  return false;
}

}  // namespace marlisk::win
