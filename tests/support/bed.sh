# Sourced by the live test beds (samba-server, domain-controller, wsd-live):
# what they share about skipping, their processes and their private smbds.

# Exit 77 ("cannot run here"), with the reason in $DIR/skip.
die_skip() {
    mkdir -p "$DIR"
    echo "$1" >"$DIR/skip"
    echo "${0##*/}: skipped: $1" >&2
    exit 77
}

alive() {
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
    [[ -n $state && $state != Z ]]
}

# Closes every descriptor above 2 of the shell it runs in (a subshell that
# then execs a daemon, which keeps that subshell's PID): one that outlived us
# (a lock the caller holds while tests run) would keep that lock taken.
close_inherited() {
    local fd
    for fd in /proc/$BASHPID/fd/*; do
        fd=${fd##*/}
        if ((fd > 2)); then eval "exec $fd>&-"; fi
    done
}

# The [global] lines of a private smbd whose state is all under folder $1
# (made here), on port 445 of its own interfaces only, with no printing.
smb_private_globals() {
    local d=$1
    mkdir -p "$d"/{private,lock,state,cache,run,ncalrpc,log}
    printf '    %s\n' "bind interfaces only = yes" "smb ports = 445" "private dir = $d/private" \
        "lock directory = $d/lock" "state directory = $d/state" "cache directory = $d/cache" \
        "pid directory = $d/run" "ncalrpc dir = $d/ncalrpc" "log file = $d/log/log.%m" \
        "load printers = no" "printing = bsd" "printcap name = /dev/null" "disable spoolss = yes"
}
