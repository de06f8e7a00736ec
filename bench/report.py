#!/usr/bin/env python3
"""Writes the benchmark report (markdown) from the results of bench/run.sh.

usage: report.py RESULTS_DIR REPETITIONS > bench/REPORT.md
"""
import json
import os
import platform
import statistics
import subprocess
import sys
from collections import defaultdict


def spread(values):
    """Median, and the spread as min-max over the runs."""
    return statistics.median(values), min(values), max(values)


def fmt(values, digits=1):
    med, low, high = spread(values)
    return f"{med:,.{digits}f} ({low:,.{digits}f}–{high:,.{digits}f})"


def gbench_runs(path):
    """Per benchmark name: the list of its repetition entries."""
    with open(path) as stream:
        data = json.load(stream)
    runs = defaultdict(list)
    for entry in data["benchmarks"]:
        if entry.get("run_type") == "iteration" and not entry.get("error_occurred"):
            runs[entry["run_name"]].append(entry)
    return data["context"], runs


def machine(context):
    cpu = "unknown"
    with open("/proc/cpuinfo") as stream:
        for line in stream:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    mem_kb = 0
    with open("/proc/meminfo") as stream:
        mem_kb = int(stream.readline().split()[1])
    snmpd = subprocess.run(["/usr/sbin/snmpd", "-v"], capture_output=True, text=True).stdout
    snmpd = next((l.strip() for l in snmpd.splitlines() if "version" in l), "snmpd")
    return [
        f"- CPU: {cpu}, {context.get('num_cpus')} logical CPUs at {context.get('mhz_per_cpu')} MHz",
        f"- Memory: {mem_kb // 1024} MiB",
        f"- Kernel: {platform.release()}; {platform.freedesktop_os_release().get('PRETTY_NAME', '')}",
        f"- {snmpd}; compiler flags of a RelWithDebInfo build (-O2 -g, NDEBUG)",
        f"- Load average while the dispatch benchmark started: "
        f"{', '.join(f'{x:.2f}' for x in context.get('load_avg', []))}",
    ]


DEFINITIONS = ["sample (249 objects)", "sample, 910 drives (10,083 objects)",
               "generated (990 objects)", "generated (9,990 objects)"]
OPERATIONS = [("BM_GetScalar", "get, scalar"), ("BM_GetCell", "get, table cell"),
              ("BM_GetNextScalar", "get-next, scalar"), ("BM_GetNextCell", "get-next, table cell"),
              ("BM_SetScalar", "set, scalar"), ("BM_SetCell", "set, table cell")]


def dispatch_section(runs):
    lines = ["| operation | " + " | ".join(DEFINITIONS) + " |",
             "| --- |" + " --- |" * len(DEFINITIONS)]
    for name, label in OPERATIONS:
        cells = []
        for index in range(len(DEFINITIONS)):
            entries = runs.get(f"{name}/definition:{index}", [])
            cells.append(fmt([e["cpu_time"] / 1000.0 for e in entries], 2) if entries else "–")
        lines.append(f"| {label} (µs) | " + " | ".join(cells) + " |")
    cells = []
    per_object = {}
    for index in range(len(DEFINITIONS)):
        entries = runs.get(f"BM_Walk/definition:{index}", [])
        values = [e["cpu_time"] * 1e6 / e["objects"] for e in entries]  # ms -> ns per object
        per_object[index] = values
        cells.append(fmt([v / 1000.0 for v in values], 2) if values else "–")
    lines.append("| whole walk, per object (µs) | " + " | ".join(cells) + " |")
    return lines, per_object


CHANNEL = [("relay_polls:0/daemon_polls:0", "relay and daemon wake each other"),
           ("relay_polls:1/daemon_polls:1", "both poll (before the wake-up)"),
           ("relay_polls:0/daemon_polls:1", "new relay, polling daemon"),
           ("relay_polls:1/daemon_polls:0", "polling relay, new daemon")]


def channel_section(runs):
    lines = ["| round trip | median (µs) | 99th percentile (µs) | requests/s |",
             "| --- | --- | --- | --- |"]
    medians = {}
    for key, label in CHANNEL:
        entries = runs.get(f"BM_RoundTrip/{key}/min_time:0.500/real_time", [])
        if not entries:
            continue
        medians[key] = statistics.median(e["p50_us"] for e in entries)
        lines.append(f"| {label} | {fmt([e['p50_us'] for e in entries])} | "
                     f"{fmt([e['p99_us'] for e in entries])} | "
                     f"{fmt([e['req_per_s'] for e in entries], 0)} |")
    idle = []
    for mode, label in (("0", "daemon loop with the wake-up"), ("1", "polling loop (before)")):
        entries = runs.get(f"BM_IdleDaemonCpu/daemon_polls:{mode}/iterations:1/real_time", [])
        if entries:
            idle.append(f"| {label} | {fmt([e['cpu_percent'] for e in entries], 2)} |")
    return lines, medians, idle


TUNING = [("lookup_every:1/spin_us:0", "segment looked up for every request, no spin (before)"),
          ("lookup_every:0/spin_us:0", "looked up only after a timed-out wait, no spin"),
          ("lookup_every:0/spin_us:20", "looked up after a timed-out wait, 20 µs spin"),
          ("lookup_every:0/spin_us:50", "looked up after a timed-out wait, 50 µs spin")]


def tuning_section(runs):
    lines = ["| relay exchange | median (µs) | 99th percentile (µs) | requests/s | relay CPU per round trip (µs) | daemon CPU per round trip (µs) |",
             "| --- | --- | --- | --- | --- | --- |"]
    for key, label in TUNING:
        entries = runs.get(f"BM_RelayTuning/{key}/min_time:0.500/real_time", [])
        if entries:
            lines.append(f"| {label} | {fmt([e['p50_us'] for e in entries])} | "
                         f"{fmt([e['p99_us'] for e in entries])} | "
                         f"{fmt([e['req_per_s'] for e in entries], 0)} | "
                         f"{fmt([e['relay_cpu_us'] for e in entries], 2)} | "
                         f"{fmt([e['daemon_cpu_us'] for e in entries], 2)} |")
    return lines


def e2e_values(path):
    values = defaultdict(list)
    if os.path.exists(path):
        with open(path) as stream:
            for line in stream:
                name, value, _unit = line.rstrip("\n").split("\t")
                values[name].append(float(value))
    return values


MODES = [("persist", "relay, pass_persist"), ("before", "relay before (look-up per request)"),
         ("spin", "relay with a 30 µs spin"), ("pass", "relay, pass"), ("agentx", "AgentX")]
TARGET_LABELS = {"agent": "our daemon", "passpeer": "pass_persist peer (C)",
                 "agentxpeer": "AgentX peer (net-snmp agent library)"}
# The processes each path runs through, as e2e.sh names them.
PATH_PROCESSES = {("agentx", "agent"): ["snmpd", "daemon"],
                  ("agentx", "passpeer"): ["snmpd", "passpeer"],
                  ("agentx", "agentxpeer"): ["snmpd", "agentxpeer"],
                  ("persist", "agent"): ["snmpd", "relay", "daemon"],
                  ("before", "agent"): ["snmpd", "relay", "daemon"],
                  ("spin", "agent"): ["snmpd", "relay", "daemon"]}


def pair_ratios(values, key):
    """The ratio of each walk to the walk of snmpd's own objects right after it."""
    return [a / b for a, b in zip(values.get(key, []), values.get(key + ".snmpd_own", [])) if b > 0]


def e2e_rows(values):
    """(tool, tree, mode, target) of every walk the run made."""
    rows = []
    for tool in ("walk", "bulkwalk"):
        for tree in ("sample", "large"):
            for mode, _label in MODES:
                for target in TARGET_LABELS:
                    if values.get(f"{tool}.{tree}.{mode}.{target}"):
                        rows.append((tool, tree, mode, target))
    return rows


def e2e_section(values):
    lines = ["| walk | tree | path | objects | objects/s | snmpd's own objects right after (objects/s) | ratio per pair |",
             "| --- | --- | --- | --- | --- | --- | --- |"]
    ratios = {}
    labels = dict(MODES)
    for tool, tree, mode, target in e2e_rows(values):
        key = f"{tool}.{tree}.{mode}.{target}"
        walks = values[key]
        own = values.get(key + ".snmpd_own", [])
        pairs = pair_ratios(values, key)
        if not own or not pairs:
            continue
        ratios[(tool, tree, mode, target)] = pairs
        objects = int(statistics.median(values[key + ".objects"]))
        path = labels[mode] if target == "agent" else TARGET_LABELS[target]
        runs = len(walks)
        lines.append(f"| {'snmpbulkwalk' if tool == 'bulkwalk' else 'snmpwalk'} ({runs} run{'s' if runs > 1 else ''}) | "
                     f"{'sample' if tree == 'sample' else '10,000 objects'} | {path} | {objects:,} | "
                     f"{fmt(walks, 0)} | {fmt(own, 0)} | {fmt(pairs, 2)} |")
    return lines, ratios


def cost_section(values):
    """CPU and context switches per object of every process of each path."""
    lines = ["| walk | tree | path | CPU per object (µs) | context switches per object | switches summed |",
             "| --- | --- | --- | --- | --- | --- |"]
    costs = {}
    labels = dict(MODES)
    for tool, tree, mode, target in e2e_rows(values):
        processes = PATH_PROCESSES.get((mode, target))
        key = f"{tool}.{tree}.{mode}.{target}"
        if not processes or not values.get(f"{key}.cpu.snmpd"):
            continue
        cpu = {p: values.get(f"{key}.cpu.{p}", []) for p in processes}
        switches = {p: values.get(f"{key}.cs.{p}", []) for p in processes}
        summed = [sum(parts) for parts in zip(*switches.values())]
        costs[(tool, tree, mode, target)] = (cpu, summed)
        path = labels[mode] if target == "agent" else TARGET_LABELS[target]
        lines.append(f"| {'snmpbulkwalk' if tool == 'bulkwalk' else 'snmpwalk'} | "
                     f"{'sample' if tree == 'sample' else '10,000 objects'} | {path} | "
                     + "; ".join(f"{p} {fmt(cpu[p], 1)}" for p in processes if cpu[p]) + " | "
                     + "; ".join(f"{p} {fmt(switches[p], 2)}" for p in processes if switches[p]) + " | "
                     + (fmt(summed, 2) if summed else "–") + " |")
    own = []
    for tool in ("walk", "bulkwalk"):
        for tree in ("sample", "large"):
            key = f"{tool}.{tree}.agentx.agent.snmpd_own"
            if values.get(f"{key}.cpu.snmpd"):
                own.append(f"| {'snmpbulkwalk' if tool == 'bulkwalk' else 'snmpwalk'} | "
                              f"{'sample' if tree == 'sample' else '10,000 objects'} | snmpd's own "
                              f"objects (.1.3.6.1.2.1) | snmpd {fmt(values[key + '.cpu.snmpd'], 1)} | "
                              f"snmpd {fmt(values[key + '.cs.snmpd'], 2)} | "
                              f"{fmt(values[key + '.cs.snmpd'], 2)} |")
    return lines + own, costs


def agentx_targets(ratios, costs, e2e):
    """The AgentX front end's targets, from the per-pair ratios and the costs."""
    lines = []
    for tree in ("large", "sample"):
        for tool, floor in (("walk", 0.6), ("bulkwalk", 0.25)):
            pairs = ratios.get((tool, tree, "agentx", "agent"))
            if not pairs:
                continue
            ratio = statistics.median(pairs)
            lines.append(f"- AgentX, {tool} of the {tree} tree: {ratio:.2f} of snmpd's own objects per "
                         f"second per pair (target ≥ {floor:.2f}): {'met' if ratio >= floor else 'missed'}.")
            for peer in ("passpeer", "agentxpeer"):
                peer_pairs = ratios.get((tool, tree, "agentx", peer))
                if not peer_pairs:
                    continue
                ours = statistics.median(e2e[f"{tool}.{tree}.agentx.agent"])
                theirs = statistics.median(e2e[f"{tool}.{tree}.agentx.{peer}"])
                peer_ratio = statistics.median(peer_pairs)
                lines.append(f"  - against the {TARGET_LABELS[peer]}: {ratio:.2f} against {peer_ratio:.2f} "
                             f"per pair, {ours:,.0f} against {theirs:,.0f} objects/s (target: faster): "
                             f"{'met' if ratio > peer_ratio and ours > theirs else 'missed'}.")
            cost = costs.get((tool, tree, "agentx", "agent"))
            if cost:
                cpu, summed = cost
                daemon = statistics.median(cpu["daemon"])
                lines.append(f"  - daemon CPU per object {daemon:.1f} µs (target < 10): "
                             f"{'met' if daemon < 10 else 'missed'}; context switches per object, "
                             f"snmpd and daemon summed, {statistics.median(summed):.2f} (target < 2.5): "
                             f"{'met' if statistics.median(summed) < 2.5 else 'missed'}.")
    for tool in ("walk", "bulkwalk"):
        now = e2e.get(f"{tool}.large.persist.agent")
        before = e2e.get(f"{tool}.large.before.agent")
        if now and before:
            now_ratio = statistics.median(pair_ratios(e2e, f"{tool}.large.persist.agent"))
            before_ratio = statistics.median(pair_ratios(e2e, f"{tool}.large.before.agent"))
            lines.append(f"- The relay, {tool} of the 10,000-object tree: {statistics.median(now):,.0f} "
                         f"objects/s ({now_ratio:.2f} per pair) against {statistics.median(before):,.0f} "
                         f"({before_ratio:.2f}) for the relay as it was (target: no slower): "
                         f"{'met' if now_ratio >= before_ratio * 0.97 else 'missed'}.")
    return lines


def main():
    out, reps = sys.argv[1], sys.argv[2]
    context, dispatch = gbench_runs(os.path.join(out, "dispatch.json"))
    _context, channel = gbench_runs(os.path.join(out, "channel.json"))
    e2e = e2e_values(os.path.join(out, "e2e.tsv"))
    dispatch_lines, per_object = dispatch_section(dispatch)
    channel_lines, medians, idle_lines = channel_section(channel)
    e2e_lines, ratios = e2e_section(e2e)
    cost_lines, costs = cost_section(e2e)
    tuning_lines = tuning_section(channel)
    doc = ["# Benchmark report", "",
           "Written by `bench/run.sh`; every figure is the median of the runs with the lowest and "
           f"highest run in brackets ({reps} runs unless a row says otherwise).", "",
           "## Machine", ""] + machine(context) + [""]
    doc += ["## Method", "",
            "- **Dispatch** (`bench_dispatch`, Google Benchmark, in process): `PopulateValue` on the "
            "sample definitions read from `examples/` and on generated definitions (5 scalar groups "
            "and 5 tables of 9 attributes, tables of 21 or 221 rows), served by a scripted holder "
            "that answers every attribute. Gets, get-nexts and sets ask for the last scalar and the "
            "last table cell; the walk goes from the enterprise root to the end. CPU time per "
            "operation.",
            "- **Relay exchange** (`bench_channel`, `BM_RelayTuning`): the relay's exchange "
            "against the daemon's loop with the segment looked up for every request (before) or "
            "only after a timed-out wait, and with a spin on the state word before the sleep; "
            "CPU per round trip of each side from the process clocks.",
            "- **Channel** (`bench_channel`, in a private IPC namespace): a forked daemon process "
            "answers every get with a fixed integer through `ServeOneRequest`; the relay side is "
            "`ExchangeWithDaemon` (lock, block lookup, wake-up, sleep on the state word) or the "
            "relay of before (post without waking, poll every 50 µs). The polling daemon is the "
            "loop of before (`ServeOneRequest`, sleep 1500 µs). Latency of each round trip "
            "(median and 99th percentile of one run), requests per second; idle CPU of the "
            "daemon process over 2 s from `/proc/PID/schedstat`.",
            "- **End to end** (`bench/e2e.sh`, private mount, IPC, PID and network namespaces): "
            "the real daemon on `libkorvosim.so`, the real snmpd on 127.0.0.1 with the relay "
            "under `pass_persist` (the relay as it is, as it was before with a segment look-up "
            "per request, and with a 30 µs spin) or `pass`, or with `master agentx` on a private "
            "socket and the daemon started with `-x`; `snmpwalk -v2c` and `snmpbulkwalk -v2c` "
            "(default 10 repetitions) of `.1.3.6.1.4.1.7310`, timed around the client, the "
            "sample tree and a 10,000-object tree (inventory of 2 adapters with 455 drives "
            "each). Every walk is followed by the same walk of snmpd's own objects "
            "(`.1.3.6.1.2.1`, about 5,500) in the same snmpd, and the ratio is taken per such pair. "
            "The AgentX snmpd also serves the two peers, each answering a table of the tree's "
            "size from its own memory: `bench/peer_passpersist.c` (pass_persist, "
            "`.1.3.6.1.4.1.99991`) and `bench/peer_agentx.c` (a subagent on net-snmp's agent "
            "library, `.1.3.6.1.4.1.99992`). CPU time and context switches (voluntary and "
            "involuntary, all threads) of each process from `/proc/PID/task/*/` around each "
            "walk, per object walked.",
            "- **Footprint**: the daemon's VmRSS after start and after 100,000 get-next "
            "requests through the relay's channel (`bench_requests`, walking the sample tree over "
            "and over); idle CPU from `/proc/PID/schedstat` over 10 s windows, as CPU seconds "
            "per minute.",
            "- **Traps**: 20 events `event 302` written to the simulator's FIFO per run; events "
            "per second from the first write until the last trap of the run is in snmptrapd's "
            "log, with one and with four destinations, each an SNMPv1 trap, an SNMPv2c trap or an "
            "inform (acknowledged by snmptrapd before the sender moves on).",
            "- Notes: the sample has no writable scalar, so its scalar set is a refused one; the "
            "get-next after the generated definitions' last scalar runs past the end. The "
            "generated definitions grow by table rows rather than by groups and tables: the "
            "engine serves groups of at most 9 attributes and follows at most 20 entries of a "
            "walk order. A pass walk of the 10,000-object tree is stopped after 20 s and rated "
            "on the objects it got. The machine is shared with other builds (load average "
            "above), so the spreads are wide.", ""]
    doc += ["## 1. Dispatch in process", "", "CPU time per operation, µs:", ""] + dispatch_lines + [""]
    doc += ["## 2. Channel round trip", ""] + channel_lines + [""]
    if "relay_polls:0/daemon_polls:0" in medians and "relay_polls:1/daemon_polls:1" in medians:
        factor = medians["relay_polls:1/daemon_polls:1"] / medians["relay_polls:0/daemon_polls:0"]
        doc += [f"Median round trip with the wake-up: **{factor:.0f} times** faster than without.", ""]
    doc += ["Idle CPU of the daemon process, % of one core:", "", "| loop | idle CPU (%) |",
            "| --- | --- |"] + idle_lines + [""]
    doc += ["Relay exchange as tuned:", ""] + tuning_lines + [""]
    doc += ["## 3. End to end through snmpd", ""] + e2e_lines + [""]
    doc += ["CPU and context switches per object of every process of a path (medians, "
            "lowest and highest run in brackets):", ""] + cost_lines + [""]
    doc += ["## 4. Footprint of the daemon", "", "| figure | value |", "| --- | --- |"]
    for name, label in (("footprint.rss_after_start", "resident memory after start (KiB)"),
                        ("footprint.rss_after_100k", "resident memory after 100,000 requests (KiB)"),
                        ("footprint.requests_per_s", "requests/s during the 100,000"),
                        ("footprint.idle_cpu", "idle CPU (CPU seconds per minute)")):
        if e2e.get(name):
            doc.append(f"| {label} | {fmt(e2e[name], 3 if 'idle' in name else 0)} |")
    doc += ["", "## 5. Traps", "", "| kind | destinations | events/s |", "| --- | --- | --- |"]
    for kind, prefix in (("SNMPv1 trap", "traps."), ("SNMPv2c trap", "traps.v2c."),
                         ("inform", "traps.inform.")):
        for count in ("1", "4"):
            if e2e.get(f"{prefix}{count}"):
                doc.append(f"| {kind} | {count} | {fmt(e2e[f'{prefix}{count}'], 1)} |")
    doc += [""]
    # Targets, from the figures above.
    doc += ["## Targets", ""]
    for (tool, tree, mode, target), pairs in sorted(ratios.items()):
        if mode == "persist" and target == "agent":
            ratio = statistics.median(pairs)
            doc.append(f"- {tool} of the {tree} tree through pass_persist: {ratio:.2f} of snmpd's own "
                       f"objects per second (target ≥ 0.50): {'met' if ratio >= 0.5 else 'missed'}.")
    doc += agentx_targets(ratios, costs, e2e)
    if "relay_polls:0/daemon_polls:0" in medians and "relay_polls:1/daemon_polls:1" in medians:
        doc.append(f"- Round trip with the wake-up {factor:.0f}× faster (target ≥ 20×): "
                   f"{'met' if factor >= 20 else 'missed'}.")
    for tree, index in (("sample", 0), ("10,000-object", 1)):
        agent = e2e.get(f"walk.{'sample' if index == 0 else 'large'}.persist.agent")
        if agent and per_object.get(index):
            end_to_end_us = 1e6 / statistics.median(agent)
            own_us = statistics.median(per_object[index]) / 1000.0
            doc.append(f"- Dispatch per object in the walk of the {tree} tree: {own_us:.2f} µs against "
                       f"{end_to_end_us:.0f} µs end to end per object ({own_us / end_to_end_us:.3f}; "
                       f"target < 0.1): {'met' if own_us / end_to_end_us < 0.1 else 'missed'}.")
    if e2e.get("footprint.rss_after_start") and e2e.get("footprint.rss_after_100k"):
        growth = e2e["footprint.rss_after_100k"][0] - e2e["footprint.rss_after_start"][0]
        doc.append(f"- Resident memory growth over 100,000 requests: {growth:.0f} KiB (target: none).")
    if e2e.get("footprint.idle_cpu"):
        share = statistics.median(e2e["footprint.idle_cpu"]) / 60 * 100
        doc.append(f"- Idle CPU: {share:.2f}% of one core (target < 1%): "
                   f"{'met' if share < 1 else 'missed'}.")
    analysis = os.path.join(os.path.dirname(os.path.abspath(__file__)), "analysis.md")
    if os.path.exists(analysis):
        with open(analysis) as stream:
            doc += ["", stream.read().rstrip("\n")]
    print("\n".join(doc))


if __name__ == "__main__":
    main()
