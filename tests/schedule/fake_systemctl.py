#!/usr/bin/env python3
"""Answers as `systemctl --user` does for the calls of the schedule, without a manager.

Every call is appended to $FAKE_SYSTEMCTL_LOG, one line of its arguments. A verb named in
$FAKE_SYSTEMCTL_FAIL fails as systemctl does (a message on stderr, status 1). `show` prints the
asked properties of each unit, a blank line between units: a timer is enabled and active, its
NextElapseUSecRealtime is $FAKE_NEXT_ELAPSE; a service's ActiveState is $FAKE_SERVICE_STATE (default inactive); `show`
without a unit prints the manager's Version.
"""

import os
import sys


def main(args):
    with open(os.environ["FAKE_SYSTEMCTL_LOG"], "a") as log:
        log.write(" ".join(args) + "\n")
    if not args or args[0] != "--user":
        print("Failed to connect to bus: No medium found", file=sys.stderr)
        return 1
    args = args[1:]
    words = [a for a in args if not a.startswith("-")]
    verb = words[0] if words else ""
    if verb == os.environ.get("FAKE_SYSTEMCTL_FAIL"):
        print(f"Failed to {verb} unit: Access denied", file=sys.stderr)
        return 1
    if verb != "show":
        return 0
    wanted = [a.split("=", 1)[1] for a in args if a.startswith("--property=")]
    units = words[1:]
    if not units:
        if "Version" in wanted:
            print("Version=252")
        return 0
    blocks = []
    for unit in units:
        if unit.endswith(".timer"):
            values = {"NextElapseUSecRealtime": os.environ.get("FAKE_NEXT_ELAPSE", ""),
                      "UnitFileState": "enabled", "ActiveState": "active"}
        else:
            values = {"ActiveState": os.environ.get("FAKE_SERVICE_STATE", "inactive")}
        blocks.append("".join(f"{k}={v}\n" for k, v in values.items() if k in wanted))
    sys.stdout.write("\n".join(blocks))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
