#!/usr/bin/env python3
"""scripts/setup on three machines, judged by apt-get's own simulation over simulated dpkg states:
a desktop with the full LibreOffice keeps it, a bare machine gets the headless Calc the tests
need, and an install that needs a removal stops setup with a message; a user without sudo is
told what to run as root.

Usage: setup_packages.py SETUP.  Nothing is installed or removed: apt-get only simulates, over
a copy of this machine's dpkg status changed as apt-get itself says a request would change it."""
import os
import re
import subprocess
import sys
import tempfile

SETUP = os.path.abspath(sys.argv[1])
REAL_STATUS = "/var/lib/dpkg/status"
APT_GET = "/usr/bin/apt-get"
DROPPED_FIELDS = ("Filename", "Size", "MD5sum", "SHA1", "SHA256", "SHA512", "Description-md5")

failures = []


def check(ok, what, detail=""):
    print(("ok:   " + what) if ok else ("FAIL: " + what + "\n" + detail))
    if not ok:
        failures.append(what)


def stanzas(text):
    return {m.group(1): block for block in text.split("\n\n") if block.strip()
            for m in [re.search(r"^Package: (\S+)", block, re.M)] if m}


def installed_stanzas(versions):
    """The archive's stanzas of the packages at the versions given, marked installed."""
    if not versions:
        return {}
    shown = subprocess.run(["apt-cache", "show"] + [f"{n}={v}" for n, v in versions.items()],
                           capture_output=True, text=True, check=True).stdout
    result = {}
    for name, block in stanzas(shown).items():
        if name in result:
            continue
        lines = [l for l in block.splitlines()
                 if not l.startswith(tuple(f + ":" for f in DROPPED_FIELDS))]
        lines.insert(1, "Status: install ok installed")
        result[name] = "\n".join(lines)
    return result


def simulate(status, request):
    """The dpkg status after apt-get carried out REQUEST on STATUS."""
    out = subprocess.run([APT_GET, "-s", "-o", f"Dir::State::status={status}"] + request,
                         capture_output=True, text=True, check=True).stdout
    packages = stanzas(open(status).read())
    versions = {}
    for line in out.splitlines():
        removed = re.match(r"Remv (\S+)", line)
        if removed:
            packages.pop(removed.group(1).split(":")[0], None)
        put = re.match(r"Inst (\S+) (?:\[\S+\] )?\((\S+)", line)
        if put:
            versions[put.group(1).split(":")[0]] = put.group(2)
    packages.update(installed_stanzas(versions))
    return packages


def make_state(root, name, packages):
    admin = os.path.join(root, name)
    for sub in ("info", "updates"):
        os.makedirs(os.path.join(admin, sub))
    with open(os.path.join(admin, "status"), "w") as f:
        f.write("\n\n".join(packages.values()) + "\n")
    return admin


def without_sudo(root):
    """A PATH holding every program of this one but sudo, and an id that answers as a user."""
    mirror = os.path.join(root, "path-without-sudo")
    os.makedirs(mirror)
    for folder in os.environ["PATH"].split(":"):
        if not os.path.isdir(folder):
            continue
        for name in os.listdir(folder):
            target = os.path.join(mirror, name)
            if name not in ("sudo", "id") and not os.path.lexists(target):
                os.symlink(os.path.join(folder, name), target)
    with open(os.path.join(mirror, "id"), "w") as f:
        f.write('#!/bin/sh\n[ "$1" = -u ] && echo 1000 && exit 0\nexec /usr/bin/id "$@"\n')
    os.chmod(os.path.join(mirror, "id"), 0o755)
    return mirror


def run_setup(root, admin, path=None):
    """Runs setup with dpkg-query on ADMIN and apt-get simulating over it; gives its result, the
    package lists it asked apt-get to install and apt-get's simulated actions."""
    shims = os.path.join(root, "bin-" + os.path.basename(admin))
    os.makedirs(shims)
    log = os.path.join(shims, "requests")
    with open(os.path.join(shims, "apt-get"), "w") as f:
        f.write(f"""#!/bin/sh
[ "$1" = update ] && exit 0
echo "$*" >> '{log}'
exec {APT_GET} -s -o Dir::State::status='{admin}/status' "$@"
""")
    with open(os.path.join(shims, "sudo"), "w") as f:
        f.write('#!/bin/sh\nexec "$@"\n')
    for shim in ("apt-get", "sudo"):
        os.chmod(os.path.join(shims, shim), 0o755)
    if path:
        os.remove(os.path.join(shims, "sudo"))
    env = dict(os.environ, DPKG_ADMINDIR=admin, PATH=shims + ":" + (path or os.environ["PATH"]))
    done = subprocess.run(["bash", SETUP], capture_output=True, text=True, env=env)
    requests = open(log).read().split() if os.path.exists(log) else []
    return done, requests


with tempfile.TemporaryDirectory() as root:
    # Every state lacks strace, so setup always has something to install.
    real = stanzas(open(REAL_STATUS).read())
    base = make_state(root, "base", {k: v for k, v in real.items() if k != "strace"})
    desktop = simulate(os.path.join(base, "status"), ["install", "libreoffice-calc", "libreoffice-writer"])
    bare = simulate(os.path.join(base, "status"),
                    ["remove", "libreoffice-core", "libreoffice-core-nogui", "libreoffice-common", "ure"])
    blocker = ("Package: orvane-setup-blocker\nStatus: install ok installed\nPriority: optional\n"
               "Section: misc\nMaintainer: Nobody <nobody@example.invalid>\nArchitecture: all\n"
               "Version: 1\nConflicts: strace\nDescription: stands in the way of strace")

    # A desktop with LibreOffice Calc and Writer keeps both.
    done, requests = run_setup(root, make_state(root, "desktop", desktop))
    check(done.returncode == 0, "desktop: setup succeeds", done.stderr)
    check("libreoffice-calc-nogui" not in requests, "desktop: the headless Calc is not asked for",
          " ".join(requests))
    check("Remv" not in done.stdout, "desktop: apt-get removes nothing", done.stdout)
    check("--no-remove" in requests, "desktop: apt-get is told not to remove anything")
    check("xdg-utils" in requests or "xdg-utils" in desktop, "desktop: xdg-utils is installed")

    # A bare machine (CI) gets the headless Calc the workbook tests read back with.
    done, requests = run_setup(root, make_state(root, "bare", bare))
    check(done.returncode == 0, "bare: setup succeeds", done.stderr)
    check("libreoffice-calc-nogui" in requests, "bare: the headless Calc is installed")
    check(re.search(r"^Inst libreoffice-calc-nogui ", done.stdout, re.M) is not None,
          "bare: apt-get would install the headless Calc", done.stdout)
    check("Remv" not in done.stdout, "bare: apt-get removes nothing")

    # A package that cannot be installed without a removal stops setup, which says so.
    done, requests = run_setup(root, make_state(root, "blocked", dict(desktop, blocker=blocker)))
    check(done.returncode != 0, "blocked: setup fails")
    check("Remv" not in done.stdout, "blocked: apt-get removes nothing", done.stdout)
    check("nothing was removed" in done.stderr, "blocked: the message says why", done.stderr)

    # A user without sudo is told what to run as root, and nothing is tried.
    done, requests = run_setup(root, make_state(root, "no-sudo", desktop), without_sudo(root))
    check(done.returncode == 1, "no sudo: setup fails", done.stderr)
    check(requests == [], "no sudo: apt-get is not run", " ".join(requests))
    check("command not found" not in done.stderr and "su -c 'apt-get update && apt-get install" in done.stderr
          and "strace" in done.stderr, "no sudo: the message says what to run as root", done.stderr)

sys.exit(1 if failures else 0)
