#!/usr/bin/env python3
"""Turns one run of bench/run.sh into bench/RESULTS.md and the chart's data.

Usage: report.py OUT_DIR RESULTS_MD. OUT_DIR holds what run.sh collected:
machine.txt, footprint.tsv, loaded.tsv, and per group NAME.names (one
configuration per line) and NAME.runs ("frequency <ticks per second>", then
"run <index> <microseconds> <keys left> <exit status>"). Exits 1 when a
configuration that should remove every key left some behind.
"""
import os
import statistics
import sys

SIZE_LIMIT = 8 * 1024
SIZE_AIM = 6 * 1024
SHIPPED_DLLS = {"KERNEL32.dll", "USER32.dll", "ADVAPI32.dll"}

LABELS = {
    "floor3": "empty program, three DLLs (floor)",
    "floor2": "empty program, KERNEL32 and ADVAPI32",
    "floor1": "empty program, KERNEL32 only",
    "skelvane": "Skelvane",
    "mingw_crt": "same sources, MinGW runtime",
    "skelvane_trace": "Skelvane, trace on",
    "calls": "platform calls helper",
    "calls_trace": "platform calls helper, with trace writes",
    "regedit": "`regedit /s`",
    "reg": "`reg delete`, one process per key",
}
# Configurations whose every run must leave no key behind.
REMOVERS = {"skelvane", "skelvane_trace", "calls", "calls_trace", "calls_remove", "regedit", "reg"}
# Columns of the removal tables: each figure divided by these.
RATIO_COLUMNS = [
    ("floor3", "÷ floor, 3 DLLs"),
    ("floor1", "÷ floor, KERNEL32"),
    ("calls", "÷ platform calls"),
    ("skelvane", "÷ Skelvane"),
    ("regedit", "÷ `regedit /s`"),
    ("reg", "÷ `reg delete`"),
]


def load_group(out, name):
    """Yields {configuration: [(microseconds, exit status in µs), ...]} and the
    configurations that left keys."""
    with open(os.path.join(out, name + ".names")) as f:
        names = [line.strip() for line in f if line.strip()]
    samples = {n: [] for n in names}
    leftovers = set()
    frequency = None
    with open(os.path.join(out, name + ".runs")) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2 and parts[0] == "frequency":
                frequency = int(parts[1])
            if len(parts) != 5 or parts[0] != "run":
                continue
            config = names[int(parts[1])]
            samples[config].append((int(parts[2]), int(parts[4]) * 1e6 / frequency))
            if config in REMOVERS and int(parts[3]) != 0:
                leftovers.add(f"{config} in {name}")
    return samples, leftovers


def sizes_of(out, prefix):
    """Yields the list lengths timed in groups named prefix + N, in order."""
    names = [f[len(prefix):-len(".names")] for f in os.listdir(out)
             if f.startswith(prefix) and f.endswith(".names")]
    return sorted(int(n) for n in names)


def keys(n):
    return f"{n:,} key" if n == 1 else f"{n:,} keys"


def ms(us):
    return f"{us / 1000:.1f}" if us >= 10000 else f"{us / 1000:.2f}"


def ratio(a, b=1):
    if a is None or b is None or b == 0:
        return "–"
    r = a / b
    return f"{r:.3f}" if r < 10 else f"{r:.0f}" if r >= 100 else f"{r:.1f}"


def regedit_per_key(run, n):
    return (run.at("regedit", n) - run.at("regedit", 1)) / (n - 1)


class Run:
    def __init__(self, out):
        self.out = out
        self.machine = []
        with open(os.path.join(out, "machine.txt")) as f:
            self.machine = [line.rstrip("\n") for line in f]
        self.footprint = []
        with open(os.path.join(out, "footprint.tsv")) as f:
            for line in f:
                label, size, dlls = line.rstrip("\n").split("\t")
                self.footprint.append((label, int(size), dlls.split()))
        self.leftovers = set()
        self.samples = {}
        self.rounds = {}
        self.sizes = sizes_of(out, "list-")
        self.reg_sizes = sizes_of(out, "reg-")
        groups = ["startup"] + [f"list-{n}" for n in self.sizes] + [f"reg-{n}" for n in self.reg_sizes]
        for g in groups:
            samples, leftovers = load_group(out, g)
            self.samples[g] = samples
            self.rounds[g] = min(len(s) for s in samples.values())
            self.leftovers |= leftovers

        self.loaded = {}
        with open(os.path.join(out, "loaded.tsv")) as f:
            for line in f:
                name, _, dlls = line.rstrip("\n").split("\t")
                # The first module is the program itself.
                self.loaded[name] = dlls.split()[1:]

    def median(self, group, config, field=0):
        s = self.samples.get(group, {}).get(config)
        return statistics.median(x[field] for x in s) if s else None

    def group_of(self, config, n):
        """The group that timed a configuration: the start-up group when N is
        None, else its list group, else the reg delete group."""
        for group in ("startup",) if n is None else (f"list-{n}", f"reg-{n}"):
            if config in self.samples.get(group, {}):
                return group
        return None

    def at(self, config, n):
        """The median wall time for a configuration at N keys."""
        group = self.group_of(config, n)
        return self.median(group, config) if group else None

    def paired(self, group, a, b, op):
        """The median over the rounds of op(a's run, b's run): the two ran back
        to back, so a change in the machine's load touches both alike."""
        pairs = zip(self.samples[group][a], self.samples[group][b])
        return statistics.median(op(x[0], y[0]) for x, y in pairs)

    def rel(self, a, b, n=None):
        """a's time divided by b's, paired by rounds. Figures from different
        groups are set against each other through Skelvane, which every group
        times in its rounds."""
        ga, gb = self.group_of(a, n), self.group_of(b, n)
        if ga is None or gb is None:
            return None
        if ga == gb:
            return self.paired(ga, a, b, lambda x, y: x / y)
        return (self.paired(ga, a, "skelvane", lambda x, y: x / y)
                * self.paired(gb, "skelvane", b, lambda x, y: x / y))

    def gap(self, a, b, n=None):
        """a's time less b's in µs, paired by rounds; both from one group."""
        return self.paired(self.group_of(a, n), a, b, lambda x, y: x - y)

    def loop(self, config, n):
        """The median of a single-kind mode's own timed loop at N keys, in µs."""
        return self.median(f"list-{n}", config, 1)


def machine_section(run):
    lines = ["## Machine", ""]
    for entry in run.machine:
        key, _, value = entry.partition(": ")
        if value.strip():
            lines.append(f"- {key}: {value}")
    lines.append("")
    return lines


def method_section(run):
    r = run.rounds
    return [
        "## Method",
        "",
        "Every figure is the start-to-exit wall time of whole Windows processes under wine64,",
        "taken by `bench_timer`, a harness running inside Wine: `CreateProcess`, then",
        "`WaitForSingleObject`, timed with `QueryPerformanceCounter`. The Linux-side `wine64`",
        "launcher is outside every figure. The harness runs each configuration once untimed,",
        "then in rounds that time every configuration of a group in turn, so that changes in",
        "the machine's load fall on all of them alike. Each time is the median of its runs;",
        "each ratio (and difference) of two configurations timed in the same rounds is the",
        "median of the per-round ratios (differences), which cancels much of what other jobs",
        "on a shared machine add, so it can differ a little from the ratio of the two medians.",
        "Before every run the harness makes the N keys `HKCU\\Software\\SkelvaneBench\\K1` …",
        "`K<N>` outside the timed part, and after it checks that the removing tools left none.",
        "All figures come from one invocation of `bench/run.sh`.",
        "",
        "- Runs per figure: start-up " + str(r["startup"]) + "; lists of "
        + ", ".join(f"{keys(n)} {r[f'list-{n}']}" for n in run.sizes) + "; `reg delete` of "
        + ", ".join(f"{keys(n)} {r[f'reg-{n}']}" for n in run.reg_sizes)
        + " (one process per key makes these slow, so they get fewer rounds).",
        "- `reg delete` runs one `reg.exe delete HKCU\\...\\K<i> /f` process per key; its console",
        "  is inherited from the harness, the cheapest way to start it.",
        "- `regedit /s` imports one `.reg` file of `[-HKEY_CURRENT_USER\\...\\K<i>]` lines.",
        "- Skelvane is the x86_64 build (this kernel runs 32-bit Windows programs only under",
        "  emulation), with the settings file named on its command tail.",
        "- The platform calls helper makes the calls the program makes for N entries and",
        "  nothing else: the `debug` read, then per entry `GetPrivateProfileStringA`,",
        "  `CharUpperA` and `RegDeleteKeyA`, up to the read that finds the list's end.",
        "  Its single-kind modes time each kind of call alone for the breakdown.",
        "",
    ]


def startup_section(run):
    lines = [
        "## Start-up with no settings file",
        "",
        "| program | ms | ÷ floor, 3 DLLs | ÷ floor, KERNEL32 |",
        "|---|---:|---:|---:|",
    ]
    for config in ["floor3", "floor2", "floor1", "skelvane", "mingw_crt"]:
        t = run.median("startup", config)
        lines.append(f"| {LABELS[config]} | {ms(t)} | {ratio(run.rel(config, 'floor3'))} | "
                     f"{ratio(run.rel(config, 'floor1'))} |")
    lines.append("")
    return lines


def removal_section(run):
    lines = [
        "## Removing N keys",
        "",
        "Wall time in milliseconds, and each figure divided by the floors and by each peer",
        "(a figure above 1 in a peer's column means this row is slower than that peer).",
        "`reg delete` is timed in rounds of its own that also time Skelvane and the floor;",
        "its ratios to figures of the other rounds go through the two Skelvane figures.",
        "",
    ]
    rows = ["floor3", "floor2", "floor1", "calls", "calls_trace", "skelvane", "skelvane_trace",
            "regedit", "reg"]
    for n in run.sizes:
        lines.append(f"### N = {n:,}")
        lines.append("")
        header = "| configuration | ms | " + " | ".join(h for _, h in RATIO_COLUMNS) + " |"
        lines.append(header)
        lines.append("|---|---:|" + "---:|" * len(RATIO_COLUMNS))
        for config in rows:
            t = run.at(config, n)
            if t is None:
                continue
            cells = [ratio(run.rel(config, other, n)) if other != config else "1"
                     for other, _ in RATIO_COLUMNS]
            lines.append(f"| {LABELS[config]} | {ms(t)} | " + " | ".join(cells) + " |")
        lines.append("")
    lines += ["![Wall time against N, log-log](chart.png)", ""]
    return lines


def breakdown_section(run):
    lines = [
        "## Where the time per entry goes",
        "",
        "Microseconds per entry. The first rows are the helper's single-kind modes, each",
        "timing its own loop of one kind of call with the performance counter (so no process",
        "start blurs them); the profile reads include the `debug` read and the read that finds",
        "the list's end; for one entry they include the first opening of the file. The last",
        "rows are wall times less the three-DLL floor of the same group (for `regedit /s`,",
        "less its own run for one key), divided by N; below 100 keys they would be within",
        "the noise of one process start.",
        "",
        "| µs per entry | " + " | ".join(f"N = {n:,}" for n in run.sizes) + " |",
        "|---|" + "---:|" * len(run.sizes),
    ]

    def row(label, value, smallest=1):
        cells = [f"{value(n):.1f}" if n >= smallest else "–" for n in run.sizes]
        lines.append(f"| {label} | " + " | ".join(cells) + " |")

    def loop(config):
        return lambda n: run.loop(config, n) / n

    def over_floor(config):
        return lambda n: run.gap(config, "floor3", n) / n

    row("profile read (`GetPrivateProfileStringA`)", loop("calls_read"))
    row("case change (`CharUpperA`)", loop("calls_case"))
    row("removal (`RegDeleteKeyA`)", loop("calls_remove"))
    row("**sum, trace off**", lambda n: sum(loop(c)(n) for c in ("calls_read", "calls_case", "calls_remove")))
    row("trace writes, when on (5 × `OutputDebugStringA`, `wsprintfA`)", loop("calls_write"))
    row("platform calls helper, wall, over the floor", over_floor("calls"), 100)
    row("Skelvane, trace off, wall, over the floor", over_floor("skelvane"), 100)
    row("Skelvane, trace on, wall, over the floor", over_floor("skelvane_trace"), 100)
    row("`regedit /s`, wall, beyond its 1-key run", lambda n: regedit_per_key(run, n), 100)
    lines.append("")
    return lines


def loaded_section(run):
    lines = [
        "## What a process start maps",
        "",
        "Modules each process maps before its work starts, from one run with Wine's loader",
        "trace (`WINEDEBUG=+loaddll`); the program file itself is not counted.",
        "",
        "| process | modules | DLLs mapped |",
        "|---|---:|---|",
    ]
    for name in ["floor1", "floor2", "floor3", "skelvane", "mingw_crt", "regedit", "reg"]:
        dlls = run.loaded.get(name)
        if dlls is None:
            continue
        label = LABELS[name] + (", no settings file" if name in ("skelvane", "mingw_crt") else "")
        lines.append(f"| {label} | {len(dlls)} | {', '.join(dlls)} |")
    lines.append("")
    return lines


def footprint_section(run):
    lines = [
        "## Footprint",
        "",
        "Release builds from the presets' settings (MinSizeRel, runtime-free, stripped, with",
        "the version record and icons); the MinGW-runtime builds link the same sources the",
        "ordinary way (`-mwindows`, the runtime's start-up calling `WinMain`), also stripped.",
        "",
        "| build | bytes | KiB | imported DLLs |",
        "|---|---:|---:|---|",
    ]
    for label, size, dlls in run.footprint:
        lines.append(f"| {label} | {size:,} | {size / 1024:.1f} | {', '.join(dlls)} |")
    lines += [
        "",
        "A DLL other than the system's (such as `libgcc_s_dw2-1.dll`) would have to ship beside",
        "the program; its size is not counted above.",
        "",
    ]
    return lines


def verdict(ok):
    return "met" if ok else "**missed**"


def targets_section(run):
    lines = ["## Targets", "", "| target | figure | verdict |", "|---|---|---|"]
    results = []

    def against(a, b, n=None):
        """The ratio of a to b and both medians, as the figure column shows them."""
        r = run.rel(a, b, n)
        return r, f"{r:.3f}× ({ms(run.at(a, n))} ms against {ms(run.at(b, n))} ms)"

    r, text = against("skelvane", "floor3")
    results.append(("start-up, no settings file, within 1.05× of the three-DLL floor", text, r <= 1.05))
    for n in run.sizes:
        r, text = against("skelvane", "calls", n)
        results.append((f"N = {n:,}, trace off, within 1.1× of the platform calls helper", text,
                        r <= 1.1))
    for n in run.sizes:
        r, text = against("skelvane_trace", "calls_trace", n)
        text += f"; {run.rel('skelvane_trace', 'calls', n):.2f}× the helper without trace writes"
        results.append((f"N = {n:,}, trace on, within 1.1× of the helper making the same calls",
                        text, r <= 1.1))
    if 100 in run.reg_sizes:
        r = run.paired("reg-100", "reg", "skelvane", lambda x, y: x / y)
        results.append(("at least 100× faster than `reg delete` at N = 100",
                        f"{r:.0f}× ({ms(run.median('reg-100', 'reg'))} ms against "
                        f"{ms(run.median('reg-100', 'skelvane'))} ms, timed in the same rounds)",
                        r >= 100))
    for n in run.sizes:
        r = run.rel("regedit", "skelvane", n)
        text = (f"`regedit /s` ÷ Skelvane = {r:.2f}× ({ms(run.at('regedit', n))} ms against "
                f"{ms(run.at('skelvane', n))} ms)")
        if n <= 100:
            results.append((f"faster than `regedit /s` at N = {n:,}", text, r > 1))
        else:
            results.append((f"`regedit /s` at N = {n:,}: ratio only", text, None))
    label, size, dlls = run.footprint[0]
    results.append((f"i686 release at most 8 KiB with resources (aim 6 KiB), importing only "
                    "KERNEL32, USER32, ADVAPI32",
                    f"{size:,} bytes ({size / 1024:.1f} KiB; {size - SIZE_AIM:+,} bytes from the aim); "
                    f"{', '.join(dlls)}",
                    size <= SIZE_LIMIT and set(dlls) == SHIPPED_DLLS))
    for target, figure, ok in results:
        lines.append(f"| {target} | {figure} | {'–' if ok is None else verdict(ok)} |")
    lines.append("")
    return lines


def notes_section(run):
    """Where the time goes, in sentences built from this run's figures."""
    f1, f3 = run.at("floor1", None), run.at("floor3", None)
    advapi32, user32 = run.gap("floor2", "floor1"), run.gap("floor3", "floor2")
    mods = {name: len(dlls) for name, dlls in run.loaded.items()}
    big = max(run.sizes)
    read, case, remove, write = (run.loop(c, big) / big for c in
                                 ("calls_read", "calls_case", "calls_remove", "calls_write"))
    lines = ["## Notes: where the time goes", ""]

    start_ratio = run.rel("skelvane", "floor3")
    own = "its own work does not show against the process start" if start_ratio <= 1.05 else (
        f"the {ms(run.gap('skelvane', 'floor3'))} ms above the floor are more than its own start-up "
        "work (the module path and two profile reads of a missing file) can take, so they are the "
        "noise of the machine; the figures of a quieter run would settle it")
    lines.append(
        f"- **Start-up.** Under Wine a process start is mostly mapping DLLs. The KERNEL32-only "
        f"empty program takes {ms(f1)} ms; importing ADVAPI32 adds {ms(advapi32)} ms "
        f"({mods.get('floor2', 0) - mods.get('floor1', 0)} more modules), and USER32 a further "
        f"{ms(user32)} ms ({mods.get('floor3', 0) - mods.get('floor2', 0)} more modules). "
        f"Skelvane with no settings file takes {ms(run.at('skelvane', None))} ms, "
        f"{start_ratio:.3f}× the three-DLL floor: {own}. The same sources on the MinGW runtime "
        f"take {ms(run.at('mingw_crt', None))} ms ({run.rel('mingw_crt', 'floor3'):.3f}×).")

    share = read / (read + case + remove)
    lines.append(
        f"- **Per entry.** The time per entry is the platform's. At {big:,} keys a profile read "
        f"takes {read:.0f} µs, a removal {remove:.0f} µs and a case change {case:.1f} µs, so "
        f"{share:.0%} of it is the profile read; Skelvane runs in "
        f"{run.rel('skelvane', 'calls', big):.3f}× the time of the helper that makes only these "
        f"calls. With the trace on, the five debug writes and the formatting add {write:.0f} µs "
        "per entry.")
    if 100 in run.sizes and big > 100:
        read_100 = run.loop("calls_read", 100) / 100
        if read > 1.5 * read_100:
            lines.append(
                f"  The profile read slows as the list grows: {read_100:.0f} µs per entry at 100 "
                f"keys, {read:.0f} µs at {big:,}, so long lists cost more than in proportion.")

    if "regedit" in run.loaded:
        ratios = ", ".join(f"{run.rel('regedit', 'skelvane', n):.2f}× at {n:,}" for n in run.sizes)
        text = (f"- **`regedit /s`** (`regedit` time ÷ Skelvane time: {ratios}). One key takes it "
                f"{ms(run.at('regedit', 1))} ms against Skelvane's {ms(run.at('skelvane', 1))} ms. ")
        if "user32.dll" not in run.loaded["regedit"]:
            text += (f"This Wine's regedit.exe maps {mods['regedit']} modules at start and not "
                     f"USER32, so it starts below the three-DLL floor ({ms(f3)} ms), which Skelvane "
                     f"cannot go under: it imports USER32 for `CharUpperA` and `wsprintfA`, and "
                     f"USER32 alone costs {ms(user32)} ms of every start here. ")
        if big > 100:
            text += (f"Per key, `regedit /s` costs {regedit_per_key(run, big):.0f} µs at {big:,} "
                     f"keys against Skelvane's {run.gap('skelvane', 'floor3', big) / big:.0f} µs, "
                     f"of which the profile read alone is {read:.0f} µs: reading the list one entry "
                     "at a time through the platform's profile reads, as the program must, costs "
                     "more per key than regedit's parse and removal together.")
        lines.append(text)

    if 100 in run.reg_sizes:
        reg100, s100 = run.median("reg-100", "reg"), run.median("reg-100", "skelvane")
        ratio_100 = run.paired("reg-100", "reg", "skelvane", lambda x, y: x / y)
        text = (f"- **`reg delete`.** Every key is a process start of its own: {ms(reg100 / 100)} ms "
                f"per key ({mods.get('reg', 0)} modules, USER32 among them), so 100 keys take "
                f"{ms(reg100)} ms against Skelvane's {ms(s100)} ms, {ratio_100:.0f}×.")
        if ratio_100 < 100:
            floor_100 = run.median("reg-100", "floor3")
            free = run.paired("reg-100", "reg", "floor3", lambda x, y: x / y)
            entries = run.paired("reg-100", "skelvane", "floor3", lambda x, y: x - y)
            text += (f" The ratio is capped by Skelvane's own process start: the three-DLL floor "
                     f"is {ms(floor_100)} ms of its {ms(s100)} ms, so even with free entries it "
                     f"would be {free:.0f}×; the 100 entries add {ms(entries)} ms, mostly profile "
                     "reads. Reaching 100× would need Skelvane's whole run of 100 keys to cost no "
                     "more than one `reg.exe` start.")
        lines.append(text)
    lines.append("")
    return lines


def chart_data(run, path):
    configs = ["skelvane", "skelvane_trace", "calls", "regedit", "reg", "floor3"]
    with open(path, "w") as f:
        f.write("# N " + " ".join(configs) + " (milliseconds)\n")
        for n in run.sizes:
            cells = []
            for config in configs:
                t = run.at(config, n)
                cells.append("?" if t is None else f"{t / 1000:.3f}")
            f.write(f"{n} " + " ".join(cells) + "\n")


def main():
    out, results_path = sys.argv[1], sys.argv[2]
    run = Run(out)
    lines = [
        "# Benchmark results",
        "",
        "One run of `make bench` (`bench/run.sh`); the README's Benchmarks section says how to",
        "reproduce it.",
        "",
    ]
    for section in (machine_section, method_section, targets_section, notes_section,
                    startup_section, removal_section, breakdown_section, loaded_section,
                    footprint_section):
        lines += section(run)
    if run.leftovers:
        lines += ["## Invalid runs", "", "These configurations left keys behind: "
                  + ", ".join(sorted(run.leftovers)) + ".", ""]
    with open(results_path, "w") as f:
        f.write("\n".join(lines))
    chart_data(run, os.path.join(out, "chart.dat"))
    if run.leftovers:
        print("keys left behind by: " + ", ".join(sorted(run.leftovers)), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
