# The archive a Windows player downloads: the 32-bit program and its French page.
# shellcheck shell=bash

# The version of the version information, from the resource script on stdin.
release_version() { sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p'; }

# release_archive TREE EXE DIR packs EXE as korvane-setup.exe, and TREE's
# docs/LISEZMOI.txt as LISEZMOI.txt in UTF-8 with a byte-order mark and CRLF line
# ends, as Notepad reads it on every Windows, into DIR/korvane-setup-<TREE's
# version>.zip, and prints its path. The same tree gives the same bytes: one order,
# one mode, the time of TREE's last commit for both files, no extra fields.
release_archive() {
    local version pack zip
    version=$(release_version <"$1/res/setup.rc")
    pack=$3/pack zip=$(realpath -m "$3/korvane-setup-$version.zip")
    rm -rf "$pack" "$zip"
    mkdir -p "$pack"
    cp "$2" "$pack/korvane-setup.exe"
    { printf '\357\273\277'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1/docs/LISEZMOI.txt"; } >"$pack/LISEZMOI.txt"
    chmod 644 "$pack"/*
    touch -d "@$(git -C "$1" log -1 --format=%ct)" "$pack"/*
    (cd "$pack" && TZ=UTC zip -q -X -D "$zip" korvane-setup.exe LISEZMOI.txt)
    rm -rf "$pack"
    echo "$zip"
}
