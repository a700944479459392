#!/usr/bin/env python3
"""The Windows program, cross-built and zipped as scripts/windows.sh makes it, run under Wine.

Unzips the portable folder into a fresh Wine prefix on a private X display (Xvfb) and runs it
as a Windows user would: --version, --help and a bad option answer in message boxes with their
exit status; a COM port with nothing behind it gives "Port indisponible !"; the rigctld server's
warning for an address other than loopback; then COM1 on the virtual transceiver's
pseudo-terminal (Wine's registry) and the whole conversation: identification, the memory
read-out, polling, a click on the up button that tunes, Hamlib's rigctl through --rigctld, and
closing the panel while transmitting, which must send "RX;".

Wine 8.0 does not deliver a pseudo-terminal's bytes to Qt Serial Port by itself (README,
"Windows"). Two pieces of test scaffolding stand in for a real serial driver, the program
unchanged (tools/wine): pty_modem_lines.so (LD_PRELOAD) answers the modem-line request Linux refuses on a
pseudo-terminal, and wine_launcher.exe loads wine_comm_events.dll into the program to complete
its receive waits on Qt's completion port. --bare runs the conversation without them, to show
what Wine stops.

Screenshots and the radio's log go to --artifacts. Exit status 0 when every step holds, 1 when
one fails, 77 when Wine, Xvfb, xdotool, ImageMagick, MinGW or the shared Qt is not here.
"""

import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

SKIPPED = 77

START_TIMEOUT = 120.0  # a fresh Wine prefix, then the program under it on a loaded machine
STEP_TIMEOUT = 30.0  # one click or command through the program to the radio
READOUT_TIMEOUT = 60.0  # the 100 channels at 4800 baud take 7 s
SETTLE = 3.0  # for a window to take its place after a key

PORT_WINDOW = "TOVRAN - Connexion"
PANEL_TITLE = " TOVRAN 1.00 Beta"
BOX_TITLE = "T.O.V.R.A.N"  # the command line's answers
PORT_COM1_OPTION = (30, 24)  # from the port window's corner
PANEL_UP_BUTTON = (127, 206)  # from the panel's corner, in pixels (its layout is fixed)
PANEL_TX_BUTTON = (56, 315)
RADIO_START_HZ = 14_195_000


class Failed(Exception):
    pass


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.2)
    raise Failed(f"{what}: not within {timeout:.0f} s")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class WineRun:
    """Xvfb, the Wine prefix and the processes of one run, all stopped at the end."""

    def __init__(self, args, workdir):
        self.args = args
        self.dir = workdir
        self.artifacts = Path(args.artifacts)
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self.processes = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LD_PRELOAD"):
            self.env.pop(name, None)
        self.env.update(WINEPREFIX=str(workdir / "prefix"), WINEDEBUG="-all", HOME=str(workdir),
                        WINEDLLOVERRIDES="mscoree,mshtml=", LANG="en_US.UTF-8")
        self.radio_log = self.artifacts / "windows-radio.log"
        self.radio_log.unlink(missing_ok=True)  # the radio appends to it

    def start(self, name, command, env=None, **options):
        output = open(self.dir / f"{name}.out", "wb")
        process = subprocess.Popen(command, env=env or self.env, stdout=output,
                                   stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   start_new_session=True, **options)
        process.output = self.dir / f"{name}.out"
        self.processes.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=10)

    def close(self):
        if (self.dir / "prefix").exists():
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=60, capture_output=True)
        for process in reversed(self.processes):
            self.stop(process)

    def x(self, *command):
        return subprocess.run(["xdotool", *map(str, command)], env=self.env, timeout=30,
                              capture_output=True, text=True).stdout

    def window(self, title, timeout=START_TIMEOUT):
        return wait_until(lambda: self.x("search", "--name", f"^{title}$").split(), timeout,
                          f'the window "{title}"')[0]

    def screenshot(self, name, window=None):
        picture = self.artifacts / f"windows-{name}.png"
        target = window or "root"
        subprocess.run(["import", "-window", str(target), str(picture)], env=self.env,
                       timeout=30, capture_output=True)
        print(f"  picture: {picture}")
        return picture

    def wine(self, name, *arguments, env=None):
        return self.start(name, ["wine", *map(str, arguments)], env=env,
                          cwd=self.program.parent)

    # --- the display, the prefix and the program

    def start_display(self):
        read_end, write_end = os.pipe()
        self.start("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                            "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            display = numbers.readline().strip()
        if not display:
            raise Failed("Xvfb gave no display")
        self.env["DISPLAY"] = ":" + display

    def make_prefix(self):
        subprocess.run(["wineboot", "-i"], env=self.env, timeout=START_TIMEOUT,
                       capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=START_TIMEOUT,
                       capture_output=True)

    def unzip(self):
        with zipfile.ZipFile(self.args.zip) as archive:
            archive.extractall(self.dir / "program")
        self.program = next((self.dir / "program").glob("*/tovran.exe"))
        print(f"unzipped {self.args.zip}")

    def set_com1(self, device):
        subprocess.run(["wine", "reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM1", "/t",
                        "REG_SZ", "/d", device, "/f"], env=self.env, timeout=60,
                       capture_output=True, check=True)
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60, capture_output=True)

    def finish(self, process, what):
        try:
            return process.wait(timeout=STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Failed(f"{what}: still running") from None

    # --- what the radio heard

    def radio_commands(self):
        try:
            return self.radio_log.read_text().splitlines()
        except FileNotFoundError:
            return []

    def expect_commands(self, expected, what, since):
        def heard():
            position = 0
            for command in self.radio_commands()[since:]:
                if position < len(expected) and command == expected[position]:
                    position += 1
            return position == len(expected)
        try:
            wait_until(heard, STEP_TIMEOUT, what)
        except Failed as failure:
            tail = [c for c in self.radio_commands()[since:] if c != "IF;"][-10:]
            raise Failed(f"{failure}; the radio heard {tail}") from None
        print(f"  {what}: the radio heard {' '.join(expected)}")

    def click(self, window, position):
        self.x("mousemove", "--window", window, *position)
        self.x("click", "1")


# --- the steps


def check_answers(run):
    """--version and --help answer in a message box too; a bad option says why and exits 2."""
    for arguments, status, text, picture in (
            (["--version"], 0, "T.O.V.R.A.N 1.00", "version"),
            (["--help"], 0, "--rigctld[=PORT]", None),
            # Qt's own message, in French there: the command line is read once Qt's French
            # texts are loaded, as the message box needs the application.
            (["--bogus"], 2, 'tovran: Option inconnue "bogus".', "bad-option")):
        process = run.wine("answer", run.program, *arguments)
        box = run.window(BOX_TITLE)
        time.sleep(SETTLE)
        if picture:
            run.screenshot(picture)
        run.x("key", "--window", box, "Return")
        result = run.finish(process, " ".join(arguments))
        said = process.output.read_text(errors="replace")
        if result != status or text not in said:
            raise Failed(f"tovran.exe {' '.join(arguments)}: status {result}, said {said!r}")
        print(f"tovran.exe {' '.join(arguments)}: a message box, status {result}, {text!r}")


def check_port_unavailable(run):
    """A COM port with nothing behind it, and the server's warning for a non-loopback address."""
    process = run.wine("unavailable", run.program, "--com1=COM9",
                       f"--rigctld-listen=0.0.0.0:{free_port()}")
    box = run.window(BOX_TITLE)
    time.sleep(SETTLE)
    run.screenshot("rigctld-warning")
    run.x("key", "--window", box, "Return")
    port_window = run.window(PORT_WINDOW)
    time.sleep(SETTLE)
    run.screenshot("port-window")
    # Onto "Com 1" and within it, as a hand does: its tool tip names COM9.
    for dx in (0, 2):
        run.x("mousemove", "--window", port_window, PORT_COM1_OPTION[0] + dx, PORT_COM1_OPTION[1])
        time.sleep(0.3)
    time.sleep(SETTLE)
    run.screenshot("port-tool-tip")
    run.x("key", "--window", port_window, "Return")
    box = run.window("Info...")
    time.sleep(SETTLE)
    run.screenshot("port-unavailable")
    run.x("key", "--window", box, "Return")
    result = run.finish(process, "the program after \"Port indisponible !\"")
    said = process.output.read_text(errors="replace")
    if result != 1 or "whoever reaches this address can key the transmitter" not in said:
        raise Failed(f"COM9: status {result}, said {said!r}")
    print(f"COM9 with nothing behind it: \"Port indisponible !\" in a box, status {result}")


def check_conversation(run):
    """COM1 on the virtual transceiver: the whole conversation, as the radio's log shows it."""
    link = run.dir / "radio"
    radio = run.start("radio", [run.args.radio, "--model", "440", "--paced", "--quiet", "--link",
                                str(link), "--log", str(run.radio_log)])
    wait_until(link.exists, START_TIMEOUT, "the virtual transceiver's device")
    run.set_com1(os.path.realpath(link))
    server = free_port()
    env = dict(run.env)
    if run.args.bare:
        process = run.wine("tovran", "tovran.exe", f"--rigctld={server}")
    else:
        env["LD_PRELOAD"] = run.args.preload
        process = run.wine("tovran", run.args.launcher, "tovran.exe", f"--rigctld={server}",
                           env=env)
    port_window = run.window(PORT_WINDOW)
    time.sleep(SETTLE)  # the launcher's part is done before the operator's choice
    run.x("key", "--window", port_window, "Return")
    run.expect_commands(["AI0;", "ID;"], "identification", 0)
    panel = run.window(PANEL_TITLE)
    try:
        wait_until(lambda: "MR0099;" in run.radio_commands() and
                   run.radio_commands().count("IF;") >= 3, READOUT_TIMEOUT,
                   "the memory read-out and the polling after it")
    except Failed as failure:
        run.screenshot("panel")
        raise Failed(f"{failure}; the radio heard {run.radio_commands()[-6:]}") from None
    time.sleep(SETTLE)
    polls = run.radio_commands().count("IF;")
    print(f"  read-out: MR0000; to MR0099;, then polling ({polls} IF; so far)")
    run.screenshot("panel", panel)

    if shutil.which("rigctl"):
        answer = subprocess.run(["rigctl", "-m", "2", "-r", f"127.0.0.1:{server}", "f"],
                                capture_output=True, text=True, timeout=STEP_TIMEOUT).stdout
        if answer.split()[:1] != [str(RADIO_START_HZ)]:
            raise Failed(f"rigctl -m 2 f: {answer!r}, not {RADIO_START_HZ}")
        print(f"  rigctl -m 2 -r 127.0.0.1:{server} f: {RADIO_START_HZ}")
    else:
        print("  rigctl: not installed (libhamlib-utils), not tried")

    since = len(run.radio_commands())
    run.click(panel, PANEL_UP_BUTTON)
    run.expect_commands(["UP;"], "a click on the up button", since)
    since = len(run.radio_commands())
    run.click(panel, PANEL_TX_BUTTON)
    run.expect_commands(["TX;"], "a click on TX", since)
    wait_until(lambda: run.radio_commands()[-1:] == ["IF;"], STEP_TIMEOUT, "a report after TX")
    time.sleep(SETTLE)
    since = len(run.radio_commands())
    run.x("key", "--window", panel, "alt+F4")
    result = run.finish(process, "the program after its panel closed")
    after = [c for c in run.radio_commands()[since:] if c != "IF;"]
    if after != ["RX;"]:
        raise Failed(f"closed while transmitting: the radio heard {after}, not RX;")
    print(f"  closed while transmitting: the radio heard RX;, the program ended with {result}")
    run.stop(radio)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", required=True, help="the project's checkout")
    parser.add_argument("--build", required=True, help="where to cross-build the program")
    parser.add_argument("--radio", required=True, help="tovran-virtual-radio")
    parser.add_argument("--preload", required=True, help="pty_modem_lines.so")
    parser.add_argument("--artifacts", default=".", help="where screenshots and the log go")
    parser.add_argument("--bare", action="store_true",
                        help="the conversation without the scaffolding: shows what Wine stops")
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)  # each step as it is done, under CTest too

    archive = Path(os.environ.get("TOVRAN_WINDOWS_QT",
                                  Path(args.source).resolve().parent / "shared/windows/"
                                  "qt-6.4.2-mingw-w64.tar.xz"))
    needed = {"wine": "wine", "Xvfb": "xvfb", "xdotool": "xdotool", "import": "imagemagick",
              "x86_64-w64-mingw32-g++-posix": "g++-mingw-w64-x86-64-posix",
              "makensis": "nsis"}
    missing = [package for tool, package in needed.items() if not shutil.which(tool)]
    if missing or not archive.exists():
        print("SKIPPED: the Windows run needs " +
              (f"apt-get install {' '.join(missing)}" if missing else "") +
              (" and " if missing and not archive.exists() else "") +
              ("" if archive.exists() else f"the shared Qt for Windows at {archive}") +
              " (bash scripts/windows.sh --test installs the packages)")
        return SKIPPED

    build = subprocess.run(["bash", Path(args.source) / "scripts/windows.sh", "--no-install",
                            "--build", args.build], capture_output=True, text=True)
    if build.returncode != 0:
        print(f"FAILED: scripts/windows.sh\n{build.stdout[-3000:]}\n{build.stderr[-3000:]}")
        return 1
    args.zip = next(Path(args.build).glob("tovran-*-win64.zip"))
    args.launcher = Path(args.build) / "tools/wine/wine_launcher.exe"

    with tempfile.TemporaryDirectory(prefix="tovran-wine-") as workdir:
        run = WineRun(args, Path(workdir))
        try:
            run.start_display()
            run.unzip()
            run.make_prefix()
            if not args.bare:
                check_answers(run)
                check_port_unavailable(run)
            check_conversation(run)
        except Failed as failure:
            print(f"FAILED: {failure}")
            run.screenshot("failure")
            return 1
        finally:
            run.close()
    print("passed: the Windows program under Wine")
    return 0


if __name__ == "__main__":
    sys.exit(main())
