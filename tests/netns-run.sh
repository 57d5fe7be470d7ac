#!/bin/sh
# Runs a test inside a network namespace of its own with only loopback up, so that
# nothing a test starts can reach another host, a resolver or the broadcast address.
# In the new user namespace the process also cannot set the machine's clock, and in its
# own process namespace whatever a test leaves running ends with the test.
# Each test also gets a temporary folder of its own, so that programs started by tests
# running side by side do not meet at the single-instance endpoint, and a configuration
# folder of its own, so that no test writes the user's autostart entries or settings.
dir=$(mktemp -d "${TMPDIR:-/tmp}/chronvale-test.XXXXXX") || exit 1
mkdir -p "$dir/config" "$dir/runtime" && chmod 700 "$dir/runtime" || exit 1
TMPDIR=$dir XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/runtime unshare --user --map-root-user --net --pid --fork --mount-proc sh -c 'ip link set lo up && exec "$@"' netns-run "$@"
rc=$?
rm -rf "$dir"
exit $rc
