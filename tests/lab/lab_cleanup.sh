#!/bin/sh
# Removes a test lab: kills every process in its network namespaces, then deletes them.
#
#   lab_cleanup.sh PREFIX [WORKDIR]   the lab PREFIX (namespaces PREFIX-*), e.g. cm1234
#   lab_cleanup.sh stale              every lab cmPID-* whose process PID no longer runs
#   lab_cleanup.sh --after-eof PREFIX WORKDIR
#       guard mode: returns at once and, detached, waits for end of file on standard input
#       (the test process holds the other end), then removes the lab and WORKDIR. So a test
#       process that dies without running its destructors still leaves nothing behind.
#       Standard output stays open until that cleanup is done.
#
# WORKDIR is removed only when it looks like a test temp folder (.../corvimap-test-*).

set -u

lab_namespaces() {
    ip netns list 2>/dev/null | awk '{print $1}' | while read -r ns; do
        case "$1" in
        stale)
            owner=$(printf '%s\n' "$ns" | sed -n 's/^cm\([0-9][0-9]*\)-.*/\1/p')
            if [ -n "$owner" ] && ! kill -0 "$owner" 2>/dev/null; then
                printf '%s\n' "$ns"
            fi
            ;;
        *)
            case "$ns" in "$1"-*) printf '%s\n' "$ns" ;; esac
            ;;
        esac
    done
}

pids_in() {
    for ns in $1; do ip netns pids "$ns" 2>/dev/null; done
}

remove_lab() {
    spaces=$(lab_namespaces "$1")
    if [ -n "$spaces" ]; then
        pids=$(pids_in "$spaces")
        # Daemons get a moment to exit cleanly (Samba removes its pid files), then no choice.
        # $pids is split into one argument per pid on purpose.
        # shellcheck disable=SC2086
        if [ -n "$pids" ]; then
            kill -TERM $pids 2>/dev/null
            tries=0
            while [ -n "$(pids_in "$spaces")" ] && [ $tries -lt 30 ]; do
                sleep 0.1
                tries=$((tries + 1))
            done
            pids=$(pids_in "$spaces")
            # shellcheck disable=SC2086
            [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
        fi
        for ns in $spaces; do ip netns del "$ns" 2>/dev/null; done
    fi
    case "${2:-}" in
    */corvimap-test-*) rm -rf -- "$2" ;;
    esac
}

check_selector() {
    case "$1" in
    stale | cm[0-9]*) ;;
    *)
        echo "$0: not a lab prefix: $1" >&2
        exit 2
        ;;
    esac
}

if [ "${1:-}" = "--after-eof" ]; then
    shift
    [ $# -eq 2 ] || exit 2
    check_selector "$1"
    # A background list reads /dev/null unless told otherwise, so keep stdin as fd 3. The
    # subshell is orphaned at once: killing the test's process tree does not reach it.
    exec 3<&0
    (
        trap '' INT TERM HUP
        cat <&3 >/dev/null
        remove_lab "$1" "$2" >/dev/null 2>&1 3<&-
    ) &
    exit 0
fi

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 PREFIX|stale [WORKDIR] | --after-eof PREFIX WORKDIR" >&2
    exit 2
fi
check_selector "$1"
remove_lab "$1" "${2:-}"
exit 0
