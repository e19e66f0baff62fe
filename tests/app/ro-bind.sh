#!/bin/sh
# Test fixture: a read-only view of a directory, for installing from a write-protected
# distribution (file permissions stop nothing for root, a read-only mount does).
#   ro-bind.sh mount WRITABLE READONLY    makes WRITABLE (emptied) and binds it read-only at READONLY
#   ro-bind.sh unmount WRITABLE READONLY  undoes it and removes both
# Never fails: when mounting is refused (not root, no mount namespace) READONLY is left
# writable and the tests that need it skip themselves.
set -u
action=$1 writable=$2 readonly=$3
unbind() {
    while mountpoint -q "$readonly" 2>/dev/null; do
        umount "$readonly" 2>/dev/null || umount -l "$readonly" 2>/dev/null || break
    done
}
case $action in
mount)
    unbind
    rm -rf "$writable" "$readonly"
    mkdir -p "$writable" "$readonly"
    if mount --bind "$writable" "$readonly" 2>/dev/null; then
        if mount -o remount,ro,bind "$readonly" 2>/dev/null; then
            echo "read-only view of $writable at $readonly"
        else
            echo "remounting read-only refused; the read-only distribution tests will skip"
            unbind
        fi
    else
        echo "bind mount refused; the read-only distribution tests will skip"
    fi
    ;;
unmount)
    unbind
    rm -rf "$writable"
    rmdir "$readonly" 2>/dev/null
    ;;
esac
exit 0
