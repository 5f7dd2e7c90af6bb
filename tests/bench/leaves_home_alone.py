#!/usr/bin/python3
"""Runs one benchmark program once, briefly, as a user would start it from a shell, with a home
that is a read-only empty folder and the XDG folders named below it, and checks that the program
wrote nothing outside its own folder (which it makes below TMPDIR) and removed that folder at its
end. Writes are read from strace (every successful call that creates, opens for writing, renames,
removes or changes a file); without strace only the home and TMPDIR are compared afterwards.
Usage: leaves_home_alone.py <benchmark program>
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Calls that change the file system; their path arguments and, for open calls, the file opened.
WRITE_CALLS = ("open,openat,openat2,creat,mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,rmdir,"
               "link,linkat,symlink,symlinkat,truncate,chmod,fchmodat,chown,fchownat,lchown,utimensat,"
               "mknod,mknodat,chdir,fchdir")
OPEN_WRITES = ("O_WRONLY", "O_RDWR", "O_CREAT", "O_TRUNC", "O_APPEND")
# Device and kernel files that are no one's settings or documents.
HARMLESS = ("/dev/", "/proc/", "/sys/")

CALL = re.compile(r"^(\w+)\((.*)\)\s+=\s+(-?\d+)(?:<([^>]*)>)?")
AT_FD = re.compile(r"(?:AT_FDCWD|\d+)<([^>]*)>")
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')


def unescape(s):
    return s.encode("latin-1", "backslashreplace").decode("unicode_escape").encode("latin-1").decode("utf-8", "replace")


def written_paths(trace_file):
    """The paths a successful call of this trace file changed, made absolute."""
    cwd = None
    out = []
    with open(trace_file, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = CALL.match(line.strip())
            if not m or int(m.group(3)) < 0:
                continue
            call, args, fdpath = m.group(1), m.group(2), m.group(4)
            dirs = AT_FD.findall(args)
            if "AT_FDCWD<" in args:
                cwd = AT_FD.search(args[args.index("AT_FDCWD<"):]).group(1)
            names = [unescape(s) for s in STRING.findall(args)]
            if call == "chdir":
                cwd = os.path.join(cwd or "/", names[0]) if names else cwd
                continue
            if call == "fchdir":
                cwd = dirs[0] if dirs else cwd
                continue
            if call in ("open", "openat", "openat2", "creat"):
                if call != "creat" and not any(flag in args for flag in OPEN_WRITES):
                    continue
                out.append(fdpath or names[0] if names else fdpath or "?")
                continue
            # The path arguments: each relative name beside its directory argument, or the cwd.
            if call in ("renameat", "renameat2", "linkat"):
                pairs = list(zip(dirs, names))
            elif call.endswith("at") and dirs:
                pairs = [(dirs[0], names[0])] if names else []
                if call == "symlinkat" and len(names) == 2:
                    pairs = [(dirs[0], names[1])]
            elif call == "symlink" and len(names) == 2:
                pairs = [(None, names[1])]
            else:
                pairs = [(None, n) for n in names]
            for d, n in pairs:
                out.append(n if n.startswith("/") else os.path.join(d or cwd or "?", n))
    return [os.path.normpath(p) if p.startswith("/") else p for p in out]


def inside(path, folder):
    return os.path.commonpath([path, folder]) == folder


def main():
    exe = os.path.abspath(sys.argv[1])
    work = os.path.realpath(tempfile.mkdtemp(prefix="kestrova-benchhome-"))
    home, tmp = os.path.join(work, "home"), os.path.join(work, "tmp")
    os.mkdir(home)
    os.mkdir(tmp)
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_") and k != "DISPLAY"}
    env.update(HOME=home, TMPDIR=tmp, KESTROVA_HEADLESS="1", XDG_DOCUMENTS_DIR=home + "/Documents",
               XDG_DATA_HOME=home + "/.local/share", XDG_CONFIG_HOME=home + "/.config",
               XDG_CACHE_HOME=home + "/.cache")
    strace = shutil.which("strace")
    # Where tracing is not allowed (a container without ptrace), the home and TMPDIR checks stand alone.
    if strace and subprocess.run([strace, "-f", "-qq", "-o", os.devnull, "/bin/true"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL).returncode != 0:
        strace = None
    trace = os.path.join(work, "trace")
    cmd = [exe, "--benchmark_min_time=0.001"]
    if strace:
        cmd = [strace, "-f", "-ff", "-qq", "-y", "-s", "4096", "--seccomp-bpf", "-e", "trace=" + WRITE_CALLS,
               "-e", "signal=none", "-o", trace] + cmd
    os.chmod(home, 0o555)
    problems = []
    try:
        run = subprocess.run(cmd, cwd=home, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             timeout=280)
        output = run.stdout.decode("utf-8", "replace")
        if run.returncode != 0:
            problems.append("the program ended with status %d" % run.returncode)
        if strace:
            for name in sorted(os.listdir(work)):
                if name.startswith("trace."):
                    for p in written_paths(os.path.join(work, name)):
                        if not p.startswith("/"):
                            problems.append("written where it cannot be told: " + p)
                        elif not inside(p, tmp) and not p.startswith(HARMLESS):
                            problems.append("written outside its own folder: " + p)
        else:
            print("note: strace is missing or may not trace here (scripts/setup.sh --tests installs it); "
                  "only the home and the temporary folder are checked")
        for root, dirs, files in os.walk(home):
            problems += ["left in the read-only home: " + os.path.join(root, n) for n in dirs + files]
        problems += ["its own folder was not removed: " + os.path.join(tmp, n) for n in os.listdir(tmp)]
    finally:
        os.chmod(home, 0o755)
    seen = set()
    problems = [p for p in problems if not (p in seen or seen.add(p))]
    if problems:
        print(output)
        print("\n".join(problems[:50]))
        if len(problems) > 50:
            print("... and %d more" % (len(problems) - 50))
        shutil.rmtree(work, ignore_errors=True)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("%s wrote only in its own folder" % os.path.basename(exe))
    return 0


if __name__ == "__main__":
    sys.exit(main())
