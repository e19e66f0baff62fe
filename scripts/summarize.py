#!/usr/bin/env python3
"""Prints one line "N passed, N failed" over every build directory's test results.

A GoogleTest binary counts its own test cases (from its XML in <build>/test-results/);
a CTest test without such XML counts as one test; a binary whose XML shows no failure
but whose CTest run failed (crash at exit, sanitizer report) adds one failure.
"""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    root = ET.parse(path).getroot()
    passed = failed = 0
    for case in root.iter("testcase"):
        if case.get("status", "run") != "run" or case.get("result") == "skipped":
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        else:
            passed += 1
    return passed, failed


def ctest_results(build):
    path = os.path.join(build, "ctest.xml")
    if not os.path.exists(path):
        return None
    results = {}
    for case in ET.parse(path).getroot().iter("testcase"):
        ok = case.get("status") in ("run", "passed") and case.find("failure") is None
        results[case.get("name")] = ok
    return results


def main(argv):
    builds = [a for a in argv if not a.startswith("--")]
    failed_builds = None
    if "--failed-builds" in argv:
        failed_builds = argv[argv.index("--failed-builds") + 1]
        builds.remove(failed_builds)
    passed = failed = 0
    for build in builds:
        results = ctest_results(build)
        if results is None:
            print(f"{build}: no test results", file=sys.stderr)
            failed += 1
            continue
        for name, ok in results.items():
            xml = os.path.join(build, "test-results", name + ".xml")
            if os.path.exists(xml):
                p, f = gtest_counts(xml)
                if not ok and f == 0:
                    f = 1
            else:
                p, f = (1, 0) if ok else (0, 1)
            passed += p
            failed += f
            print(f"  {os.path.basename(build)}/{name}: {p} passed, {f} failed")
    if failed_builds and os.path.exists(failed_builds):
        with open(failed_builds) as fb:
            failed += len(fb.read().splitlines())
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
