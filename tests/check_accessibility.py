#!/usr/bin/env python3
"""The panel through a screen reader's eyes: its AT-SPI tree, the keyboard alone, and what is said.

Starts a private D-Bus session with its own accessibility bus, a private X display (Xvfb), the
virtual TS-440 and the panel on it, then reads the two windows as Orca does, over AT-SPI:

- every control that takes the focus has its French name and its role;
- an operator who never touches the mouse chooses the port, types a frequency, changes the mode,
  keys and unkeys, stores a channel and recalls it, and reads the display on demand, and the
  radio hears the expected commands;
- a scan, which moves the frequency at every report, is said once where it stops, not once per
  report; a radio that stops answering, and answers again, is said too.

Exit status 0 when every step holds, 1 when one fails, 77 when the accessibility bus, X or
pyatspi cannot be had here (CTest's skip code).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

SKIPPED = 77
SYSTEM_PYTHON = "/usr/bin/python3"  # Debian's, where python3-pyatspi installs

START_TIMEOUT = 60.0  # Xvfb, the bus, the panel's memory read-out on a loaded machine
STEP_TIMEOUT = 20.0  # a key, its command, and the report that shows it
REPORTS_AFTER = 30  # status reports (94 ms each) to watch for a second, unwanted announcement
WHOLE_RUN = 120.0  # a run takes 30 s; past this the panel has stopped answering over AT-SPI
PUMP_SHARE = 0.2  # seconds of events handled between two looks at what is awaited


def skip(why):
    print(f"SKIPPED: {why} (bash scripts/install-dependencies.sh installs what it needs)")
    sys.exit(SKIPPED)


# pyatspi lives in Debian's own Python; the accessibility bus in a D-Bus session of our own.
try:
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib
    import pyatspi
except (ImportError, ValueError):
    if os.path.exists(SYSTEM_PYTHON) and os.path.realpath(sys.executable) != os.path.realpath(
            SYSTEM_PYTHON) and not os.environ.get("TOVRAN_A11Y_PYTHON"):
        os.environ["TOVRAN_A11Y_PYTHON"] = "1"
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, *sys.argv])
    skip("pyatspi (python3-pyatspi) is not installed")


class Failed(Exception):
    pass


def pump():
    """Hands the events that came to the listener, for a bounded time, so that a panel flooding
    the bus still lets the waits run out."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + PUMP_SHARE
    while time.monotonic() < deadline and context.iteration(False):
        pass


def wait_until(predicate, what, timeout=STEP_TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        pump()
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    raise Failed(f"{what}: not within {timeout:.0f} s")


def role(accessible):
    return accessible.getRoleName()


def focusable(accessible):
    """Takes the focus now: the hookup note under the status line is hidden until it has a say."""
    state = accessible.getState()
    return state.contains(pyatspi.STATE_FOCUSABLE) and state.contains(pyatspi.STATE_VISIBLE)


def descendants(accessible):
    """The tree below, without the memory table's 300 cells (read through its Table interface)."""
    for child in accessible:
        if child is None:
            continue
        yield child
        if role(child) != "table":
            yield from descendants(child)


class Listener:
    """What the panel raises: focus moves, name changes, notifications shown. Each event keeps
    the name its source had when the event was handled, as a reader would say it."""

    def __init__(self):
        self.events = []
        self.focused = None
        self.listener = Atspi.EventListener.new(self.heard)
        for kind in ("object:state-changed:focused", "object:property-change:accessible-name",
                     "object:state-changed:showing"):
            self.listener.register(kind)

    def heard(self, event):
        try:
            name, kind = event.source.name, role(event.source)
        except Exception:  # the source went away
            return
        if event.type.startswith("object:state-changed:focused"):
            if event.detail1:
                self.focused = (name, kind)
            return
        if event.type.startswith("object:state-changed:showing") and not event.detail1:
            return
        if event.source.getState().contains(pyatspi.STATE_FOCUSED):
            self.focused = (name, kind)
        self.events.append((event.type, kind, name))

    def mark(self):
        return len(self.events)

    def said(self, since, source_role, pattern):
        """Names raised since the mark by a source of that role, matching the pattern."""
        kind = "object:state-changed:showing" if source_role == "notification" else \
            "object:property-change:accessible-name"
        return [name for event, who, name in self.events[since:]
                if event == kind and who == source_role and re.fullmatch(pattern, name)]


class Session:
    def __init__(self, args, folder):
        self.args = args
        self.dir = folder
        self.processes = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            self.env.pop(name, None)
        self.env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                        XDG_RUNTIME_DIR=str(folder), QT_QPA_PLATFORM="xcb", LANG="fr_FR.UTF-8")
        self.radio_log = folder / "radio.log"
        self.log_mark = 0

    def start(self, name, command, **options):
        output = open(self.dir / f"{name}.out", "wb")
        process = subprocess.Popen(command, env=self.env, stdout=output, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True, **options)
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGCONT)
                os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=10)

    def start_display(self):
        read_end, write_end = os.pipe()
        self.start("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
                            "-nolisten", "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            display = numbers.readline().strip()
        if not display:
            raise Failed("Xvfb gave no display")
        self.env["DISPLAY"] = os.environ["DISPLAY"] = ":" + display

    def start_radio_and_panel(self):
        link = self.dir / "radio"
        # At the line's own speed: a report every 94 ms, so that a scan of a few dozen reports
        # lasts many times the time the panel waits for the frequency to settle.
        self.radio = self.start("radio", [self.args.radio, "--paced", "--quiet", "--link",
                                          str(link), "--log", str(self.radio_log)])
        wait_until(link.exists, "the virtual transceiver's device", START_TIMEOUT)
        self.env["TOVRAN_COM1"] = str(link)
        self.start("tovran", [self.args.panel])

    def application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for application in desktop:
            if application is not None and application.name == "T.O.V.R.A.N":
                return application
        return None

    def window(self, title):
        application = self.application()
        for window in application or []:
            if window is not None and window.name == title:
                return window
        return None

    def give_keyboard_to(self, title):
        """What a window manager does for a new window: the keyboard goes to it."""
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title, "windowfocus",
                        "--sync"], env=self.env, timeout=30, check=True)

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], env=self.env, timeout=30,
                       check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "30", text], env=self.env, timeout=30,
                       check=True)

    # --- what the radio heard

    def radio_commands(self):
        try:
            return self.radio_log.read_text().splitlines()
        except FileNotFoundError:
            return []

    def mark(self):
        self.log_mark = len(self.radio_commands())

    def expect_commands(self, expected, what):
        """Waits until the radio has heard these commands, in this order, since the mark; the
        polling in between is left out."""
        def heard():
            commands = [c for c in self.radio_commands()[self.log_mark:] if c != "IF;"]
            return commands[:len(expected)] == expected
        try:
            wait_until(heard, what)
        except Failed as failure:
            heard = [c for c in self.radio_commands()[self.log_mark:] if c != "IF;"]
            raise Failed(f"{failure}; the radio heard {heard}, not {expected}") from None
        print(f"  {what}: {' '.join(expected)}")

    def reports_since(self, mark):
        return self.radio_commands()[mark:].count("IF;")


# Every control that takes the focus, by its name (a pattern for the display) and its role.
PORT_WINDOW = [
    ("Port série Com 1", "radio button"),
    ("Port série Com 2", "radio button"),
    ("OK : ouvrir le panneau", "push button"),
]
PANEL = [
    ("Balayage arrêté", "label"),
    ("VFO A", "label"),
    (r"Fréquence [\d ]+ hertz", "label"),
    ("Réception", "label"),
    ("Mode (LSB|USB|CW|FM|AM|FSK)", "label"),
    ("Fréquence à saisir, en hertz", "text"),
    ("Descendre d'un pas", "push button"),
    ("Monter d'un pas", "push button"),
    ("VFO A ou B", "push button"),
    ("Pas : standard", "push button"),
    ("Émettre", "push button"),
    ("Balayage", "push button"),
    ("Passer en mémoire", "push button"),
    ("Mémoriser la fréquence", "push button"),
    ("Effacer la mémoire", "push button"),
    *[(f"Mode {mode}", "push button") for mode in ("LSB", "USB", "CW", "AM", "FM", "FSK")],
    ("Mémoires", "table"),
    ("Kenwood TS-440 sur Com 1", "status bar"),
]
PANEL_TITLE = " TOVRAN 1.00 Beta"


def check_tree(window, expected, what):
    found = [(child.name, role(child)) for child in descendants(window) if focusable(child)]
    unmatched = list(found)
    for pattern, kind in expected:
        matches = [f for f in unmatched if f[1] == kind and re.fullmatch(pattern, f[0])]
        if len(matches) != 1:
            raise Failed(f"{what}: {len(matches)} {kind} named like {pattern!r} in {found}")
        unmatched.remove(matches[0])
    if unmatched:
        raise Failed(f"{what}: controls with no name of theirs: {unmatched}")
    print(f"  {what}: {len(found)} controls that take the focus, each named and of its role")


def find(window, pattern, kind):
    for child in descendants(window):
        if role(child) == kind and re.fullmatch(pattern, child.name):
            return child
    raise Failed(f"no {kind} named like {pattern!r}")


def check_memory_cells(table):
    cells = table.queryTable()
    names = [cells.getAccessibleAt(0, column).name for column in range(3)]
    if not (names[0] == "Canal 00" and re.fullmatch(r"Canal 00 : [\d ]+ hertz, [A-Z]+", names[1])
            and re.fullmatch(r"Canal 00 : [A-Z]+", names[2])):
        raise Failed(f"the memory table's first row reads {names}")
    print(f"  the memory table reads: {names}")


class Operator:
    """Keys only, with the reader telling where the focus is."""

    def __init__(self, session, listener):
        self.session = session
        self.listener = listener

    def focus_on(self, pattern, kind, key="Tab", presses=30):
        for _ in range(presses):
            if self.listener.focused and self.listener.focused[1] == kind and re.fullmatch(
                    pattern, self.listener.focused[0]):
                return
            before = self.listener.focused
            self.session.key(key)
            wait_until(lambda: self.listener.focused != before, f"the focus leaving {before}")
        raise Failed(f"{key} never brought the focus to the {kind} {pattern!r}; "
                     f"it is on {self.listener.focused}")

    def wait_focus(self, pattern, kind, what):
        wait_until(lambda: self.listener.focused and self.listener.focused[1] == kind
                   and re.fullmatch(pattern, self.listener.focused[0]), what)


def keyboard_script(session, listener, panel):
    operator = Operator(session, listener)
    vfo = find(panel, "VFO A", "label")
    frequency = find(panel, r"Fréquence [\d ]+ hertz", "label")

    session.mark()
    operator.focus_on("Fréquence à saisir, en hertz", "text")
    session.type("7050000")
    session.key("Return")
    session.expect_commands(["FA00007050000;"], "a frequency typed, then Enter")
    operator.wait_focus("Monter d'un pas", "push button", "the focus back on up after Enter")
    wait_until(lambda: frequency.name == "Fréquence 7 050 000 hertz", "the display at 7.05 MHz")

    session.mark()
    session.key("plus")
    session.expect_commands(["UP;"], "'+' on the up button")
    wait_until(lambda: frequency.name != "Fréquence 7 050 000 hertz", "the display stepped up")

    session.mark()
    operator.focus_on("Mode CW", "push button")
    session.key("Return")
    session.expect_commands(["MD3;"], "Enter on the CW button")

    session.mark()
    operator.focus_on("Émettre", "push button")
    session.key("space")
    session.expect_commands(["TX;"], "space on Émettre")
    operator.wait_focus("Recevoir", "push button", "the button named for going back")
    session.key("space")
    session.expect_commands(["TX;", "RX;"], "space on Recevoir")
    operator.wait_focus("Émettre", "push button", "the button named for keying again")

    session.mark()
    session.key("F2")
    operator.wait_focus(r"Fréquence [\d ]+ hertz", "label", "F2 to the frequency display")
    session.key("Right")
    operator.wait_focus("Réception", "label", "the arrow to the next field")
    session.key("Escape")
    operator.wait_focus("Monter d'un pas", "push button", "Escape back to the buttons")
    session.key("F2", "minus")
    session.expect_commands(["DN;"], "'-' on the display")
    operator.wait_focus("Descendre d'un pas", "push button", "'-' taking the focus down")
    wait_until(lambda: frequency.name == "Fréquence 7 050 000 hertz", "the display stepped back")

    session.mark()

    # A store: M.IN once, the channel chosen in the table, M.IN again.
    operator.focus_on("Mémoriser la fréquence", "push button")
    session.key("space")
    operator.wait_focus("Monter d'un pas", "push button", "the focus back on up after M.IN")
    wait_until(lambda: vfo.name.startswith("Mémoire"), "the display in memory mode")
    operator.focus_on("Mémoires", "table")
    operator.focus_on("Canal 05.*", "table cell", key="Down")
    session.key("space")
    wait_until(lambda: vfo.name == "Mémoire 05", "the display on channel 05")
    operator.focus_on("Mémoriser la fréquence", "push button")
    session.key("space")
    session.expect_commands(["FN2;", "MC005;", "MW000500007050000300000;"],
                            "M.IN, channel 05 from the table, M.IN")

    session.mark()
    operator.focus_on("VFO A ou B", "push button")
    session.key("Return")
    wait_until(lambda: vfo.name == "VFO A", "the display back on VFO A")
    operator.focus_on("Mémoires", "table")
    session.key("Down", "Up")  # the row stored is the current one
    operator.wait_focus("Canal 05 : 7 050 000 hertz, CW", "table cell", "the row stored, read")
    session.key("space")
    session.expect_commands(["FN0;", "FA00007050000;", "MD3;"], "channel 05 recalled")

    operator.focus_on("Pas : standard", "push button")
    session.key("Return")
    operator.wait_focus("Pas : 1 kHz", "push button", "the step button read in words")


def check_scan_said_once(session, listener, panel):
    """Each report of a scan moves the frequency; it is said once, where it stops. The operator
    listens on the frequency display meanwhile, and stops the scan with the button's action, as
    a reader offers it: Orca says no name change of a label, so the notice speaks there too."""
    operator = Operator(session, listener)
    frequency = find(panel, r"Fréquence [\d ]+ hertz", "label")
    scan = find(panel, "Balayage arrêté", "label")
    operator.focus_on("Balayage", "push button")
    before = frequency.name
    said, reports = listener.mark(), len(session.radio_commands())
    session.key("space")
    wait_until(lambda: scan.name == "Balayage en cours", "the display scanning")
    session.key("F2")
    operator.wait_focus(r"Fréquence [\d ]+ hertz", "label", "F2 to the frequency, scanning")
    wait_until(lambda: session.reports_since(reports) >= REPORTS_AFTER, "reports while scanning")
    button = find(panel, "Arrêter le balayage", "push button").queryAction()
    button.doAction(0)  # Press
    wait_until(lambda: scan.name == "Balayage arrêté", "the display no longer scanning")
    stopped = len(session.radio_commands())
    wait_until(lambda: listener.said(said, "label", "Fréquence.*"), "the frequency said")
    wait_until(lambda: session.reports_since(stopped) >= REPORTS_AFTER, "reports after the scan")
    scanning_reports = session.reports_since(reports)
    by_label = listener.said(said, "label", "Fréquence.*")
    by_notice = listener.said(said, "notification", "Fréquence.*")
    if by_label != [frequency.name] or by_notice != [frequency.name] or before == frequency.name:
        raise Failed(f"{scanning_reports} reports moved the frequency from {before!r} to "
                     f"{frequency.name!r}; the display said {by_label}, the notices {by_notice}")
    spoken = listener.said(said, "notification", "Balayage.*")
    if spoken != ["Balayage en cours", "Balayage arrêté"]:
        raise Failed(f"the scan's start and stop were said as {spoken}")
    print(f"  {scanning_reports} reports from the scan's start: said once, {by_notice[0]!r}")
    session.key("Escape")


def check_silence_said(session, listener):
    """A radio that stops answering, and answers again: said by the status line when the focus
    is on it, by a notice otherwise, and not twice."""
    operator = Operator(session, listener)
    session.key("F2", "Right", "Right", "Right")
    operator.wait_focus("Kenwood TS-440 sur Com 1", "status bar", "the status line from F2")
    for focused in (True, False):
        said = listener.mark()
        os.kill(session.radio.pid, signal.SIGSTOP)
        try:
            wait_until(lambda: listener.said(said, "status bar" if focused else "notification",
                                             ".*(pas de réponse|ne répond pas)"),
                       "a radio that stopped answering, said")
        finally:
            os.kill(session.radio.pid, signal.SIGCONT)
        wait_until(lambda: listener.said(said, "status bar" if focused else "notification",
                                         "Kenwood TS-440 sur Com 1|La radio répond"),
                   "a radio answering again, said")
        notices = listener.said(said, "notification", ".*")
        if focused and notices:
            raise Failed(f"the status line has the focus, yet notices said {notices}")
        print(f"  the radio's silence and its return, said {'by the status line' if focused else 'by notices'}: {notices}")
        session.key("Escape")


def run(args, folder):
    session = Session(args, folder)

    def give_up():
        # A call over AT-SPI waits for the panel's answer while it hands on events: a panel
        # that floods the bus never answers.
        print(f"FAILED: no answer over AT-SPI within {WHOLE_RUN:.0f} s: does the panel flood "
              "the accessibility bus with events?", flush=True)
        session.close()
        shutil.rmtree(folder, ignore_errors=True)
        os._exit(1)

    watchdog = threading.Timer(WHOLE_RUN, give_up)
    watchdog.daemon = True
    watchdog.start()
    try:
        session.start_display()
        listener = Listener()
        session.start_radio_and_panel()
        port = wait_until(lambda: session.window("TOVRAN - Connexion"), "the port window",
                          START_TIMEOUT)
        check_tree(port, PORT_WINDOW, "the port window")
        session.key("Return")  # "Port série Com 1" is chosen, OK is the default button
        panel = wait_until(lambda: session.window(PANEL_TITLE), "the panel", START_TIMEOUT)
        wait_until(lambda: session.radio_commands().count("IF;") >= 2, "the panel's polling",
                   START_TIMEOUT)
        if role(panel) != "frame":
            raise Failed(f"the panel is a {role(panel)}, not a frame")
        check_tree(panel, PANEL, "the panel")
        session.give_keyboard_to(PANEL_TITLE)
        check_memory_cells(find(panel, "Mémoires", "table"))
        keyboard_script(session, listener, panel)
        check_scan_said_once(session, listener, panel)
        check_silence_said(session, listener)
    except Failed as failure:
        print(f"FAILED: {failure}")
        output = folder / "tovran.out"
        if output.exists():
            print("--- tovran's output (end)\n" + output.read_text(errors="replace")[-3000:])
        return 1
    finally:
        watchdog.cancel()
        session.close()
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--panel", required=True, help="the tovran program")
    parser.add_argument("--radio", required=True, help="the tovran-virtual-radio program")
    args = parser.parse_args()

    missing = [tool for tool in ("Xvfb", "xdotool", "dbus-run-session") if not shutil.which(tool)]
    if missing:
        skip(f"not installed here: {', '.join(missing)}")
    if not os.environ.get("TOVRAN_A11Y_BUS"):
        # A session bus of our own, where the accessibility bus starts on demand.
        os.environ["TOVRAN_A11Y_BUS"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable, *sys.argv])
    try:
        bus = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                              "/org/a11y/bus", "org.a11y.Bus.GetAddress"], timeout=30,
                             capture_output=True, text=True)
    except (OSError, subprocess.TimeoutExpired) as error:
        skip(f"the accessibility bus does not start: {error}")
    if bus.returncode != 0:
        skip(f"the accessibility bus does not start: {bus.stderr.strip()} (at-spi2-core)")

    started = time.monotonic()
    folder = Path(tempfile.mkdtemp(prefix="tovran-a11y-"))
    try:
        status = run(args, folder)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    if status == 0:
        print(f"passed in {time.monotonic() - started:.1f} s")
    return status


if __name__ == "__main__":
    sys.exit(main())
