# A throwaway Debian 12 root for the package check. Source it, then:
#   root_make DIR            DIR becomes a fresh minimal Debian 12 (mmdebstrap
#                            minbase from the machine's own package registry);
#                            the base is cached as a tarball for a week
#   in_root CMD...           CMD in the root, as root
#   in_root_pc CMD...        CMD in the root, inside the PC namespace $FX_PC
#   in_root_pc $(as USER) CMD...   the same as USER, with a clean environment
#   root_apt ARGS...         apt-get in the root
# Nothing runs in the machine's own root: every command is chrooted, and the
# /proc, /sys and /dev/shm that it sees are mounted in a mount namespace of its
# own that ends with it.

ROOT_CACHE=${PACKAGE_ROOT_CACHE:-$FENDRIX_SRC_DIR/out/package-root}
ROOT=""

# The registry and the apt options (validity, proxies) that the machine uses.
root_sources() {
    local f
    for f in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list; do
        [ -s "$f" ] && { echo "$f"; return; }
    done
    echo "http://deb.debian.org/debian"
}
root_aptopts() {
    apt-config dump | grep -E '^Acquire::(Check-Valid-Until|Check-Date|https?::Proxy) ' || true
}

root_make() {
    local dir=$1 sources key base opts=() line
    sources=$(root_sources)
    while IFS= read -r line; do opts+=(--aptopt="$line"); done < <(root_aptopts)
    key=$( { echo "minbase bookworm ${opts[*]}"; [ -f "$sources" ] && cat "$sources"; } | sha256sum | cut -c1-12)
    base=$ROOT_CACHE/bookworm-minbase-$key.tar
    mkdir -p "$ROOT_CACHE"
    if [ -n "${FENDRIX_FRESH_ROOT:-}" ] || [ -z "$(find "$base" -mtime -7 2>/dev/null)" ]; then
        rm -f "$ROOT_CACHE"/bookworm-minbase-*.tar
        mmdebstrap --quiet --mode=root --format=tar --variant=minbase "${opts[@]}" bookworm "$base.part" "$sources" ||
            return 1
        mv "$base.part" "$base"
    fi
    mkdir -p "$dir"
    tar -C "$dir" -xf "$base" || return 1
    ROOT=$dir
    cp /etc/resolv.conf "$ROOT/etc/resolv.conf"
    mkdir -p "$ROOT/dev/shm" "$ROOT/var/cache/apt/archives" "$ROOT_CACHE/archives/partial"
}

# Mounts what a program expects inside the root (and the cache of downloaded
# packages, kept between runs), then chroots; $1 is the root, $2 the cache.
ROOT_ENTER='r=$1 a=$2; shift 2
mount -t proc proc "$r/proc" && mount -t sysfs sysfs "$r/sys" && mount -t tmpfs shm "$r/dev/shm" &&
mount --bind "$a" "$r/var/cache/apt/archives" && exec chroot "$r" "$@"'

in_root() { unshare --mount --propagation private -- sh -c "$ROOT_ENTER" sh "$ROOT" "$ROOT_CACHE/archives" "$@"; }
# ip netns exec gives the command a mount namespace of its own, whose /sys
# shows the PC namespace's interfaces.
in_root_pc() { ip netns exec "$FX_PC" sh -c "$ROOT_ENTER" sh "$ROOT" "$ROOT_CACHE/archives" "$@"; }

# The words that run a command as USER (root or a user of the root) with a
# clean environment and no capability inherited.
ROOT_PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin
as() {
    if [ "$1" = root ]; then
        echo env -i PATH=$ROOT_PATH HOME=/root LANG=C.UTF-8
    else
        echo setpriv --reuid="$1" --regid="$1" --init-groups --inh-caps=-all -- \
            env -i PATH=$ROOT_PATH HOME="/home/$1" USER="$1" LOGNAME="$1" LANG=C.UTF-8
    fi
}

# apt-get in the root; only what the package depends on, as on a PC that
# installs no recommendations.
root_apt() {
    # shellcheck disable=SC2046
    in_root $(as root) DEBIAN_FRONTEND=noninteractive apt-get -q -y -o APT::Install-Recommends=false -o Dpkg::Use-Pty=0 -o Dpkg::Options::=--force-unsafe-io "$@"
}
