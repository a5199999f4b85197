# Wine and Xvfb for running MarliskAuto and its tests on Linux. Source it after
# lib/common.sh, then:
#   wine_prefix_ready        create the prefix once (Japanese fonts, no crash dialog, real user folders)
#   wine_create_prefix DIR   a bare new prefix in DIR, checked whole
#   wine_start               a display and a running wine server, warmed up; wine_stop runs at exit
#   wine_stop                end every Windows process and the display we started
# Each returns non-zero after saying what failed, and runs as well in a `set -e` script as
# in one without (every command whose failure is expected is guarded). The prefix lives in the build tree:
# removing build/ removes it. A display or server left behind by an earlier run that was
# killed is found through build/wine-session and ended before a new one starts.

ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wine}
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="

# Code page 932 for the ANSI functions, as on our users' machines. Without the generated
# locale Wine would fall back to 1252 without a word: say so instead (wine_start fails).
if locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  export LC_ALL=ja_JP.UTF-8
  _wine_locale_missing=""
else
  _wine_locale_missing=1
fi

_wine_session="$ROOT/build/wine-session"
_wine_xvfb=""

_wine_say() { echo "wine: $*" >&2; }

# What a prefix lacks, in words; nothing when it is whole.
_wine_prefix_problem() {
  local prefix=$1 file
  for file in system.reg user.reg userdef.reg drive_c/windows/system32/kernel32.dll \
    drive_c/windows/system32/user32.dll drive_c/windows/system32/comctl32.dll; do
    [ -f "$prefix/$file" ] || { echo "$file is missing"; return; }
  done
  for file in drive_c/windows/Fonts drive_c/users; do
    [ -d "$prefix/$file" ] || { echo "$file is not a folder"; return; }
  done
  ls "$prefix/drive_c/users" | grep -qvx Public || echo "drive_c/users holds no user"
}

wine_create_prefix() {
  local prefix=$1 attempt problem log
  log="$ROOT/build/$(basename "$prefix")-boot.log"
  mkdir -p "$ROOT/build"
  for attempt in 1 2; do
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
    mkdir -p "$prefix"
    # wineboot -i returns before the server has written the registry: wait for the server.
    local code=0
    WINEPREFIX=$prefix timeout 300 wineboot -i </dev/null >"$log" 2>&1 || code=$?
    WINEPREFIX=$prefix timeout 120 wineserver -w || true
    problem=$(_wine_prefix_problem "$prefix")
    [ -z "$problem" ] && return 0
    _wine_say "creating the prefix $prefix (try $attempt of 2): wineboot exit $code, $problem"
    tail -5 "$log" | sed 's/^/  /' >&2
  done
  _wine_say "could not create a whole Wine prefix in $prefix: $problem (wineboot's output: $log)"
  return 1
}

# Imports a registry file given as UTF-8 text (regedit wants UTF-16 for the Japanese names).
_wine_import_registry() {
  local reg="$WINEPREFIX/drive_c/marlisk-settings.reg"
  iconv -f UTF-8 -t UTF-16 >"$reg" || return 1
  wine regedit /S 'C:\marlisk-settings.reg' </dev/null >/dev/null 2>&1 || true
  wineserver -w || true
  rm -f "$reg"
}

wine_prefix_ready() {
  if [ -f "$WINEPREFIX/.marlisk-ready" ]; then
    local problem
    problem=$(_wine_prefix_problem "$WINEPREFIX")
    [ -z "$problem" ] && return 0
    _wine_say "the prefix in $WINEPREFIX is damaged ($problem): making it again"
  fi
  _wine_say "creating the prefix in $WINEPREFIX (once)"
  wine_create_prefix "$WINEPREFIX" || return 1
  _wine_import_registry <<'REG' || { _wine_say "could not import the prefix's settings"; return 1; }
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAGothic"
"MS Gothic"="IPAGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"MS Mincho"="IPAMincho"
"ＭＳ 明朝"="IPAMincho"
"Meiryo"="IPAPGothic"
"Meiryo UI"="IPAPGothic"
REG
  # Without these, message boxes take seconds to close and Japanese captions show as boxes.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" || ! grep -q 'IPAGothic' "$WINEPREFIX/user.reg"; then
    _wine_say "the prefix's settings did not reach $WINEPREFIX/user.reg"
    return 1
  fi
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" ||
    { _wine_say "could not copy marlett.ttf (caption buttons) into the prefix"; return 1; }
  # A new prefix links Desktop, Documents, ... to $HOME: make them real folders, so that
  # nothing the program or its tests write lands outside the prefix.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
  touch "$WINEPREFIX/.marlisk-ready"
}

# Ends what an earlier run of ours left behind when it was killed before it could clean up:
# its display and the servers of our prefixes. A run that is still alive is left alone and
# named, since ending its server would break it.
_wine_end_leftovers() {
  [ -f "$_wine_session" ] || return 0
  local owner xvfb display
  read -r owner xvfb display <"$_wine_session"
  if [ -n "$owner" ] && [ "$owner" != "$$" ] && kill -0 "$owner" 2>/dev/null; then
    _wine_say "another run (process $owner: $(tr '\0' ' ' </proc/"$owner"/cmdline 2>/dev/null)) is using $WINEPREFIX; wait for it or end it"
    return 1
  fi
  if [ -n "$xvfb" ] && [ "$(cat /proc/"$xvfb"/comm 2>/dev/null)" = Xvfb ]; then
    _wine_say "ending the display $display that an earlier run left behind (Xvfb $xvfb)"
    kill "$xvfb" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do kill -0 "$xvfb" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$xvfb" 2>/dev/null || true
  fi
  local prefix
  for prefix in "$ROOT"/build/wine "$ROOT"/build/wine-*/; do
    if [ -d "$prefix" ]; then WINEPREFIX=${prefix%/} wineserver -k >/dev/null 2>&1 || true; fi
  done
  rm -f "$_wine_session"
  return 0
}

wine_start() {
  if [ -n "$_wine_locale_missing" ]; then
    _wine_say "the ja_JP.UTF-8 locale is not generated (scripts/setup makes it); Wine would run in code page 1252"
    return 1
  fi
  _wine_end_leftovers || return 1
  if [ -z "${_wine_stop_registered:-}" ]; then at_exit wine_stop; _wine_stop_registered=1; fi
  wine_prefix_ready || return 1
  # Our own display each run: nothing on screen of a developer's session is touched.
  if [ -z "$_wine_xvfb" ]; then
    local n=99 i
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$ROOT/build/xvfb.log" 2>&1 &
    _wine_xvfb=$!
    export DISPLAY=":$n"
    echo "$$ $_wine_xvfb $DISPLAY" >"$_wine_session"
    for i in $(seq 1 200); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$_wine_xvfb" 2>/dev/null || break
      sleep 0.05
    done
    if [ ! -e "/tmp/.X11-unix/X$n" ]; then
      _wine_say "the virtual display :$n did not start (build/xvfb.log):"
      tail -5 "$ROOT/build/xvfb.log" | sed 's/^/  /' >&2
      return 1
    fi
  fi
  # A server of this prefix may still be running from an earlier step: "-p" would refuse it.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p || { _wine_say "could not start the wine server for $WINEPREFIX"; return 1; }
  # The first wine call starts services that inherit its descriptors: keep them off any pipe.
  wine wineboot </dev/null >/dev/null 2>&1 || { _wine_say "Wine does not start programs (wine wineboot failed)"; return 1; }
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_wine_xvfb" ]; then
    kill "$_wine_xvfb" 2>/dev/null || true
    wait "$_wine_xvfb" 2>/dev/null || true
    _wine_xvfb=""
  fi
  rm -f "$_wine_session"
  return 0
}
