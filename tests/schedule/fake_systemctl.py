#!/usr/bin/env python3
"""Answers as `systemctl --user` does for the schedule's calls, without a manager: each call is
logged to $FAKE_SYSTEMCTL_LOG, the verb in $FAKE_SYSTEMCTL_FAIL fails, `show` prints the asked
properties (timers enabled, active, due at $FAKE_NEXT_ELAPSE; services $FAKE_SERVICE_STATE)."""

import os
import sys


def main(args):
    with open(os.environ["FAKE_SYSTEMCTL_LOG"], "a") as log:
        log.write(" ".join(args) + "\n")
    if args[:1] != ["--user"]:
        print("Failed to connect to bus: No medium found", file=sys.stderr)
        return 1
    words = [a for a in args[1:] if not a.startswith("-")]
    verb, units = (words[0], words[1:]) if words else ("", [])
    if verb == os.environ.get("FAKE_SYSTEMCTL_FAIL"):
        print(f"Failed to {verb} unit: Access denied", file=sys.stderr)
        return 1
    wanted = [a.split("=", 1)[1] for a in args if a.startswith("--property=")]
    if verb == "show" and not units and "Version" in wanted:
        print("Version=252")
    elif verb == "show":
        timer = {"NextElapseUSecRealtime": os.environ.get("FAKE_NEXT_ELAPSE", ""),
                 "UnitFileState": "enabled", "ActiveState": "active"}
        service = {"ActiveState": os.environ.get("FAKE_SERVICE_STATE", "inactive")}
        sys.stdout.write("\n".join("".join(f"{k}={v}\n" for k, v in (timer if u.endswith(".timer") else service).items()
                                           if k in wanted) for u in units))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
