#!/usr/bin/env bash
# The command line's help, version, man pages and bash completion.
set -euo pipefail
build="$1"
# "without-windows" for a tree that leaves the programs with windows out (the sanitizer tree).
windows=(vodex-manager vodex-setup vodex_measure_window)
[[ "${2:-}" == "without-windows" ]] && windows=()
vodex="$build/bin/vodex"
fail() { echo "docs_test: $*" >&2; exit 1; }
for args in "--help" "help" "measure --help" "help ports" "--version" "info -h"; do
    # shellcheck disable=SC2086
    "$vodex" $args >/dev/null || fail "'vodex $args' did not end with 0"
done
[[ "$("$vodex" --version)" =~ ^vodex\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "no version"
"$vodex" measure --help | grep -q -- "--cycles N" || fail "measure --help names no options"
if "$vodex" help nothing 2>/dev/null; then fail "'vodex help nothing' succeeded"; fi
for program in vodex vodex-sim vodex_msiexec; do
    "$build/bin/$program" --help >/dev/null || fail "$program --help"
    page="$build/man/$program.1"
    rendered="$(MANWIDTH=80 man -l "$page" 2>&1)" || fail "man -l $page"
    grep -q "^SYNOPSIS" <<<"$rendered" || fail "$page has no synopsis"
done
# Every program answers --help and --version without a window; a program with windows that
# cannot show them ends with one line that says why and exit code 2, not with an abort.
for program in vodex vodex-sim vodex_msiexec vodex_regsvr vodex_devinfo "${windows[@]}"; do
    env -u DISPLAY -u WAYLAND_DISPLAY "$build/bin/$program" --help >/dev/null ||
        fail "$program --help"
    [[ "$(env -u DISPLAY "$build/bin/$program" --version)" =~ ^$program\ [0-9]+\.[0-9]+ ]] ||
        fail "$program --version"
done
for program in "${windows[@]}"; do
    status=0
    said="$(QT_QPA_PLATFORM=offscreen "$build/bin/$program" -platform nonexistent 2>&1)" ||
        status=$?
    [[ $status -eq 2 && "$said" == "$program: no window can be shown: "* &&
       $(wc -l <<<"$said") -eq 1 ]] || fail "$program -platform nonexistent: $status '$said'"
done
MANWIDTH=80 man -l "$build/man/vodex.1" | grep -q -- "--interval S" ||
    fail "the man page of vodex does not describe the commands' options"

# Completion: commands, options, and the installed driver classes.
export VODEX_HOME="$(mktemp -d)"
trap 'rm -rf "$VODEX_HOME"' EXIT
"$vodex" install --quiet "$build/lib/Vodex_Randomizer.so"
# shellcheck disable=SC1091
source "$build/completion/vodex"
complete_words() {
    COMP_WORDS=("$vodex" "$@")
    COMP_CWORD=$#
    _vodex
    echo "${COMPREPLY[*]}"
}
[[ "$(complete_words mea)" == "measure" ]] || fail "no command completed"
[[ "$(complete_words measure --cy)" == "--cycles" ]] || fail "no option completed"
[[ "$(complete_words measure Vodex_R)" == "Vodex_Randomizer" ]] || fail "no driver class completed"
