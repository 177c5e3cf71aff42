#!/usr/bin/env bash
# Runs qmr's bash completion as bash would on a few command lines and checks
# what it offers; then runs QMR with every option offered, to catch an
# option that the completion knows and qmr does not, and every option of
# `qmr --help` and of each command's own help, to catch one that the
# completion misses.
# Usage: test-completion.sh COMPLETION_FILE QMR
set -uo pipefail
completion=$1
qmr=$(realpath "$2")

framework=/usr/share/bash-completion/bash_completion
[[ -r $framework ]] || { echo "test-completion: $framework is missing (apt-get install bash-completion)" >&2; exit 1; }
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=/dev/null
source "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir Trends
: > T.000
: > T.001
: > T.qmr

failures=0
# expect_offers EXPECTED WORD... : completes the last WORD and compares the sorted
# offers, one line each, with EXPECTED (words separated by spaces).
expect_offers() {
  local expected=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _qmr qmr "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ')
  got=${got% }
  if [[ $got != "$expected" ]]; then
    echo "FAIL: '$COMP_LINE': expected '$expected', got '$got'"
    ((failures++))
  fi
}

expect_offers "--help --version check help rebuild scan show version" qmr ''
expect_offers "scan show" qmr help s
expect_offers "rebuild" qmr re
expect_offers "--help --version" qmr --
expect_offers "T.000 Trends" qmr rebuild T
expect_offers "T.000 Trends" qmr check -q T
expect_offers "Trends" qmr scan ''
expect_offers "T.000 T.001 T.qmr Trends" qmr show T
expect_offers "--strict" qmr check --s
expect_offers "--data --help --json --master" qmr show --
expect_offers "" qmr rebuild -j ''
expect_offers "Trends" qmr rebuild --record-as T
expect_offers "" qmr rebuild -- --

# The options offered for COMMAND, one per line.
offered() {
  COMP_WORDS=(qmr "$1" -)
  COMP_CWORD=2
  COMP_LINE="qmr $1 -"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _qmr qmr - "$1"
  printf '%s\n' "${COMPREPLY[@]}"
}

# Runs qmr COMMAND OPTION on operands that exist or not, and tells whether
# qmr took the option: anything but a usage error (exit 2).
accepted() {
  local command=$1 option=$2
  local args=("$command")
  [[ $command == scan ]] && args+=(--rebuild)  # -n and --force go with it
  args+=("$option")
  case $option in
    -j | --jobs) args+=(1) ;;
    --record-as) args+=('C:\PLANT') ;;
  esac
  case $command in
    scan) args+=("$work/Trends") ;;
    *) args+=("$work/NONE.000") ;;
  esac
  "$qmr" "${args[@]}" > /dev/null 2>&1
  [[ $? -ne 2 ]]
}

all_offered=""
for command in rebuild check scan show; do
  options=$(offered "$command")
  [[ -n $options ]] || { echo "FAIL: no options offered for $command"; ((failures++)); }
  for option in $options; do
    accepted "$command" "$option" || { echo "FAIL: qmr $command does not take $option"; ((failures++)); }
  done
  all_offered+=" $options "
done
# The check above can tell: an option of another command is refused.
if accepted rebuild --strict; then
  echo "FAIL: qmr rebuild took --strict; the option check proves nothing"
  ((failures++))
fi

help_options=$({ "$qmr" --help; for command in rebuild check scan show; do "$qmr" help "$command"; done; } | grep -oE -- '(^|[][ ,|(])--?[a-z][a-z-]*' | sed 's/^[^-]*//' | sort -u)
[[ -n $help_options ]] || { echo "FAIL: no options found in qmr --help"; ((failures++)); }
for option in $help_options; do
  [[ $option == --version || $option == -V ]] && continue  # qmr's own, before any command
  [[ $option == -h ]] && continue                         # --help is offered for it
  [[ " $all_offered " == *[[:space:]]"$option"[[:space:]]* ]] || {
    echo "FAIL: $option of qmr --help is never offered"
    ((failures++))
  }
done

if ((failures > 0)); then
  echo "test-completion: $failures failures"
  exit 1
fi
echo "test-completion: all completions as expected"
