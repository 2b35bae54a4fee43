#!/bin/sh
# Run inside `dbus-run-session`: a keyring of its own, unlocked, the password stored there by
# QtKeychain as the window stores it, then the program with nothing else to take it from.
#   keyring_session.sh WRITER PROGRAM URL USER PASSWORD
set -e
writer=$1 program=$2 url=$3 user=$4 password=$5
export HOME="$(mktemp -d)" XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_DATA_HOME="$HOME/data" XDG_CONFIG_HOME="$HOME/config"
trap 'rm -rf "$HOME" "$XDG_RUNTIME_DIR"' EXIT
eval "$(printf 'keyring-test' | gnome-keyring-daemon --unlock --components=secrets)"
export GNOME_KEYRING_CONTROL
QT_QPA_PLATFORM=offscreen "$writer" "$user" "$url" "$password"
set +e
QUENLARK_SYNC_PASSWORD= "$program" --sync-setup "$url" --user "$user" </dev/null
echo "exit $?"
