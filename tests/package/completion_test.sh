#!/usr/bin/env bash
# The bash completion of radsh: options complete from their prefixes, every
# long option of `radsh --help` is offered, files complete where a file is
# expected, and nothing is offered for a value that is no file.
#   completion_test.sh RADSH COMPLETION_SCRIPT
set -euo pipefail
radsh=$1
source "$2"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
touch commands.txt libother.so

failures=0
# expect "WORDS..." "EXPECTED COMPLETIONS": completes the last word of the line.
expect() {
    read -r -a COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _radsh
    local actual
    actual=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    if [[ "${actual% }" != "$2" ]]; then
        echo "completing '$1': got '${actual% }', expected '$2'"
        failures=$((failures + 1))
    fi
}

expect "radsh --sta" "--standby"
expect "radsh --store-" "--store-wait"
expect "radsh --j" "--json"
expect "radsh --ver" "--version"
expect "radsh -c" "-c"
expect "radsh --library lib" "libother.so"
expect "radsh --library " "commands.txt libother.so"
expect "radsh com" "commands.txt"
expect "radsh --echo com" "commands.txt"
# the value of -c is commands, and of --document a page name: no files
expect "radsh -c " ""
expect "radsh --document " ""

# Every long option the shell accepts is offered after "--".
long_options=$("$radsh" --help | grep -o -- '--[a-z][a-z-]*' | sort -u | tr '\n' ' ')
expect "radsh --" "${long_options% }"

exit $((failures > 0))
