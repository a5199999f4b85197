# Running MarliskAuto.exe under Wine the way a user would. Source after lib/wine.sh.

# The Windows path (Z: is the Linux root under Wine) of a Linux path.
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

# The working folder the program uses in the Wine prefix.
working_folder() { echo "$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/Brennamor/MarliskAuto"; }

# Lays out the working folder as a user's first start would, from Init/, with the given
# viewer (a Windows path) and, when given, output folder (a Windows path ending in "\").
prepare_working_folder() {
  local viewer=$1 output=${2:-}
  local work
  work=$(working_folder)
  rm -rf "$work"
  mkdir -p "$work"
  cp -r "$ROOT/Init/." "$work/"
  V="$viewer" O="$output" awk '
    NR == 10 { printf "%s\r\n", ENVIRON["V"]; next }
    NR == 18 && ENVIRON["O"] != "" { printf "%s\r\n", ENVIRON["O"]; next }
    { print }' "$ROOT/Init/MarliskAuto.par" | iconv -f UTF-8 -t CP932 >"$work/MarliskAuto.par"
}

# Sets line $1 of the working folder's parameter file to $2 (line 1 is the version line).
set_parameter_line() {
  local par
  par="$(working_folder)/MarliskAuto.par"
  N="$1" V="$2" awk 'NR == ENVIRON["N"] { printf "%s\r\n", ENVIRON["V"]; next } { print }' "$par" >"$par.new"
  mv "$par.new" "$par"
}
