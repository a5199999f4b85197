# What every command under scripts/ and bench/ starts with. Source it, then call
#   begin_script NAME "$@"
# which installs what is missing (scripts/setup) and starts the script once more in a fresh
# process, reports the step that failed in a `set -e` script, and runs the cleanups given to
# at_exit on every way out (an error, Ctrl-C, a kill by signal).
ROOT=${ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export ROOT

_cleanups=()
SCRIPT_NAME=${SCRIPT_NAME:-$(basename "$0")}

begin_script() {
  SCRIPT_NAME=$1
  shift
  if [ -z "${MARLISK_SETUP_DONE:-}" ]; then
    "$ROOT/scripts/setup" || fail "setting up the machine failed (scripts/setup, above)"
    export MARLISK_SETUP_DONE=1
    # Once more, in a new process: a process that was running while setup generated the
    # Japanese locale does not see it (glibc keeps the locale archive it opened first), and
    # every Wine call would then silently use code page 1252.
    exec bash "$0" "$@"
  fi
  trap _run_cleanups EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  trap 'exit 129' HUP
  if [[ $- == *e* ]]; then
    set -E
    trap '_report_failure $? "$BASH_COMMAND" "${BASH_SOURCE[0]}" $LINENO "${FUNCNAME[*]:-}"' ERR
  fi
}

# Runs "$1" (a command line) when the script ends, last registered first.
at_exit() { _cleanups+=("$1"); }

fail() {
  echo "$SCRIPT_NAME: $*" >&2
  exit 1
}

_report_failure() {
  local code=$1 command=$2 file=$3 line=$4 calls=${5:-}
  # Only once, at the step that failed, not again in every function it unwinds through.
  [ -n "${_failure_reported:-}" ] && return
  _failure_reported=1
  calls=${calls#_report_failure }
  echo "$SCRIPT_NAME: failed (exit $code) at ${file#"$ROOT"/}:$line: $command${calls:+ (in ${calls// / < })}" >&2
}

_run_cleanups() {
  local code=$? i
  trap - ERR
  set +e
  for ((i = ${#_cleanups[@]} - 1; i >= 0; i--)); do eval "${_cleanups[i]}"; done
  _cleanups=()
  exit "$code"
}
