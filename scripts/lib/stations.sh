# Several MarliskAuto stations on one shared watch folder under Wine, as a shop runs them on
# a file server. The folder is reached as \\fileserver\marlisk\ (Wine maps a UNC path through
# $WINEPREFIX/dosdevices/unc). A station runs either in a Wine prefix of its own (its own
# wineserver: like a PC of its own, sharing only what the file system's renames guarantee) or
# beside others in the main prefix (one wineserver, which keeps share modes between them as a
# file server does between its clients). Source after lib/wine.sh and lib/program.sh, once
# wine_start has run.
#   stations_begin                      an empty share: watch\, out\, logs\
#   station_add NAME own|main [Key=Value ...]   a station and the [Run] settings it adds
#                                       (SharedWatchFolder=0: a PC of its own on the folder;
#                                       STATION_WAIT_SECONDS: its wait, 2 s unless set)
#   station_start NAME [VAR=value ...]  starts it (/a), with the test viewer's options
#   station_kill NAME [SIGNAL]          kill -9 (default) or -STOP/-CONT its program
#   stations_arrive FIRST LAST          writes f<FIRST>.hgl ... f<LAST>.hgl into the watch folder
#   stations_wait_done SECONDS          until no input waits and no station holds one
#   stations_count_* / stations_end     what happened; every station ended

STATIONS_SHARE="$ROOT/build/stations/share"
STATIONS_MAIN_PREFIX=$WINEPREFIX
declare -A _station_prefix=() _station_pid=() _station_work=()

_station_user() { ls "$STATIONS_MAIN_PREFIX/drive_c/users" | grep -v -x Public | head -1; }

_station_link_share() {
  mkdir -p "$1/dosdevices/unc/fileserver"
  ln -sfn "$STATIONS_SHARE" "$1/dosdevices/unc/fileserver/marlisk"
}

stations_begin() {
  stations_end
  _station_work=()
  rm -rf "$STATIONS_SHARE"
  mkdir -p "$STATIONS_SHARE/watch" "$STATIONS_SHARE/out" "$STATIONS_SHARE/logs"
  _station_link_share "$STATIONS_MAIN_PREFIX"
}

# A prefix of its own: a copy of the main one (made once, kept in build/).
_station_own_prefix() {
  local prefix="$ROOT/build/wine-station-$1"
  if [ ! -f "$prefix/.marlisk-ready" ]; then
    rm -rf "$prefix"
    cp -a "$STATIONS_MAIN_PREFIX" "$prefix" || { echo "stations: could not copy the prefix into $prefix" >&2; return 1; }
  fi
  _station_link_share "$prefix"
  echo "$prefix"
}

station_add() {
  local name=$1 where=$2; shift 2
  local prefix=$STATIONS_MAIN_PREFIX
  if [ "$where" = own ]; then prefix=$(_station_own_prefix "$name") || return 1; fi
  local local_folder="$prefix/drive_c/users/$(_station_user)/AppData/Local/station-$name"
  local work="$local_folder/Brennamor/MarliskAuto"
  rm -rf "$local_folder"
  mkdir -p "$work"
  cp -r "$ROOT/Init/." "$work/"
  _station_prefix[$name]=$prefix
  _station_work[$name]=$work
  WINEPREFIX=$prefix wine "$ROOT/build/win/SetParameter.exe" "$(winpath "$work/MarliskAuto.par")" \
    "ViewerExePath=$(winpath "$ROOT/build/win/TestViewer.exe")" 'OutputFolder=\\fileserver\marlisk\out\' \
    'WatchPattern=\\fileserver\marlisk\watch\*.hgl' "WaitSeconds=${STATION_WAIT_SECONDS:-2}" </dev/null >/dev/null ||
    { echo "stations: could not set the parameters of $name" >&2; return 1; }
  {
    printf '\xEF\xBB\xBF[Run]\r\nUnattended=1\r\nViewerTimeLimit=1\r\nMaxAttempts=3\r\nRunLog=1\r\n'
    local setting shared=1
    for setting in "$@"; do [ "$setting" = SharedWatchFolder=0 ] && shared=0; done
    [ "$shared" = 0 ] || printf 'SharedWatchFolder=1\r\nStationName=%s\r\n' "$name"
    for setting in "$@"; do printf '%s\r\n' "$setting"; done
  } >"$work/MarliskAuto.ini"
}

station_start() {
  local name=$1; shift
  local prefix=${_station_prefix[$name]} user
  user=$(_station_user)
  # The program finds its working folder under the user's local application data folder,
  # read as it starts: each station is pointed at its own before it starts.
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v 'Local AppData' /t REG_EXPAND_SZ /d "C:\\users\\$user\\AppData\\Local\\station-$name" /f </dev/null >/dev/null 2>&1
  env WINEPREFIX="$prefix" TESTVIEWER_LOG="$(winpath "$STATIONS_SHARE/logs/viewer-$name.log")" \
    TESTVIEWER_CREATE_OUTPUTS=1 "$@" wine "$ROOT/build/win/MarliskAuto.exe" /a </dev/null >/dev/null 2>&1 &
  _station_pid[$name]=$!
  disown "$!"  # killed on purpose, without a word from the shell
  # Until it has read where its working folder is, and taken its lock (a PC of its own: until
  # its first listing).
  local i
  for i in $(seq 1 100); do
    [ -f "$STATIONS_SHARE/watch/変換中/$name.txt" ] && grep -q "Pid=" "$STATIONS_SHARE/watch/変換中/$name.txt" && break
    grep -q '^SharedWatchFolder=0' "${_station_work[$name]}/MarliskAuto.ini" && [ -f "${_station_work[$name]}/FList1.txt" ] && break
    sleep 0.2
  done
  sleep 1
}

station_kill() { kill "-${2:-KILL}" "${_station_pid[$1]}" 2>/dev/null || true; }

station_log() { cat "${_station_work[$1]}"/Log/*.txt 2>/dev/null; }

stations_end() {
  local name
  for name in "${!_station_pid[@]}"; do kill -9 "${_station_pid[$name]}" 2>/dev/null || true; done
  for name in "${!_station_prefix[@]}"; do
    [ "${_station_prefix[$name]}" = "$STATIONS_MAIN_PREFIX" ] || WINEPREFIX=${_station_prefix[$name]} wineserver -k 2>/dev/null || true
  done
  # The viewers the stations started, in the main prefix.
  pkill -9 -f 'TestViewer.exe' 2>/dev/null || true
  _station_pid=()
  if [ -n "${_station_prefix[*]:-}" ]; then
    WINEPREFIX=$STATIONS_MAIN_PREFIX wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
      /v 'Local AppData' /t REG_EXPAND_SZ /d '%USERPROFILE%\AppData\Local' /f </dev/null >/dev/null 2>&1 || true
  fi
  _station_prefix=()
}

stations_arrive() {
  local n
  for n in $(seq "$1" "$2"); do printf 'IN;SP1;PU0,0;PD100,100;PU;SP0;\n' >"$STATIONS_SHARE/watch/$(printf 'f%05d.hgl' "$n")"; done
}

# Inputs still waiting in the watch folder or held in a claim folder.
stations_pending() {
  find "$STATIONS_SHARE/watch" -maxdepth 3 -name '*.hgl' -not -path '*/変換エラー/*' | wc -l
}

stations_wait_done() {
  local deadline=$((SECONDS + $1))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ "$(stations_pending)" -eq 0 ] && return 0
    sleep 1
  done
  return 1
}

# Each conversion the viewers were given, as "<station>\<file>", one a line.
stations_conversions() {
  cat "$STATIONS_SHARE"/logs/viewer-*.log 2>/dev/null | LC_ALL=C grep -ao '\\[A-Za-z0-9_-]*\\f[0-9]*\.hgl"' | tr -d '"' |
    sed 's/^\\//'
}
stations_count_converted() { stations_conversions | sed 's/.*\\//' | sort -u | wc -l; }
stations_count_twice() { stations_conversions | sed 's/.*\\//' | sort | uniq -d | wc -l; }
# Arrived inputs with no output and not in the error folder, the watch folder or a claim folder.
stations_count_lost() {
  local lost=0 n name
  for n in $(seq "$1" "$2"); do
    name=$(printf 'f%05d' "$n")
    [ -f "$STATIONS_SHARE/out/$name.pdf" ] && continue
    [ -n "$(find "$STATIONS_SHARE/watch" -name "$name.hgl" | head -1)" ] && continue
    lost=$((lost + 1))
  done
  echo "$lost"
}
# Lines of all station logs with a word.
stations_count_logged() {
  local name total=0 count
  for name in "${!_station_work[@]}"; do
    count=$(station_log "$name" | grep -c "$1" || true)
    total=$((total + count))
  done
  echo "$total"
}

# The end-to-end checks that scripts/test runs; sets stations_passed and stations_failed.
stations_suite() {
  stations_passed=0 stations_failed=0
  check() {
    local what=$1; shift
    if "$@"; then stations_passed=$((stations_passed + 1)); else
      stations_failed=$((stations_failed + 1)); echo "stations: FAILED: $what"
    fi
  }

  # Two PCs (a prefix each) on 300 files: each file converted once, by one of them, none lost.
  stations_begin
  station_add PC-1 own ClaimBatch=20
  station_add PC-2 own ClaimBatch=20
  stations_arrive 1 300
  station_start PC-1 TESTVIEWER_MS_PER_LINE=20
  station_start PC-2 TESTVIEWER_MS_PER_LINE=20
  check "two stations convert every file" stations_wait_done 120
  check "each file once (converted: $(stations_count_converted), twice: $(stations_count_twice))" \
    test "$(stations_count_converted)" -eq 300 -a "$(stations_count_twice)" -eq 0
  check "both stations took a share" test "$(station_log PC-1 | grep -c $'\t引き取り')" -gt 0 -a \
    "$(station_log PC-2 | grep -c $'\t引き取り')" -gt 0
  check "no file lost, claim folders empty" test "$(stations_count_lost 1 300)" -eq 0 -a \
    "$(find "$STATIONS_SHARE/watch/変換中" -name '*.hgl' | wc -l)" -eq 0

  # A station killed while its viewer has its files, then started again: it finishes them,
  # each second conversion said as 再開, and nothing is lost.
  stations_begin
  station_add PC-1 own ClaimBatch=10
  stations_arrive 1 10
  station_start PC-1 TESTVIEWER_MS_PER_LINE=3000
  local i
  for i in $(seq 1 60); do [ "$(find "$STATIONS_SHARE/watch/変換中/PC-1" -name '*.hgl' | wc -l)" -eq 10 ] && break; sleep 0.5; done
  sleep 3
  station_kill PC-1
  stations_end
  check "the killed station left its claims in its own folder" \
    test "$(find "$STATIONS_SHARE/watch/変換中/PC-1" -name '*.hgl' | wc -l)" -eq 10
  station_add PC-1 own ClaimBatch=10
  station_start PC-1 TESTVIEWER_MS_PER_LINE=10
  check "restarted, it finishes them" stations_wait_done 60
  check "each second conversion said as 再開 (twice: $(stations_count_twice), 再開: $(stations_count_logged '(再開)'))" \
    test "$(stations_count_twice)" -le "$(stations_count_logged '(再開)')" -a "$(stations_count_lost 1 10)" -eq 0

  # One server for both (share modes kept): a frozen station is not robbed, however long it
  # is silent, while the server holds its lock; once it is gone, its files go back to the others.
  stations_begin
  station_add PC-1 main ClaimBatch=5 TakeOverMinutes=1
  station_add PC-2 main ClaimBatch=5 TakeOverMinutes=1
  stations_arrive 1 5
  station_start PC-1 TESTVIEWER_MS_PER_LINE=1000
  for i in $(seq 1 60); do [ "$(find "$STATIONS_SHARE/watch/変換中/PC-1" -name '*.hgl' | wc -l)" -eq 5 ] && break; sleep 0.5; done
  station_kill PC-1 STOP
  station_start PC-2 TESTVIEWER_MS_PER_LINE=10
  sleep 75
  check "a frozen station keeps its files past its time" \
    test "$(find "$STATIONS_SHARE/watch/変換中/PC-1" -name '*.hgl' | wc -l)" -eq 5 -a "$(stations_count_logged $'\t差し戻し')" -eq 0
  station_kill PC-1
  check "once it is gone, its files are put back and converted" stations_wait_done 100
  check "each put back is logged (差し戻し: $(stations_count_logged $'\t差し戻し'))" \
    test "$(stations_count_logged $'\t差し戻し')" -ge 1 -a "$(stations_count_lost 1 5)" -eq 0
  stations_end

  # A claim folder that a rename cannot reach (a link to another volume) is refused, with
  # the reason in the log, and nothing is claimed. It needs a second file system: the small
  # disk scripts/test mounts where it can.
  if mountpoint -q "$ROOT/build/small-disk" 2>/dev/null; then
    stations_begin
    rm -rf "$ROOT/build/small-disk/claims" && mkdir -p "$ROOT/build/small-disk/claims"
    ln -s "$ROOT/build/small-disk/claims" "$STATIONS_SHARE/watch/変換中"
    station_add PC-1 main
    stations_arrive 1 1
    station_start PC-1
    sleep 4
    check "a claim folder on another volume is refused and said" \
      test "$(station_log PC-1 | grep -c '別のボリュームにある')" -eq 1 -a -f "$STATIONS_SHARE/watch/f00001.hgl"
    stations_end
    rm -rf "$ROOT/build/small-disk/claims"
  fi
}
