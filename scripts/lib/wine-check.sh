# Checks that the Wine set-up of lib/wine.sh holds up on a machine as it may be found: a run
# killed halfway that left its display and server behind, a prefix left half made, a machine
# without the Japanese locale, a wineboot that fails. Source after lib/wine.sh; call
# wine_check_suite before wine_start. Sets wine_check_passed and wine_check_failed.

wine_check_suite() {
  local out="$ROOT/build/wine-check" lib="$ROOT/scripts/lib"
  wine_check_passed=0 wine_check_failed=0
  rm -rf "$out"
  mkdir -p "$out/bin"
  check() {  # description, then a test command
    local what=$1; shift
    if "$@"; then wine_check_passed=$((wine_check_passed + 1))
    else wine_check_failed=$((wine_check_failed + 1)); echo "wine-env: FAILED: $what"; fi
  }
  # A script of ours, in a process of its own, as the README commands are (set -e, as they are).
  run() { bash -c "set -euo pipefail; source '$lib/common.sh'; begin_script check; source '$lib/wine.sh'; $1"; }

  # Killed halfway (no trap can run on SIGKILL): its display and server stay behind.
  run 'wine_start && kill -9 $$' >"$out/killed.log" 2>&1
  local owner xvfb display
  read -r owner xvfb display <"$_wine_session" 2>/dev/null || true
  check "a run killed halfway leaves its display behind (the case to deal with)" kill -0 "${xvfb:-0}"
  # The next run ends them, says so, and works.
  run 'wine_start && wine cmd /c exit 0 </dev/null >/dev/null 2>&1 && echo works' >"$out/after-kill.log" 2>&1
  check "the next run works" grep -q '^works$' "$out/after-kill.log"
  check "the next run says what it ended" grep -q "ending the display $display that an earlier run left behind" "$out/after-kill.log"
  check "the left-over display is gone" bash -c "! kill -0 ${xvfb:-0} 2>/dev/null"
  check "the next run ended what it started" test ! -e "$_wine_session"

  # A prefix left half made (Fonts not a folder, as a wineboot that died leaves it) is made again.
  local prefix="$ROOT/build/wine-check-prefix"
  rm -rf "$prefix"
  mkdir -p "$prefix/drive_c"
  : >"$prefix/drive_c/windows"
  touch "$prefix/.marlisk-ready"
  WINEPREFIX=$prefix run 'wine_prefix_ready' >"$out/damaged.log" 2>&1
  check "a damaged prefix is made again" test -z "$(_wine_prefix_problem "$prefix")" -a -f "$prefix/.marlisk-ready"
  check "and the user is told" grep -q "is damaged (system.reg is missing)" "$out/damaged.log"
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
  rm -rf "$prefix"

  # A wineboot that makes nothing: two tries, then a message that says what is missing.
  printf '#!/bin/sh\nexit 1\n' >"$out/bin/wineboot"
  chmod +x "$out/bin/wineboot"
  PATH="$out/bin:$PATH" WINEPREFIX=$prefix run 'wine_prefix_ready' >"$out/no-boot.log" 2>&1
  check "a failing wineboot fails the start" test $? -ne 0
  check "and says what failed" grep -q "could not create a whole Wine prefix in $prefix: system.reg is missing" "$out/no-boot.log"
  rm -f "$out/bin/wineboot"
  rm -rf "$prefix"

  # Without the Japanese locale: no shell warning, and a message instead of code page 1252.
  printf '#!/bin/sh\necho C; echo POSIX\n' >"$out/bin/locale"
  chmod +x "$out/bin/locale"
  PATH="$out/bin:$PATH" run 'wine_start' >"$out/no-locale.log" 2>&1
  check "a missing locale fails the start" test $? -ne 0
  check "and says so" grep -q "the ja_JP.UTF-8 locale is not generated" "$out/no-locale.log"
  check "without a shell warning" bash -c "! grep -q setlocale '$out/no-locale.log'"
  rm -f "$out/bin/locale"
}
