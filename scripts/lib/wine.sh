# Wine and Xvfb for running MarliskAuto and its tests on Linux. Source it, then:
#   wine_prefix_ready   create the prefix once (Japanese fonts, no crash dialog, real user folders)
#   wine_start          a display and a running wine server, warmed up
#   wine_stop           end every Windows process and the display we started
# The prefix lives in the build tree: removing build/ removes it.

ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wine}
export WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Code page 932 for the ANSI functions, as on our users' machines.
export LC_ALL=ja_JP.UTF-8

_wine_started_xvfb=""

wine_prefix_ready() {
  [ -f "$WINEPREFIX/.marlisk-ready" ] && return 0
  echo "wine: creating the prefix in $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  local reg="$WINEPREFIX/drive_c/marlisk-settings.reg"
  # regedit wants UTF-16 for the Japanese value names.
  iconv -f UTF-8 -t UTF-16 > "$reg" <<'REG'
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
  wine regedit /S 'C:\marlisk-settings.reg' </dev/null >/dev/null 2>&1
  wineserver -w
  rm -f "$reg"
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  # A new prefix links Desktop, Documents, ... to $HOME: make them real folders, so that
  # nothing the program or its tests write lands outside the prefix.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
  done
  touch "$WINEPREFIX/.marlisk-ready"
}

wine_start() {
  wine_prefix_ready
  # Our own display each run: nothing on screen of a developer's session is touched.
  if [ -z "$_wine_started_xvfb" ]; then
    local n=99
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    _wine_started_xvfb=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  fi
  wineserver -p
  # The first wine call starts services that inherit its descriptors: keep them off any pipe.
  wine wineboot </dev/null >/dev/null 2>&1
}

wine_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "$_wine_started_xvfb" ]; then
    kill "$_wine_started_xvfb" 2>/dev/null || true
    wait "$_wine_started_xvfb" 2>/dev/null || true
    _wine_started_xvfb=""
  fi
}
