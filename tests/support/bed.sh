# Sourced by the live test beds (samba-server, domain-controller,
# allcomputers-bed, wsd-live): what they share about skipping, processes,
# network namespaces, private smbds and the command line.

# Exit 77 ("cannot run here"), with the reason in $DIR/skip.
die_skip() {
    mkdir -p "$DIR"
    echo "$1" >"$DIR/skip"
    echo "${0##*/}: skipped: $1" >&2
    exit 77
}

fail() {
    echo "${0##*/}: $1" >&2
    exit 1
}

need_root() { [[ $(id -u) == 0 ]] || die_skip "needs root ($1)"; }

need_tools() {  # PACKAGES TOOL...
    local tool
    for tool in "${@:2}"; do
        command -v "$tool" >/dev/null || die_skip "$tool is missing (apt-get install $1)"
    done
}

# The nss_wrapper library (names for accounts the machine does not have).
nss_wrapper() {
    ls /usr/lib/*/libnss_wrapper.so 2>/dev/null | head -1 | grep . ||
        die_skip "libnss_wrapper is missing (apt-get install libnss-wrapper)"
}

# passwd and group files for nss_wrapper in folder $1, with root and nobody.
nss_files() {
    grep -E '^(root|nobody):' /etc/passwd >"$1/passwd"
    grep -E '^(root|nogroup):' /etc/group >"$1/group"
}

alive() {
    local state
    state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
    [[ -n $state && $state != Z ]]
}

none_alive() {
    local p
    for p; do alive "$p" && return 1; done
    return 0
}

# Runs COMMAND... every 0.1 s until it succeeds, at most TRIES times.
wait_until() {  # TRIES COMMAND...
    local i
    for ((i = 0; i < $1; i++)); do
        "${@:2}" && return 0
        sleep 0.1
    done
    return 1
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

# Run in a subshell, `(detached COMMAND...) &`: $! is then COMMAND's PID.
detached() {
    close_inherited
    exec "$@" </dev/null
}

# ADDRESS PORT as /proc/net/tcp and udp write them.
at() { printf '%02X%02X%02X%02X:%04X' $(echo "$1" | awk -F. '{ print $4, $3, $2, $1 }') "$2"; }

# Whether a socket of namespace NS ("" for ours) is bound to ADDRESS:PORT (a
# pattern over what `at` gives), listening when it is TCP.
listening() {  # NS PATTERN [udp]
    local proto=${3:-tcp}
    ${1:+ip netns exec "$1"} awk -v want="^$2\$" -v tcp="$([[ $proto == tcp ]] && echo 1)" \
        'NR > 1 && $2 ~ want && (!tcp || $4 == "0A") { f = 1 } END { exit !f }' "/proc/net/$proto"
}

new_namespace() {
    ip netns add "$1" && ip -n "$1" link set lo up
}

# A veth pair between two namespaces, both ends up.
veth() {  # NS1 LINK1 NS2 LINK2
    ip link add "$2" type veth peer name "$4" &&
        ip link set "$2" netns "$1" && ip link set "$4" netns "$3" &&
        ip -n "$1" link set "$2" up && ip -n "$3" link set "$4" up
}

# Ends every process of the namespaces (whatever runs there is ours), then
# deletes them and their /etc/netns files.
remove_namespaces() {
    local ns pids=
    for ns; do pids+=" $(ip netns pids "$ns" 2>/dev/null)"; done
    [[ -n ${pids// /} ]] && kill $pids 2>/dev/null
    wait_until 50 none_alive $pids
    for ns; do
        pids=$(ip netns pids "$ns" 2>/dev/null)
        [[ -n $pids ]] && kill -9 $pids 2>/dev/null
        ip netns delete "$ns" 2>/dev/null
        rm -rf "/etc/netns/$ns"
    done
}

# sh -c script: binds each SOURCE=TARGET argument over its target, then runs
# what follows "--" (under `unshare -m`, the binds are the command's alone).
readonly BIND_THEN_RUN='while [ "$1" != -- ]; do mount --bind "${1%%=*}" "${1#*=}" || exit 1; shift; done
shift; exec "$@"'

in_ns() {  # NS [SOURCE=TARGET...] -- COMMAND...
    local ns=$1
    shift
    ip netns exec "$ns" unshare -m --propagation private sh -c "$BIND_THEN_RUN" sh "$@"
}

# A HOME whose Samba client signs as $2 says ("disabled", "if_required"):
# a relay rewrites replies, which signing would forbid.
client_home() {  # FOLDER SIGNING
    mkdir -p "$1/.smb"
    printf '[global]\n    client signing = %s\n    client ipc signing = %s\n' "$2" "$2" >"$1/.smb/smb.conf"
}

# root's credentials in smbclient's auth-file format, readable by the owner only.
auth_file() {  # FILE PASSWORD DOMAIN
    (umask 077; printf 'username = root\npassword = %s\ndomain = %s\n' "$2" "$3" >"$1")
}

# The [global] lines of a private smbd whose state is all under folder $1
# (made here), on port 445 of its own interfaces only, with no printing.
smb_private_globals() {
    local d=$1
    mkdir -p "$d"/{private,lock,state,cache,run,ncalrpc,log}
    printf '    %s\n' "bind interfaces only = yes" "smb ports = 445" "private dir = $d/private" \
        "lock directory = $d/lock" "state directory = $d/state" "cache directory = $d/cache" \
        "pid directory = $d/run" "ncalrpc dir = $d/ncalrpc" "log file = $d/log/log.%m" \
        "load printers = no" "printing = bsd" "printcap name = /dev/null" "disable spoolss = yes" \
        "passdb backend = tdbsam:$d/private/passdb.tdb" "max log size = 0" "map to guest = never"
}

# Adds USER to the passdb of the smbd of CONF; root also becomes its
# administrator (file, session and connection lists need BUILTIN\Administrators
# in the token: root's group carries it, inside that server only). PREFIX
# (an `env ...`) runs the tools.
smb_user() {  # CONF USER PASSWORD [PREFIX...]
    local conf=$1 user=$2 password=$3
    shift 3
    printf '%s\n%s\n' "$password" "$password" | "$@" smbpasswd -c "$conf" -s -a "$user" >/dev/null ||
        fail "smbpasswd $user"
    [[ $user != root ]] || "$@" net -s "$conf" groupmap add sid=S-1-5-32-544 unixgroup=root \
        type=builtin ntgroup=Administrators >/dev/null || fail "net groupmap"
}

# The exec step of a bed in namespaces: COMMAND in the namespace its env
# names (netns=), with DIR-VARIABLE=DIR, each SOURCE=TARGET bound; with
# RELAY-VARIABLE set, the bed's relay_hosts over /etc/hosts and HOME at its
# relay_home. Without a running bed, COMMAND as it is (the tests then skip).
exec_inside() {  # DIR-VARIABLE RELAY-VARIABLE [SOURCE=TARGET...] -- COMMAND...
    local var=$1 relay=$2 binds=() home=${HOME:-/root} ns hosts
    shift 2
    while [[ $1 != -- ]]; do binds+=("$1"); shift; done
    shift
    [[ -f $DIR/env ]] || exec env "$var=$DIR" "$@"
    ns=$(sed -n 's/^netns=//p' "$DIR/env")
    if [[ -n ${!relay:-} ]]; then
        hosts=$(sed -n 's/^relay_hosts=//p' "$DIR/env")
        [[ -n $hosts ]] || fail "the bed runs without relays"
        binds+=("$hosts=/etc/hosts")
        home=$(sed -n 's/^relay_home=//p' "$DIR/env")
    fi
    exec ip netns exec "$ns" unshare -m --propagation private sh -c "$BIND_THEN_RUN" sh "${binds[@]}" -- \
        env HOME="$home" "$var=$DIR" "$@"
}

# The beds' command line; each defines start, stop and, in namespaces, run_inside.
bed_main() {
    local usage="usage: ${0##*/} start DIR [RELAY] | stop DIR | exec DIR COMMAND..."
    [[ $# -ge 2 ]] || { echo "$usage" >&2; exit 2; }
    local cmd=$1
    DIR=$2
    RELAY=
    shift 2
    case $cmd in
    start)
        RELAY=${1:-}
        # A start that fails half-way takes down what it had set up.
        trap 'rc=$?; if [[ $rc != 0 && $rc != 77 ]]; then stop; fi' EXIT
        start
        ;;
    stop) stop ;;
    exec) run_inside "$@" ;;
    *) echo "$usage" >&2; exit 2 ;;
    esac
}
