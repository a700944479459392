#!/usr/bin/env python3
"""A station program through the panel's rigctld server, end to end.

Starts a private X display (Xvfb), a PulseAudio null sink, the virtual TS-440 at the line's
real speed and the panel (tovran --rigctld) on it, chooses "Com 1" in the port window as an
operator would, then runs WSJT-X, fldigi or grig, configured through its own files for "Hamlib
NET rigctl" on the panel's port. It checks what the operator would look at: the program
connects with no error dialog, follows a frequency typed on the panel, sets a band and a mode,
keys and unkeys the radio ("TX;"/"RX;" in the radio's log), and the radio goes back to receive
when the program is killed while it transmits.

Exit status 0 when every step holds, 1 when one fails, 77 when the program or a tool it needs is
not installed (CTest's skip code).
"""

import argparse
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import xmlrpc.client
from pathlib import Path

SKIPPED = 77

# Every wait is bounded and generous: the machine may be loaded, and a paced status round trip
# alone is 94 ms.
START_TIMEOUT = 60.0  # Xvfb, the panel's memory read-out (7 s at 4800 baud), a client's start
STEP_TIMEOUT = 20.0  # one command through the server to the radio and back in a report
FOLLOW_TIMEOUT = 10.0  # a client that polls once a second, on a loaded machine
SETTLE = 2.0  # for a dialog to show up after a step

# Where the panel's controls are in its window (fixed layout, in pixels from its corner).
PANEL_TITLE = " TOVRAN 1.00 Beta"
PANEL_FREQUENCY_BOX = (92, 139)
PANEL_LSB_BUTTON = (52, 443)

RADIO_START_HZ = 14_195_000


class Failed(Exception):
    pass


def wait_until(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise Failed(f"{what}: not within {timeout:.0f} s")


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Station:
    """The processes of one run, each in a process group of its own, all stopped at the end."""

    def __init__(self, args, workdir):
        self.args = args
        self.dir = workdir
        self.processes = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "PULSE_SERVER", "SESSION_MANAGER"):
            self.env.pop(name, None)
        home = workdir / "home"
        runtime = workdir / "run"
        for folder in (home, runtime):
            folder.mkdir(mode=0o700)
        self.env.update(HOME=str(home), XDG_RUNTIME_DIR=str(runtime), TMPDIR=str(workdir),
                        XDG_CONFIG_HOME=str(home / ".config"),
                        XDG_DATA_HOME=str(home / ".local/share"))
        self.home = home
        self.radio_log = workdir / "radio.log"
        self.log_mark = 0
        self.port = free_port()

    def start(self, name, command, **options):
        output = open(self.dir / f"{name}.out", "wb")
        process = subprocess.Popen(command, env=self.env, stdout=output, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True, **options)
        self.processes.append(process)
        return process

    def stop(self, process, sig=signal.SIGTERM):
        if process.poll() is None:
            try:
                os.killpg(process.pid, sig)
            except ProcessLookupError:
                pass
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait(timeout=10)
        # What the program left in its group (WSJT-X's decoder) goes with it.
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def close(self):
        for process in reversed(self.processes):
            self.stop(process)

    def x(self, *command):
        return subprocess.run(["xdotool", *map(str, command)], env=self.env, timeout=30,
                              capture_output=True, text=True).stdout

    def screenshot(self, name):
        """The whole display in a PNG, where ImageMagick is installed."""
        if not shutil.which("import"):
            return "no picture: ImageMagick's import is not installed"
        picture = Path(self.args.artifacts) / f"{self.args.program}-{name}.png"
        picture.parent.mkdir(parents=True, exist_ok=True)
        subprocess.run(["import", "-window", "root", str(picture)], env=self.env, timeout=30,
                       capture_output=True)
        return picture

    # --- the display, the sound, the radio and the panel

    def start_display(self):
        read_end, write_end = os.pipe()
        self.start("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1600x1200x24",
                            "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            display = numbers.readline().strip()
        if not display:
            raise Failed("Xvfb gave no display")
        self.env["DISPLAY"] = ":" + display

    def start_sound(self):
        self.start("pulseaudio", ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                                  "--load=module-null-sink sink_name=tovran",
                                  "--load=module-native-protocol-unix"])
        wait_until(lambda: subprocess.run(["pactl", "info"], env=self.env, timeout=10,
                                          capture_output=True).returncode == 0,
                   START_TIMEOUT, "PulseAudio's null sink")

    def start_radio_and_panel(self):
        link = self.dir / "radio"
        self.start("radio", [self.args.radio, "--model", "440", "--paced", "--quiet", "--link",
                             str(link), "--log", str(self.radio_log)])
        wait_until(link.exists, START_TIMEOUT, "the virtual transceiver's device")
        self.env["TOVRAN_COM1"] = str(link)
        self.panel = self.start("tovran", [self.args.panel, f"--rigctld={self.port}"])
        self.env.pop("TOVRAN_COM1")
        wait_until(lambda: self.x("search", "--onlyvisible", "--name", "TOVRAN - Connexion"),
                   START_TIMEOUT, "the port window")
        self.x("key", "Return")  # "Com 1" is chosen, OK is the default button
        # The read-out of the 100 channels is over when the polling begins, and the server has
        # the radio's state once the first report is in: the second "IF;" follows it. A client
        # started before that is refused its first reads, and grig then leaves its mode list
        # empty for good.
        wait_until(lambda: self.radio_commands(everything=True).count("IF;") >= 2, START_TIMEOUT,
                   "the panel's polling")
        self.mark()
        self.panel_window = wait_until(
            lambda: self.x("search", "--onlyvisible", "--name", PANEL_TITLE).split(),
            START_TIMEOUT, "the panel")[0]

    # --- what the radio heard

    def radio_commands(self, everything=False):
        """The commands the radio received since the last mark, less the panel's polling."""
        try:
            lines = self.radio_log.read_text().splitlines()
        except FileNotFoundError:
            return []
        lines = lines if everything else lines[self.log_mark:]
        return lines if everything else [line for line in lines if line != "IF;"]

    def mark(self):
        self.log_mark = len(self.radio_log.read_text().splitlines())

    def expect_commands(self, expected, what):
        """Waits until the radio has received these commands, in this order, since the mark."""
        def heard():
            commands = self.radio_commands()
            position = 0
            for command in commands:
                if position < len(expected) and command == expected[position]:
                    position += 1
            return position == len(expected)
        try:
            wait_until(heard, STEP_TIMEOUT, what)
        except Failed as failure:
            raise Failed(f"{failure}; the radio heard {self.radio_commands()}") from None
        print(f"  {what}: the radio heard {self.radio_commands()}")

    # --- the operator at the panel

    def click(self, window, position):
        self.x("windowraise", window)
        self.x("mousemove", "--window", window, *position)
        self.x("click", "1")

    def panel_types_frequency(self, hz):
        self.click(self.panel_window, PANEL_FREQUENCY_BOX)
        self.x("type", "--delay", "40", str(hz))
        self.x("key", "Return")

    def panel_clicks_lsb(self):
        self.click(self.panel_window, PANEL_LSB_BUTTON)

    def dialogs(self, expected_titles):
        """Visible windows that are neither the panel nor one of the program's own."""
        titles = []
        for window in self.x("search", "--onlyvisible", "--name", ".").split():
            title = self.x("getwindowname", window).rstrip("\n")
            if title != PANEL_TITLE and not any(title.startswith(t) for t in expected_titles):
                titles.append(title)
        return titles

    def expect_no_dialog(self, expected_titles, when):
        time.sleep(SETTLE)
        found = self.dialogs(expected_titles)
        if found:
            picture = self.screenshot(when.replace(" ", "-"))
            raise Failed(f"{when}: a dialog is open: {found} (see {picture})")
        print(f"  {when}: no dialog")


    def follow_panel(self, read_frequency, hz):
        """The operator types a frequency on the panel; the program must come to show it."""
        self.mark()
        self.panel_types_frequency(hz)
        self.expect_commands([f"FA{hz:011d};"], "the panel's own frequency")
        heard = time.monotonic()
        wait_until(lambda: read_frequency() == hz, FOLLOW_TIMEOUT,
                   f"the program showing the panel's {hz} Hz")
        print(f"  follows the panel: {hz} Hz shown {time.monotonic() - heard:.2f} s after the "
              "radio got it")


# --- WSJT-X: configured through WSJT-X.ini, watched through its UDP "Status" messages


def qt_enum_variant(type_name, key):
    """A QSettings value holding one of WSJT-X's enumerations, as WSJT-X writes it itself: a
    QVariant of a user type, streamed, then escaped for the INI file."""
    def text(value):
        return struct.pack(">I", len(value) + 1) + value.encode() + b"\0"
    data = struct.pack(">Ib", 127, 0) + text(type_name) + text(key)
    out, after_escape = [], False
    for byte in data:
        character = chr(byte)
        plain = 0x20 <= byte < 0x7f and character not in '\\"()'
        # An escape goes on while (hexadecimal or octal) digits follow it.
        if plain and not (after_escape and character in "0123456789abcdefABCDEF"):
            out.append(character)
            after_escape = False
        else:
            out.append("\\0" if byte == 0 else f"\\x{byte:x}")
            after_escape = True
    return "@Variant(" + "".join(out) + ")"


class WsjtxStatus(threading.Thread):
    """Listens where WSJT-X sends its UDP messages and keeps its latest "Status"."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.socket.bind(("127.0.0.1", port))
        self.socket.settimeout(0.5)
        self.latest = None
        self.running = True

    def run(self):
        while self.running:
            try:
                datagram, _ = self.socket.recvfrom(65536)
            except socket.timeout:
                continue
            status = self.decode(datagram)
            if status:
                self.latest = status

    @staticmethod
    def decode(datagram):
        def utf8(offset):
            (length,) = struct.unpack_from(">I", datagram, offset)
            offset += 4
            if length == 0xFFFFFFFF:
                return "", offset
            return datagram[offset:offset + length].decode(), offset + length
        magic, _, kind = struct.unpack_from(">III", datagram)
        if magic != 0xADBCCBDA or kind != 1:
            return None
        _, offset = utf8(12)  # the program's id
        (dial,) = struct.unpack_from(">Q", datagram, offset)
        mode, offset = utf8(offset + 8)
        for _ in range(3):  # DX call, report, Tx mode
            _, offset = utf8(offset)
        _, transmitting = struct.unpack_from(">??", datagram, offset)
        return {"dial": dial, "mode": mode, "transmitting": transmitting}

    def close(self):
        self.running = False
        self.join(timeout=5)
        self.socket.close()


WSJTX_WINDOWS = ("WSJT-X   v", "WSJT-X - Wide Graph")
# WSJT-X's controls, in pixels from the corner of its main window (its layout at first start).
WSJTX_BAND_BOX = (30, 432)
WSJTX_TUNE_BUTTON = (753, 394)


def check_wsjtx(station):
    udp_port = free_port()
    config = station.home / ".config"
    config.mkdir(exist_ok=True)  # PulseAudio may have made it
    (config / "WSJT-X.ini").write_text("\n".join([
        "[Configuration]",
        "MyCall=F1ABC",
        "MyGrid=JN18",
        "Rig=Hamlib NET rigctl",
        f"CATNetworkPort=127.0.0.1:{station.port}",
        "PTTMethod=" + qt_enum_variant("TransceiverFactory::PTTMethod", "PTT_method_CAT"),
        "DataMode=" + qt_enum_variant("Configuration::DataMode", "data_mode_USB"),
        "Polling=1",
        "UDPServer=127.0.0.1",
        f"UDPServerPort={udp_port}",
        "SoundInName=tovran.monitor",
        "SoundOutName=tovran",
        "",
        "[MultiSettings]",
        "CurrentName=Default",
        "Splash_v1.7=false",
        ""]))
    status = WsjtxStatus(udp_port)
    status.start()
    try:
        wsjtx = station.start("wsjtx", ["wsjtx"], cwd=station.dir)
        dial = lambda: status.latest and status.latest["dial"]
        wait_until(lambda: dial() == RADIO_START_HZ, START_TIMEOUT,
                   f"WSJT-X showing the radio's {RADIO_START_HZ} Hz")
        print(f"  connects: WSJT-X shows {dial()} Hz")
        station.expect_no_dialog(WSJTX_WINDOWS, "after connecting")
        station.follow_panel(dial, 7_050_000)

        window = station.x("search", "--onlyvisible", "--name", WSJTX_WINDOWS[0]).split()[0]
        station.mark()
        station.click(window, WSJTX_BAND_BOX)
        station.x("key", "ctrl+a")
        station.x("type", "--delay", "40", "14.074")
        station.x("key", "Return")
        station.expect_commands(["FA00014074000;"], "a band change to 20 m")
        wait_until(lambda: dial() == 14_074_000, FOLLOW_TIMEOUT, "WSJT-X on 14.074 MHz")

        transmitting = lambda: status.latest["transmitting"]
        for keyed, command in ((True, "TX;"), (False, "RX;")):
            station.mark()
            station.click(window, WSJTX_TUNE_BUTTON)
            station.expect_commands([command], "Tune " + ("on" if keyed else "off"))
            wait_until(lambda: transmitting() == keyed, STEP_TIMEOUT,
                       "WSJT-X saying it " + ("transmits" if keyed else "receives"))
        station.expect_no_dialog(WSJTX_WINDOWS, "after transmitting")

        station.mark()
        station.click(window, WSJTX_TUNE_BUTTON)
        station.expect_commands(["TX;"], "Tune on again")
        station.stop(wsjtx, signal.SIGKILL)
        station.expect_commands(["RX;"], "WSJT-X killed while transmitting")
    finally:
        status.close()


# --- fldigi: configured through fldigi_def.xml, driven through its XML-RPC server

FLDIGI_WINDOWS = ("fldigi ver",)


def check_fldigi(station):
    xmlrpc_port = free_port()
    config = station.dir / "fldigi"
    config.mkdir()
    (config / "fldigi_def.xml").write_text("\n".join([
        "<FLDIGI_DEFS>",
        "<MYCALL>F1ABC</MYCALL>",
        "<AUDIOIO>2</AUDIOIO>",  # PulseAudio
        "<CHKUSEHAMLIBIS>1</CHKUSEHAMLIBIS>",
        "<CHKUSERIGCATIS>0</CHKUSERIGCATIS>",
        "<CHKUSEXMLRPCIS>0</CHKUSEXMLRPCIS>",
        "<HAMRIGNAME>NET rigctl</HAMRIGNAME>",
        "<HAMRIGMODEL>2</HAMRIGMODEL>",
        f"<HAMRIGDEVICE>127.0.0.1:{station.port}</HAMRIGDEVICE>",
        "<HAMLIBCMDPTT>1</HAMLIBCMDPTT>",
        "</FLDIGI_DEFS>", ""]))
    fldigi = station.start("fldigi", ["fldigi", "--config-dir", str(config),
                                      "--xmlrpc-server-address", "127.0.0.1",
                                      "--xmlrpc-server-port", str(xmlrpc_port)])
    server = xmlrpc.client.ServerProxy(f"http://127.0.0.1:{xmlrpc_port}")

    def frequency():
        try:
            return round(server.main.get_frequency())
        except (OSError, xmlrpc.client.Error):
            return None

    wait_until(lambda: frequency() == RADIO_START_HZ, START_TIMEOUT,
               f"fldigi showing the radio's {RADIO_START_HZ} Hz")
    print(f"  connects: fldigi shows {frequency()} Hz")
    station.expect_no_dialog(FLDIGI_WINDOWS, "after connecting")
    station.follow_panel(frequency, 3_650_000)

    station.mark()
    server.rig.set_frequency(7_070_000.0)
    server.rig.set_mode("LSB")
    station.expect_commands(["FA00007070000;", "MD1;"], "a band change to 40 m in LSB")
    wait_until(lambda: frequency() == 7_070_000 and server.rig.get_mode() == "LSB",
               FOLLOW_TIMEOUT, "fldigi on 7.070 MHz LSB")

    for command, call, state in (("TX;", server.main.tx, "TX"), ("RX;", server.main.rx, "RX")):
        station.mark()
        call()
        station.expect_commands([command], "fldigi's " + state)
        wait_until(lambda: server.main.get_trx_state() == state, STEP_TIMEOUT,
                   f"fldigi saying {state}")
    station.expect_no_dialog(FLDIGI_WINDOWS, "after transmitting")

    station.mark()
    server.main.tx()
    station.expect_commands(["TX;"], "fldigi's TX again")
    station.stop(fldigi, signal.SIGKILL)
    station.expect_commands(["RX;"], "fldigi killed while transmitting")


# --- grig: started on the command line, watched through Hamlib's debug output

GRIG_WINDOWS = ("GRIG: Hamlib NET rigctl",)
# grig's controls, in pixels from the corner of its window.
GRIG_PTT_BUTTON = (60, 70)
GRIG_MHZ_DIGIT = (412, 70)  # the units of megahertz, below 10 MHz
GRIG_MODE_BOX = (790, 44)


def check_grig(station):
    grig = station.start("grig", ["grig", "-m", "2", "-r", f"127.0.0.1:{station.port}", "-p",
                                  "-d", "5"])
    trace = station.dir / "grig.out"

    def frequency():
        found = re.findall(r"\bfreq=(\d+)", trace.read_text(errors="replace"))
        return int(found[-1]) if found else None

    wait_until(lambda: frequency() == RADIO_START_HZ, START_TIMEOUT,
               f"grig reading the radio's {RADIO_START_HZ} Hz")
    window = wait_until(lambda: station.x("search", "--onlyvisible", "--name",
                                          GRIG_WINDOWS[0]).split(), START_TIMEOUT, "grig")[0]
    print(f"  connects: grig reads {frequency()} Hz")
    station.expect_no_dialog(GRIG_WINDOWS, "after connecting")
    station.follow_panel(frequency, 7_050_000)

    time.sleep(SETTLE)  # grig's dial is redrawn apart from its reads: it must show 7.050 MHz
    station.mark()
    station.x("windowraise", window)
    station.x("mousemove", "--window", window, *GRIG_MHZ_DIGIT)
    station.x("click", "--repeat", "7", "--delay", "300", "4")  # the wheel, seven steps up
    # grig repeats a step now and then and loses one when its read-back comes first: what
    # counts is that the radio ends where grig last asked, on another band.
    def last_set():
        asked = re.findall(r"cmd=F (\d+)", trace.read_text(errors="replace"))
        return int(asked[-1]) if asked else None
    wait_until(lambda: (last_set() or 0) >= 10_000_000 and station.radio_commands()
               and station.radio_commands()[-1] == f"FA{last_set():011d};", STEP_TIMEOUT,
               "the radio where grig's dial was turned")
    print(f"  a band change on grig's dial: the radio heard {station.radio_commands()}")
    station.mark()
    station.click(window, GRIG_MODE_BOX)
    station.x("key", "Down", "Return")  # from USB to the next in grig's list, LSB
    station.expect_commands(["MD1;"], "LSB chosen in grig's mode list")

    for command in ("TX;", "RX;"):
        time.sleep(SETTLE)  # the button shows what grig last read, once a second
        station.mark()
        station.click(window, GRIG_PTT_BUTTON)
        station.expect_commands([command], "grig's PTT button")
    station.expect_no_dialog(GRIG_WINDOWS, "after transmitting")

    time.sleep(SETTLE)
    station.mark()
    station.click(window, GRIG_PTT_BUTTON)
    station.expect_commands(["TX;"], "grig's PTT button again")
    station.stop(grig, signal.SIGKILL)
    station.expect_commands(["RX;"], "grig killed while transmitting")


CHECKS = {"wsjtx": check_wsjtx, "fldigi": check_fldigi, "grig": check_grig}
TOOLS = ("Xvfb", "xdotool", "pulseaudio", "pactl")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", choices=CHECKS)
    parser.add_argument("--panel", required=True, help="the tovran program")
    parser.add_argument("--radio", required=True, help="the tovran-virtual-radio program")
    parser.add_argument("--artifacts", default=".", help="where screenshots of failures go")
    parser.add_argument("--keep", action="store_true",
                        help="keep the run's folder (configurations, logs, the radio's log)")
    args = parser.parse_args()

    missing = [tool for tool in (args.program, *TOOLS) if not shutil.which(tool)]
    if missing:
        print(f"SKIPPED: not installed here: {', '.join(missing)} "
              "(bash scripts/install-dependencies.sh installs them)")
        return SKIPPED

    started = time.monotonic()
    folder = Path(tempfile.mkdtemp(prefix=f"tovran-{args.program}-"))
    station = Station(args, folder)
    try:
        try:
            station.start_display()
            station.start_sound()
            station.start_radio_and_panel()
            print(f"{args.program} through tovran --rigctld={station.port}:")
            CHECKS[args.program](station)
        except Failed as failure:
            print(f"FAILED: {failure}")
            for name in ("tovran", args.program):
                output = station.dir / f"{name}.out"
                if output.exists():
                    print(f"--- {name}'s output (end)\n" + output.read_text(errors="replace")[-3000:])
            return 1
        finally:
            station.close()
    finally:
        if args.keep:
            print(f"the run's folder: {folder}")
        else:
            shutil.rmtree(folder, ignore_errors=True)
    print(f"passed in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
