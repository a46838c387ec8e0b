#!/usr/bin/env python3
"""A real session from a host row to xrdp, everything on loopback.

korvanctl builds the row's profile and starts the mstsc.exe stand-in exactly
as the connect command does; the stand-in unseals the password and runs
FreeRDP against Debian's xrdp, which this script starts with configuration
copies of its own. Checked in xrdp's logs: a wrong password is refused, the
right one logs in, and close-all ends FreeRDP so that xrdp sees the client go.

Exit status: 0 passed, 1 failed, 77 skipped (the machine cannot run xrdp).
Every process the script starts is ended on the way out, failure included.
"""

import argparse
import json
import os
import pwd
import re
import shutil
import signal
import socket
import subprocess
import sys
import time

SKIP = 77
USER = "korvan-e2e"
# Not ASCII on purpose: the password goes GBK -> UTF-16 -> sealed -> UTF-8 ->
# FreeRDP -> xrdp -> PAM, and every step must keep it.
PASSWORD = "Kv3389-密码"
WRONG_PASSWORD = "Kv3389-wrong"
SESMAN_PORT = 3350  # xrdp reads it from /etc/xrdp/sesman.ini only
WAIT = 60.0


class Failure(Exception):
    pass


def log(message):
    print(message, flush=True)


def skip(reason):
    log("SKIPPED: " + reason)
    sys.exit(SKIP)


# ---------------------------------------------------------------- processes

def proc_entries():
    """(pid, ppid, uid, exe name) of every process we can see."""
    out = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        pid = int(name)
        try:
            with open(f"/proc/{pid}/stat") as f:
                stat = f.read()
            ppid = int(stat[stat.rindex(")") + 2:].split()[1])
            uid = os.stat(f"/proc/{pid}").st_uid
        except (OSError, ValueError):
            continue
        try:
            exe = os.path.basename(os.readlink(f"/proc/{pid}/exe"))
        except OSError:
            exe = ""
        out.append((pid, ppid, uid, exe))
    return out


def alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().split(") ")[-1][0] != "Z"
    except OSError:
        return False


def descendants(root):
    entries = proc_entries()
    found, frontier = [], [root]
    while frontier:
        parent = frontier.pop()
        for pid, ppid, _, _ in entries:
            if ppid == parent and pid not in found:
                found.append(pid)
                frontier.append(pid)
    return found


def cmdline(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        return ""


def terminate(pids, grace=5.0):
    """SIGTERM, then SIGKILL for what is still there after `grace` seconds."""
    pids = [p for p in pids if alive(p)]
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + grace
    while time.monotonic() < deadline and any(alive(p) for p in pids):
        time.sleep(0.1)
    for pid in pids:
        if alive(pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass


def wait_until(what, predicate, timeout=WAIT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = predicate()
        if result:
            return result
        time.sleep(0.2)
    raise Failure(f"gave up after {timeout:.0f} s waiting for {what}")


class Processes:
    """What this run started, remembered on disk so that a run killed
    outright (a CTest timeout) is cleaned up by the next one."""

    def __init__(self, record):
        self.record = record
        self.started = []  # (pid, exe name)
        self.user_uid = None

    def clean_previous(self):
        try:
            with open(self.record) as f:
                old = json.load(f)
        except (OSError, ValueError):
            return
        stale = [pid for pid, exe in old.get("pids", [])
                 if alive(pid) and self._exe(pid) == exe]
        for pid in list(stale):
            stale += descendants(pid)
        terminate(stale)
        if old.get("uid") is not None:
            terminate([p for p, _, uid, _ in proc_entries() if uid == old["uid"]])

    def add(self, pid):
        self.started.append((pid, self._exe(pid)))
        self._save()

    def _exe(self, pid):
        try:
            return os.path.basename(os.readlink(f"/proc/{pid}/exe"))
        except OSError:
            return ""

    def _save(self):
        with open(self.record, "w") as f:
            json.dump({"pids": self.started, "uid": self.user_uid}, f)

    def stop_all(self, tmp=None):
        # Children first are found through the parents, so collect the whole
        # tree before anything dies and gets reparented.
        pids = []
        if tmp:  # clients started by korvanctl that a failure left unrecorded
            for pid in our_clients(tmp):
                pids += descendants(pid) + [pid]
        for pid, _ in reversed(self.started):
            pids += descendants(pid) + [pid]
        if self.user_uid is not None:
            # The test user exists only for this test: whatever runs under it
            # is part of its xrdp session.
            pids += [p for p, _, uid, _ in proc_entries() if uid == self.user_uid]
        terminate(list(dict.fromkeys(pids)))
        try:
            os.unlink(self.record)
        except OSError:
            pass


# ------------------------------------------------------------------- set-up

def port_free(port):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind(("127.0.0.1", port))
            return True
        except OSError:
            return False


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    """Whether some socket listens on the port, read from the kernel's
    tables: a probing connection would make xrdp log a failed login."""
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table) as f:
                rows = f.read().splitlines()[1:]
        except OSError:
            continue
        for row in rows:
            fields = row.split()
            if len(fields) > 3 and fields[3] == "0A" and int(fields[1].rsplit(":", 1)[1], 16) == port:
                return True
    return False


def check_machine():
    if os.geteuid() != 0:
        skip("needs root to create the test user and start xrdp")
    for tool in ("xrdp", "xrdp-sesman", "xfreerdp", "useradd", "chpasswd", "Xvfb"):
        if not shutil.which(tool, path=os.environ.get("PATH", "") + ":/usr/sbin:/sbin"):
            skip(f"{tool} is not installed")
    for path in ("/etc/xrdp/xrdp.ini", "/etc/xrdp/sesman.ini", "/usr/lib/xorg/Xorg",
                 "/usr/lib/xorg/modules/drivers/xrdpdev_drv.so"):
        if not os.path.exists(path):
            skip(f"{path} is missing (xrdp or xorgxrdp not installed)")


def make_user():
    try:
        pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "--create-home", "--shell", "/bin/sh", USER], check=True)
    subprocess.run(["chpasswd"], input=f"{USER}:{PASSWORD}\n".encode(), check=True)
    entry = pwd.getpwnam(USER)
    # There is no window manager: the session only has to stay up.
    startwm = os.path.join(entry.pw_dir, "startwm.sh")
    with open(startwm, "w") as f:
        f.write("#!/bin/sh\nexec sleep 3600\n")
    os.chmod(startwm, 0o755)
    os.chown(startwm, entry.pw_uid, entry.pw_gid)
    return entry.pw_uid


def ini_set(text, section, key, value):
    """Sets key=value inside [section] of an xrdp ini text (added when absent)."""
    lines = text.splitlines()
    out, current, done = [], None, False
    for line in lines:
        header = re.match(r"\s*\[([^\]]+)\]", line)
        if header:
            if current == section and not done:
                out.append(f"{key}={value}")
                done = True
            current = header.group(1)
        elif current == section and re.match(rf"\s*{re.escape(key)}\s*=", line):
            if not done:
                out.append(f"{key}={value}")
                done = True
            continue
        out.append(line)
    if not done:
        if current != section:
            out.append(f"[{section}]")
        out.append(f"{key}={value}")
    return "\n".join(out) + "\n"


def write_configs(work, port):
    with open("/etc/xrdp/xrdp.ini") as f:
        xrdp = f.read()
    xrdp = ini_set(xrdp, "Globals", "port", f"tcp://127.0.0.1:{port}")
    xrdp = ini_set(xrdp, "Logging", "LogFile", os.path.join(work, "xrdp.log"))
    xrdp = ini_set(xrdp, "Logging", "EnableSyslog", "false")
    if not (os.path.exists("/etc/xrdp/cert.pem") and os.path.exists("/etc/xrdp/key.pem")):
        # Debian's package links these to the snake-oil certificate; where
        # that was never made, a certificate of the test's own does.
        cert, key = os.path.join(work, "cert.pem"), os.path.join(work, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=localhost", "-keyout", key, "-out", cert],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        xrdp = ini_set(xrdp, "Globals", "certificate", cert)
        xrdp = ini_set(xrdp, "Globals", "key_file", key)
    with open(os.path.join(work, "xrdp.ini"), "w") as f:
        f.write(xrdp)

    with open("/etc/xrdp/sesman.ini") as f:
        sesman = f.read()
    sesman = ini_set(sesman, "Globals", "ListenAddress", "127.0.0.1")
    sesman = ini_set(sesman, "Globals", "ListenPort", str(SESMAN_PORT))
    sesman = ini_set(sesman, "Globals", "EnableUserWindowManager", "true")
    sesman = ini_set(sesman, "Globals", "UserWindowManager", "startwm.sh")
    sesman = ini_set(sesman, "Security", "AllowRootLogin", "false")
    # Far from the displays of Xvfb and the other tests.
    sesman = ini_set(sesman, "Sessions", "X11DisplayOffset", "200")
    sesman = ini_set(sesman, "Logging", "LogFile", os.path.join(work, "sesman.log"))
    sesman = ini_set(sesman, "Logging", "EnableSyslog", "false")
    sesman = ini_set(sesman, "ChansrvLogging", "EnableSyslog", "false")
    with open(os.path.join(work, "sesman.ini"), "w") as f:
        f.write(sesman)


def display_works(display):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0


def ensure_display(processes, work):
    display = os.environ.get("DISPLAY", "")
    if display and display_works(display):
        return display
    for n in [61] + list(range(140, 180)):
        if os.path.exists(f"/tmp/.X11-unix/X{n}") or os.path.exists(f"/tmp/.X{n}-lock"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24",
                                 "-nolisten", "tcp"],
                                stdout=open(os.path.join(work, "xvfb.out"), "w"),
                                stderr=subprocess.STDOUT)
        processes.add(xvfb.pid)
        try:
            wait_until("Xvfb", lambda: display_works(f":{n}"), timeout=10)
            return f":{n}"
        except Failure:
            terminate([xvfb.pid])
    raise Failure("cannot start Xvfb")


# ------------------------------------------------------------------ the test

class Logs:
    """xrdp's and sesman's logs, read from a mark on so that each step only
    sees the lines it caused."""

    def __init__(self, paths):
        self.paths = paths
        self.marks = {p: 0 for p in paths}

    def mark(self):
        for p in self.paths:
            self.marks[p] = os.path.getsize(p) if os.path.exists(p) else 0

    def new_lines(self):
        lines = []
        for p in self.paths:
            if os.path.exists(p):
                with open(p, "rb") as f:
                    f.seek(self.marks[p])
                    lines += f.read().decode(errors="replace").splitlines()
        return lines

    def wait_for(self, what, pattern):
        regex = re.compile(pattern)

        def found():
            return [line for line in self.new_lines() if regex.search(line)]
        lines = wait_until(f"{what} in xrdp's logs", found)
        for line in lines:
            log("  matched: " + line)
        return lines


def korvanctl(ctx, *args):
    # Output goes to a file, not a pipe: the clients korvanctl starts keep
    # its standard output, and a pipe would stay open as long as they run.
    log_path = os.path.join(ctx.work, "client.log")
    with open(log_path, "ab") as out:
        start = out.tell()
        result = subprocess.run([ctx.korvanctl, *args], env=ctx.env,
                                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                timeout=60)
    with open(log_path, "rb") as f:
        f.seek(start)
        output = f.read().decode(errors="replace")
    if result.returncode != 0:
        raise Failure(f"korvanctl {' '.join(args)} failed ({result.returncode}): {output}")
    return output


def our_clients(tmp):
    """Stand-ins started on a profile in this run's temporary directory. A
    child forked by one looks the same until it has become FreeRDP."""
    found = [(pid, ppid) for pid, ppid, _, exe in proc_entries()
             if exe == "mstsc.exe" and tmp in cmdline(pid)]
    pids = {pid for pid, _ in found}
    return [pid for pid, ppid in found if ppid not in pids]


def freerdp_of(client):
    return [pid for pid, ppid, _, exe in proc_entries() if ppid == client and exe == "xfreerdp"]


def connect(ctx, row):
    korvanctl(ctx, "connect", str(row), "--db", ctx.db)
    client = wait_until("the mstsc.exe stand-in", lambda: our_clients(ctx.tmp), timeout=10)
    if len(client) != 1:
        raise Failure(f"expected one client, found {client}")
    client = client[0]
    ctx.processes.add(client)
    freerdp = wait_until("FreeRDP under the stand-in",
                         lambda: freerdp_of(client) or (not alive(client) and ["gone"]),
                         timeout=10)
    if freerdp == ["gone"]:
        raise Failure("the stand-in ended before it started FreeRDP; see client.log")
    ctx.processes.add(freerdp[0])
    log(f"  stand-in {client}: {cmdline(client)}")
    log(f"  FreeRDP {freerdp[0]}: {cmdline(freerdp[0])}")
    if PASSWORD in cmdline(freerdp[0]) or WRONG_PASSWORD in cmdline(freerdp[0]):
        raise Failure("the password is on FreeRDP's command line")
    return client, freerdp[0]


def close_all(ctx, client, freerdp):
    korvanctl(ctx, "close-all")
    wait_until("the stand-in and FreeRDP to end",
               lambda: not alive(client) and not alive(freerdp), timeout=20)


def run(ctx):
    logs = Logs([os.path.join(ctx.work, "xrdp.log"), os.path.join(ctx.work, "sesman.log")])

    log(f"[1] wrong password for {USER}")
    logs.mark()
    client, freerdp = connect(ctx, 2)
    logs.wait_for("the refused login", rf"login failed for user {re.escape(USER)}")
    # FreeRDP stays on xrdp's login screen; close-all ends it.
    if not alive(freerdp):
        raise Failure("FreeRDP ended on its own after the refused login")
    close_all(ctx, client, freerdp)

    log(f"[2] right password for {USER}")
    logs.mark()
    client, freerdp = connect(ctx, 1)
    logs.wait_for("the login", rf"login successful for user {re.escape(USER)}")
    logs.wait_for("the session's connection", r"connected ok")
    time.sleep(1)  # let the session settle, so the disconnect is a disconnect
    if not alive(freerdp):
        raise Failure("FreeRDP ended right after logging in")

    log("[3] close-all")
    logs.mark()
    close_all(ctx, client, freerdp)
    logs.wait_for("the client's disconnect",
                  r"(?i)disconnect|unexpected eof|connection (problem|closed|reset)")


class Context:
    pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="directory of korvanctl and mstsc.exe")
    parser.add_argument("--work", required=True, help="scratch directory of this test")
    opts = parser.parse_args()

    check_machine()
    # A SIGTERM (ctest, a user) still runs the clean-up below.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    ctx = Context()
    ctx.work = os.path.abspath(opts.work)
    ctx.korvanctl = os.path.join(opts.bin, "korvanctl")
    for program in (ctx.korvanctl, os.path.join(opts.bin, "mstsc.exe")):
        if not os.access(program, os.X_OK):
            raise SystemExit(f"FAILED: {program} is not built")
    os.makedirs(ctx.work, exist_ok=True)
    ctx.processes = Processes(os.path.join(ctx.work, "processes.json"))
    ctx.processes.clean_previous()
    for name in os.listdir(ctx.work):
        path = os.path.join(ctx.work, name)
        if name != "processes.json":
            shutil.rmtree(path) if os.path.isdir(path) else os.unlink(path)

    try:
        if not port_free(SESMAN_PORT) or listening(SESMAN_PORT):
            raise Failure(f"port {SESMAN_PORT}, where xrdp looks for its session manager, "
                          "is taken by another program")
        port = 3389 if port_free(3389) else free_port()
        ctx.processes.user_uid = make_user()
        if os.path.exists("/usr/share/xrdp/socksetup"):
            subprocess.run(["sh", "/usr/share/xrdp/socksetup"], check=True)
        write_configs(ctx.work, port)

        display = ensure_display(ctx.processes, ctx.work)
        sesman = subprocess.Popen(["xrdp-sesman", "--nodaemon", "--config",
                                   os.path.join(ctx.work, "sesman.ini")],
                                  stdout=open(os.path.join(ctx.work, "sesman.out"), "w"),
                                  stderr=subprocess.STDOUT, start_new_session=True)
        ctx.processes.add(sesman.pid)
        wait_until(f"xrdp-sesman on port {SESMAN_PORT}", lambda: listening(SESMAN_PORT), 20)
        xrdp = subprocess.Popen(["xrdp", "--nodaemon", "--config",
                                 os.path.join(ctx.work, "xrdp.ini")],
                                stdout=open(os.path.join(ctx.work, "xrdp.out"), "w"),
                                stderr=subprocess.STDOUT, start_new_session=True)
        ctx.processes.add(xrdp.pid)
        wait_until(f"xrdp on port {port}", lambda: listening(port), 20)
        log(f"xrdp on 127.0.0.1:{port}, session manager on {SESMAN_PORT}, client display {display}")

        ctx.tmp = os.path.join(ctx.work, "tmp")
        os.makedirs(ctx.tmp)
        ctx.db = os.path.join(ctx.work, "Remote.db")
        # Profiles go to the test's directory and the protection key to a
        # configuration directory of its own, used by korvanctl and the
        # stand-in alike.
        ctx.env = dict(os.environ, DISPLAY=display, TMPDIR=ctx.tmp,
                       XDG_CONFIG_HOME=os.path.join(ctx.work, "config"))
        ctx.env.pop("KORVAN_FREERDP", None)
        for note, password in (("xrdp", PASSWORD), ("xrdp wrong", WRONG_PASSWORD)):
            korvanctl(ctx, "add", "--note", note, "--address", f"127.0.0.1:{port}",
                      "--user", USER, "--password", password, "--db", ctx.db)

        run(ctx)
        log("PASSED")
        return 0
    except (Failure, subprocess.SubprocessError, OSError) as e:
        log(f"FAILED: {e}")
        # Where each process still running is stuck, for a hang seen only in CI.
        for pid, exe in ctx.processes.started:
            if alive(pid):
                state = {}
                for item in ("wchan", "syscall"):
                    try:
                        with open(f"/proc/{pid}/{item}") as f:
                            state[item] = f.read().strip()
                    except OSError:
                        state[item] = "?"
                log(f"--- {exe} {pid} waits in {state['wchan']} (syscall {state['syscall']})")
        for name in ("xrdp.log", "sesman.log", "client.log"):
            path = os.path.join(ctx.work, name)
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    tail = f.read().splitlines()[-25:]
                log(f"--- last lines of {name}:\n" + "\n".join(tail))
        return 1
    finally:
        ctx.processes.stop_all(getattr(ctx, "tmp", None))
        if ctx.processes.user_uid is not None:
            # A known password must not outlive the test: lock it until the
            # next run sets it again.
            subprocess.run(["usermod", "--lock", USER], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    sys.exit(main())
