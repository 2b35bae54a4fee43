#!/bin/sh
# Runs inside `dbus-run-session`: a Secret Service of its own (gnome-keyring), unlocked, then
# the window's keyring test.   sync_keyring_session.sh TEST_PROGRAM
set -e
export HOME="$(mktemp -d)" XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_DATA_HOME="$HOME/data" XDG_CONFIG_HOME="$HOME/config"
trap 'rm -rf "$HOME" "$XDG_RUNTIME_DIR"' EXIT
eval "$(printf 'keyring-test' | gnome-keyring-daemon --unlock --components=secrets)"
export GNOME_KEYRING_CONTROL
QUENLARK_TEST_KEYRING=1 QT_QPA_PLATFORM=offscreen "$1" keyringKeepsPassword
