"""Hostile and mistaken show files and command lines, each given to `play` in a fresh process: its
exit status, the time it took, its peak resident memory and the last line it printed.

    python bench/hostile_show_files.py [--timeout 120] [--against DIR] [--only NAME ...]

With --against DIR (the `python` folder of another checkout) the cases run with that show package
instead of the installed one. A case that runs past --timeout is stopped and shown as such.
"""

import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

GROUP = '[[groups]]\nsource = "bounce"\n'
DEEP = 100_000


def deep_arrays():
    return "bpm = " + "[" * DEEP + "]" * DEEP + "\n" + GROUP


def deep_tables():
    return "bpm = " + "{ a = " * DEEP + "1" + " }" * DEEP + "\n" + GROUP


def dotted_key():
    return "a" + ".b" * 19_999 + " = 1\n" + GROUP


def deep_json():
    return '{"groups": ' + "[" * DEEP + "]" * DEEP + "}"


def wide_groups():
    return "".join(f"[[groups]]\nsource = \"bounce\"\nfixtures = 65535\nuniverse = {k + 1}\n" for k in range(100))


def many_groups():
    return "".join(f"[[groups]]\nsource = \"bounce\"\nuniverse = 1\n" for _ in range(20_000)) + SACN


def many_sources():
    return "[sources]\n" + "".join(f's{k} = "bounce"\n' for k in range(250_000)) + GROUP


def widest_group():
    return GROUP + "fixtures = 65535\n" + SACN


def most_groups():
    return "".join(f"[[groups]]\nsource = \"bounce\"\nphase = {k}\n" for k in range(4096)) + SACN


def listed_fixtures():
    return GROUP + "fixtures = [" + ", ".join(f"{{ phase = {k} }}" for k in range(40_000)) + "]\n" + SACN


# Sent to the discard port of the loopback.
SACN = '[sacn]\nhost = "127.0.0.1"\nport = 9\n'

# name: (file name, text, extra arguments); a case without a file gives only its arguments.
CASES = {
    "nested arrays": ("rig.toml", deep_arrays, ()),
    "nested inline tables": ("rig.toml", deep_tables, ()),
    "20,000-part dotted key": ("rig.toml", dotted_key, ()),
    "nested JSON arrays": ("rig.json", deep_json, ()),
    "100 groups of 65,535 fixtures": ("rig.toml", wide_groups, ()),
    "20,000 one-fixture groups": ("rig.toml", many_groups, ()),
    "250,000 sources": ("rig.toml", many_sources, ()),
    "overlapping channels": ("rig.toml", lambda: GROUP + "fixtures = [{ address = 1 }, { address = 3 }]\n" + SACN, ()),
    "past channel 512": ("rig.toml", lambda: GROUP + "address = 510\n" + SACN, ()),
    "fixtures = \"8\"": ("rig.toml", lambda: GROUP + 'fixtures = "8"\n', ()),
    "fixtures = 8.0": ("rig.toml", lambda: GROUP + "fixtures = 8.0\n", ()),
    "fixtures = true": ("rig.toml", lambda: GROUP + "fixtures = true\n", ()),
    "--sacn '[::1]'": (None, None, ("bounce", "--sacn", "[::1]")),
    # Valid files at the limits, which play.
    "one group of 65,535 fixtures over 512 universes": ("rig.toml", widest_group, ()),
    "4,096 groups": ("rig.toml", most_groups, ()),
    "40,000 fixtures listed one by one": ("rig.toml", listed_fixtures, ()),
}


def run_case(arguments, environment, timeout):
    """(status or None if stopped, seconds, peak resident MB, stderr) of `play` with `arguments`."""
    started = time.monotonic()
    with tempfile.TemporaryFile() as errors:
        process = subprocess.Popen([sys.executable, "-m", "pivolet_show", "play", *arguments, "--seconds", "0.2"],
                                   stdout=subprocess.DEVNULL, stderr=errors, env=environment)
        status = None
        while time.monotonic() - started < timeout:
            pid, code, usage = os.wait4(process.pid, os.WNOHANG)
            if pid:
                status = os.waitstatus_to_exitcode(code)
                break
            time.sleep(0.02)
        else:
            process.send_signal(signal.SIGKILL)
            _, _, usage = os.wait4(process.pid, 0)
        process.returncode = status if status is not None else -9
        seconds = time.monotonic() - started
        errors.seek(0)
        text = errors.read().decode("utf-8", "replace")
    return status, seconds, usage.ru_maxrss / 1024, text


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--timeout", type=float, default=120.0, help="seconds before a case is stopped (default 120)")
    parser.add_argument("--against", type=Path, metavar="DIR", help="run with the show package in DIR")
    parser.add_argument("--only", nargs="+", metavar="NAME", help="run only the cases whose name holds one of these")
    arguments = parser.parse_args(argv)
    environment = dict(os.environ)
    if arguments.against is not None:
        environment["PYTHONPATH"] = str(arguments.against.resolve())
    load = ", ".join(f"{value:.1f}" for value in os.getloadavg())
    print(f"load average {load}; timeout {arguments.timeout:g} s")
    with tempfile.TemporaryDirectory() as folder:
        for name, (file_name, text, extra) in CASES.items():
            if arguments.only and not any(part in name for part in arguments.only):
                continue
            line = list(extra)
            if file_name is not None:
                path = Path(folder) / file_name
                path.write_text(text())
                line += ["--rig", str(path)]
                size = f"{path.stat().st_size / 1024:.1f} KB file"
            else:
                size = "command line"
            status, seconds, megabytes, errors = run_case(line, environment, arguments.timeout)
            lines = errors.strip().splitlines()
            last = lines[-1].replace(folder + "/", "") if lines else ""
            shown = "stopped" if status is None else f"exit {status}"
            print(f"{name} ({size}): {shown}, {seconds:.2f} s, {megabytes:.0f} MB peak, "
                  f"{len(errors)} bytes on stderr in {len(lines)} lines")
            print(f"    {last[:160]}{' ...' if len(last) > 160 else ''}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
