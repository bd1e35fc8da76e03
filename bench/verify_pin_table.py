#!/usr/bin/env python3
"""One table of VerifyPIN under Wine: the median time of each case (the
benchmark's own output) and the wineserver requests (round trips) one call
costs, counted in the server's request trace between the benchmark's marker
events, beside the figures measured on the module before the registry keys
were kept per call.
usage: verify_pin_table.py <times.txt> <server trace> <benchmark thread line>"""
import re
import sys

# Measured on the earlier module (per-operation key opens, a 64-bit retry of
# HKEY_CURRENT_USER), one machine, medians.
BEFORE = {
    "rejected code, log on": ("6.2 ms", 183),
    "rejected code, log off in HKLM": ("5.1 ms", 158),
    "accepted code, log on": ("7.6 ms", 234),
    "AnyUser, per record, log off in HKCU": ("2.9 ms", 99),
    "AnyUser, per record, log off in HKLM": ("3.8 ms", 124),
    "AnyUser, per record, log on": ("5.0 ms", 149),
    "AnyUser, 1000 records, no match, log off in HKLM": ("43 s", None),
}


def times(path):
    out = {}
    for line in open(path, errors="replace"):
        m = re.match(r"(.*?)\s+\d+ runs\s+median\s+([\d.]+) us", line)
        if m:
            out[m.group(1).strip()] = float(m.group(2))
    return out


def requests(trace_path, thread_line):
    thread = open(thread_line).read().split()[1]
    counts, counting = {}, None
    for line in open(trace_path, errors="replace"):
        if not line.startswith(thread + ":"):
            continue
        m = re.search(r'create_event\(.*name=L"[^"]*velmo-(begin|end) ([^"]*)"', line)
        if m:
            if m.group(1) == "begin":
                counting = m.group(2)
                counts[counting] = 0
            else:
                counting = None
            continue
        if counting and re.match(r"^[0-9a-f]{4}: \w+\(", line) and ") = " not in line:
            counts[counting] += 1
    return counts


def per_record(table, what):
    a = table.get(f"AnyUser, 10 records, no match, {what}")
    b = table.get(f"AnyUser, 20 records, no match, {what}")
    return None if a is None or b is None else (b - a) / 10


def main():
    t, r = times(sys.argv[1]), requests(sys.argv[2], sys.argv[3])
    rows = []
    for case in ["rejected code, log on", "rejected code, log off in HKLM", "accepted code, log on"]:
        rows.append((case, t.get(case), r.get(case)))
    for what in ["log off in HKCU", "log off in HKLM", "log on"]:
        rows.append((f"AnyUser, per record, {what}", per_record(t, what), per_record(r, what)))
    case = "AnyUser, 1000 records, no match, log off in HKLM"
    rows.append((case, t.get(case), None))
    print(f"{'VerifyPIN under Wine':50} {'now':>12} {'requests':>9}   {'before':>8} {'requests':>9}")
    for name, time_us, count in rows:
        now = "-" if time_us is None else (f"{time_us / 1e6:.2f} s" if time_us > 1e5 else f"{time_us / 1e3:.2f} ms")
        before_time, before_count = BEFORE[name]
        print(f"{name:50} {now:>12} {'-' if count is None else f'{count:.0f}':>9}   {before_time:>8} "
              f"{'-' if before_count is None else before_count:>9}")


if __name__ == "__main__":
    main()
