// Every procedure and callback the system calls (window, subclass and dialog procedures,
// sort and enumeration callbacks) runs its body through guarded(): an exception must not
// unwind through the system's frames. One that comes anyway is said and the procedure
// returns `fallback`.
#pragma once

#include <exception>
#include <string>

#include "win/Warning.h"

namespace marlisk::win {

template <typename R, typename Body>
R guarded(R fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::exception& e) {
    try {
      ShowWarning(std::string("内部エラー: ") + e.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      ShowWarning("内部エラー");
    } catch (...) {
    }
  }
  return fallback;
}

}  // namespace marlisk::win
