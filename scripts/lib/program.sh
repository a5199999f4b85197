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
  set_parameters "ViewerExePath=$viewer" ${output:+"OutputFolder=$output"}
}

# Changes settings of the working folder's parameter file by name (Name=Value ...), through
# the program's own reader and writer (SetParameter.exe): no script counts its lines.
set_parameters() {
  wine "$ROOT/build/win/SetParameter.exe" "$(winpath "$(working_folder)/MarliskAuto.par")" "$@" </dev/null ||
    { echo "set_parameters: could not set $*" >&2; return 1; }
}
