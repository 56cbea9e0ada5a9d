#!/usr/bin/env bash
# The scripts' decisions, on their inputs, with no network and no Wine: what the
# install asks of apt for each state of the machine and the mirror (stand-ins for
# the package tools on PATH), which build a machine runs and why, and whether a
# Wine may run a player's prefix without updating it.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib/machine.sh"
. "$root/scripts/lib/player-prefix.sh"
work=$root/build/work/scripts_test
rm -rf "$work"
mkdir -p "$work/bin"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Stand-ins: dpkg-query has every package but those of MISSING; apt-get logs each
# call, fails its first UPDATE_FAILS updates as a mirror in the middle of a sync
# does, refuses the packages of REFUSED, knows none of ABSENT, and has package
# lists when LISTS is yes; sleep and sudo only log and run.
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "apt-get $*" >>"$STANDIN_LOG"
case " $* " in
*" indextargets "*) [ "$LISTS" = no ] || echo /etc/os-release; exit 0 ;;
*" update "*)
    n=$(grep -c ' update' "$STANDIN_LOG")
    [ "$n" -gt "$UPDATE_FAILS" ] && exit 0
    echo "E: Failed to fetch http://mirror/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    exit 100 ;;
esac
for p in $ABSENT; do
    case " $* " in *" $p "*) echo "E: Unable to locate package $p"; exit 100 ;; esac
done
for p in $REFUSED; do
    case " $* " in *" $p "*) echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;; esac
done
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/bin/sh
for p; do :; done
case " $MISSING " in *" $p "*) exit 1 ;; esac
echo "ii "
EOF
printf '#!/bin/sh\n[ "$1" = --print-foreign-architectures ] && echo i386\nexit 0\n' >"$work/bin/dpkg"
printf '#!/bin/sh\necho "sleep $*" >>"$STANDIN_LOG"\n' >"$work/bin/sleep"
printf '#!/bin/sh\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

x86_64=$(echo {g++,gcc}-mingw-w64-x86-64-{posix,win32} binutils-mingw-w64-x86-64)
this=$(. /etc/os-release && echo "$PRETTY_NAME" | sed 's/[][().*^$+?{}\\]/\\&/g')
lists="apt-get indextargets --format \$(FILENAME) Identifier: Packages"
# name | packages named | missing | update fails | refused | absent | lists | exit | what apt is asked, in order | what it says (a regex)
while IFS='|' read -r name given missing fails refused absent has_lists status calls said; do
    log=$work/$name.log
    : >"$log"
    out=$(env -u KORVANE_DEPS_CHECKED PATH="$work/bin:$PATH" KORVANE_WINDOWS_ARCH=i686 STANDIN_LOG="$log" MISSING="$missing" UPDATE_FAILS="$fails" \
          REFUSED="$refused" ABSENT="$absent" LISTS="${has_lists:-yes}" "$root/scripts/install-deps.sh" $given 2>&1)
    got=$?
    asked=$(sed -e 's/^apt-get -q -y -o DPkg::Lock::Timeout=120 //' -e 's/ --no-install-recommends --no-remove//' "$log" | tr '\n' ';')
    [ "$got" = "$status" ] || fail "$name: exit $got, expected $status: $out"
    [ "$asked" = "$calls" ] || fail "$name: asked apt \"$asked\", expected \"$calls\""
    if [ -z "$said" ]; then [ -z "$out" ] || fail "$name: said \"$out\", expected nothing"
    else echo "$out" | grep -Eq "$said" || fail "$name: said \"$out\", expected /$said/"; fi
    ! grep -q 'install' "$log" || ! grep 'install' "$log" | grep -vq -- '--no-remove' ||
        fail "$name: an install may remove packages"
done <<EOF
nothing missing|||0||||0||
an update that fails, then passes||cmake|1||||0|update;sleep 3;update;install cmake;|^install-deps: installing cmake$
an update that always fails||cmake|9||||0|update;sleep 3;update;sleep 6;update;sleep 12;update;install cmake;|^install-deps: some package lists could not be fetched \(Failed to fetch .*Mirror sync in progress\?\); going on with the lists there are$
wine32 once the mirror allows||wine32:i386 $x86_64|0||||0|update;install wine32:i386;|
wine32 refused||wine32:i386 $x86_64|0|wine32:i386|||0|update;install wine32:i386;install $x86_64;|^install-deps: Wine's 32-bit part \(wine32:i386\) cannot be installed now: Unable to correct problems, you have held broken packages\. The 64-bit build
a needed package refused||cmake ninja-build wine32:i386|0|ninja-build|||1|update;install cmake ninja-build;install -s cmake;install -s ninja-build;|^install-deps: cannot install ninja-build: Unable to correct problems, you have held broken packages\. Try again in a while .*: sudo apt-get install ninja-build$
a release without Wine||wine64 wine fonts-wine cmake wine32:i386|0||wine64 wine fonts-wine wine32:i386||1|update;install wine64 wine fonts-wine cmake;install -s wine64;install -s wine;install -s fonts-wine;install -s cmake;$lists;|^install-deps: $this has no wine64, wine, fonts-wine among its packages: the commands are made for Debian 12 \(bookworm\) and Debian 13 \(trixie\), which have them\. Nothing was installed\.$
no package lists at all||cmake zip|9||cmake zip|no|1|update;sleep 3;update;sleep 6;update;sleep 12;update;install cmake zip;install -s cmake;install -s zip;$lists;|^install-deps: cannot install cmake: Unable to locate package cmake; zip: Unable to locate package zip\. Try again in a while
named packages only|debootstrap|debootstrap cmake|0||||0|update;install debootstrap;|^install-deps: installing debootstrap$
EOF

# Which build a machine runs, told by its loaders: Wine's 32-bit one absent, or
# there but refused by the kernel, beside a 64-bit one that starts.
printf '#!/bin/sh\nexit 126\n' >"$work/refused"
printf '#!/bin/sh\necho wine-8.0\n' >"$work/starts"
chmod +x "$work/refused" "$work/starts"
while IFS='|' read -r wine32 wine64 reason; do
    got=$(no_32bit_reason "$work/$wine32" "$work/$wine64")
    [ "$got" = "$reason" ] || fail "loaders $wine32 and $wine64: reason \"$got\", expected \"$reason\""
done <<EOF
starts|starts|
refused|starts|kernel
absent|starts|wine32
absent|absent|
EOF
# The build for that reason and a prefix: none, a 32-bit one or a 64-bit one.
while IFS='|' read -r reason arch expected said; do
    got=$(choose_build "$reason" "$arch" 2>"$work/said") || got=refused
    [ "$got" = "$expected" ] || fail "build for reason \"$reason\", prefix $arch: $got, expected $expected"
    grep -q "${said:-^$}" "$work/said" || [ -z "$said$(cat "$work/said")" ] ||
        fail "build for reason \"$reason\", prefix $arch said: $(cat "$work/said")"
done <<EOF
|none|i686|
|win32|i686|
|win64|i686|
kernel|none|x86_64|
kernel|win32|refused|kernel does not run 32-bit programs
kernel|win64|x86_64|
wine32|none|x86_64|
wine32|win32|refused|(wine32:i386) is not installed; nothing was changed. Use a 64-bit prefix; the next run installs it
EOF

# Whether a Wine may run a player's prefix: the prefix's stamp, our Wine's wine.inf
# and its time, a running server and its wine.inf, --update-prefix.
ours=/usr/share/wine/wine.inf other=/opt/wine-9/share/wine/wine.inf
while IFS='|' read -r name stamp inf server server_inf update expected; do
    got=ok
    stamp=$stamp inf=$inf inf_time=100 server=$server server_inf=$server_inf update=$update \
        prefix_verdict P wine 2>/dev/null || got=refused
    [ "$got" = "$expected" ] || fail "verdict, $name: $got, expected $expected"
done <<EOF
our Wine's prefix|100|$ours|||no|ok
a stamp with a time of day|100 200|$ours|||no|ok
updates turned off|disable|$ours|||no|ok
another Wine's prefix|99|$ours|||no|refused
another Wine's prefix, update accepted|99|$ours|||yes|ok
no stamp||$ours|||no|refused
a Wine without wine.inf|100||||no|refused
our server running|100|$ours|/usr/lib/wine/wineserver64|$ours|no|ok
another Wine's server running|100|$ours|/opt/wine-9/bin/wineserver|$other|no|refused
another Wine's server, update accepted|100|$ours|/opt/wine-9/bin/wineserver|$other|yes|refused
EOF

[ "$failures" -eq 0 ] && echo "the scripts' decisions: ok"
exit $((failures > 0))
