#!/bin/sh
# Runs a test inside a network namespace of its own with only loopback up, so that
# nothing a test starts can reach another host, a resolver or the broadcast address.
# In the new user namespace the process also cannot set the machine's clock.
exec unshare --user --map-root-user --net sh -c 'ip link set lo up && exec "$@"' netns-run "$@"
