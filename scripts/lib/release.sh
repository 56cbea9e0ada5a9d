# The archive a Windows player downloads: the 32-bit program and its French page.
# shellcheck shell=bash

# The version of the version information, from the resource script on stdin.
release_version() { sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p'; }

# release_archive EXE PAGE VERSION TIME ZIP packs EXE as korvane-setup.exe and PAGE
# as LISEZMOI.txt, in UTF-8 with a byte-order mark and CRLF line ends, as Notepad
# reads it on every Windows. The same files give the same bytes: one order, one
# mode, TIME (seconds since 1970) for both, no extra fields.
release_archive() {
    local dir zip
    zip=$(realpath -m "$5")
    dir=$(dirname "$zip")/pack
    rm -rf "$dir" "$zip"
    mkdir -p "$dir"
    cp "$1" "$dir/korvane-setup.exe"
    { printf '\357\273\277'; sed -e "s/@VERSION@/$3/g" -e 's/$/\r/' "$2"; } >"$dir/LISEZMOI.txt"
    chmod 644 "$dir"/*
    touch -d "@$4" "$dir"/*
    (cd "$dir" && TZ=UTC zip -q -X -D "$zip" korvane-setup.exe LISEZMOI.txt)
    rm -rf "$dir"
}
