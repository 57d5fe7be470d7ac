#!/bin/sh
# Runs a test inside a network namespace of its own with only loopback up, so that
# nothing a test starts can reach another host, a resolver or the broadcast address.
# In the new user namespace the process also cannot set the machine's clock.
# Each test also gets a temporary folder of its own, so that programs started by tests
# running side by side do not meet at the single-instance endpoint.
dir=$(mktemp -d "${TMPDIR:-/tmp}/chronvale-test.XXXXXX") || exit 1
TMPDIR=$dir unshare --user --map-root-user --net sh -c 'ip link set lo up && exec "$@"' netns-run "$@"
rc=$?
rm -rf "$dir"
exit $rc
