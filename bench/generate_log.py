#!/usr/bin/env python3
"""Writes a synthetic proxy access log for benchmarking sirvane.

The output is deterministic for a given set of arguments (same seed, same
bytes), so timings from different runs and machines read the same input.

Shape of the traffic, chosen to resemble a real office proxy:
  * users are picked with a heavy head (Zipf exponent 1.08: with 500 users the
    top 10 make about half of the lines); each user mostly uses one client
    address, some a second one;
  * hosts are picked with a heavy head too (exponent 1.0) from a pool of
    --hosts names such as "cdn17.example-342.com";
  * about 10% are CONNECT tunnels ("CONNECT host:443"), about 3% are denied
    requests by the anonymous user "-" with small byte counts;
  * byte counts are log-normal (median about 9 KB, tail to tens of MB), and
    about one line in 200,000 is a download above 1 GiB.

Squid native lines are about 140 bytes long. The standard library only, so
that the benchmark runs on a bare machine.
"""

import argparse
import bisect
import itertools
import math
import random
import sys
import time

START_TIME = 1796112000  # 2026-12-01 08:00:00 UTC
MEAN_GAP_MS = 17         # about 5 million lines a day
BATCH_LINES = 50_000

USER_EXPONENT = 1.08
HOST_EXPONENT = 1.0

CONNECT_SHARE = 0.10
DENIED_SHARE = 0.03
HUGE_SHARE = 1 / 200_000
SECOND_ADDRESS_SHARE = 0.2  # lines of a two-address user sent from the second one

FIRST_NAMES = (
    "alice bob carol dave erin frank grace heidi ivan judy mallory nina oscar "
    "peggy quentin rupert sybil trent ursula victor walter xena yusuf zoe anna "
    "boris clara dmitri elena fabio greta hans irene jonas karin lars maria "
    "niko olga pavel quirin rosa stefan tanja uwe vera wim xaver yvonne zeno"
).split()
LAST_NAMES = (
    "meier schulz novak berg lund costa silva weber klein wolf brandt fischer "
    "jansen kowalski horvat dubois moreau rossi bianchi garcia"
).split()

HOST_PREFIXES = ("www", "cdn", "static", "api", "img", "media", "edge", "assets",
                 "login", "mail", "video", "dl", "update", "ads", "tracker")
HOST_WORDS = ("example", "news", "shop", "cloud", "social", "search", "video",
              "office", "maps", "travel", "bank", "games", "music", "sport")
TOP_LEVEL_DOMAINS = ("com", "com", "com", "net", "org", "de", "io", "co.uk")

CONTENT_KINDS = (
    # (weight, directory, extension, mime type)
    (30, "img", "png", "image/png"),
    (20, "img", "jpg", "image/jpeg"),
    (15, "static/js", "js", "application/javascript"),
    (10, "static/css", "css", "text/css"),
    (12, "", "html", "text/html"),
    (8, "api/v2", "json", "application/json"),
    (3, "video", "mp4", "video/mp4"),
    (2, "download", "zip", "application/zip"),
)
PATH_POOL_SIZE = 4096

# (weight, squid result code, http status, served from origin)
RESULTS = (
    (62, "TCP_MISS", 200, True),
    (14, "TCP_HIT", 200, False),
    (8, "TCP_MEM_HIT", 200, False),
    (7, "TCP_REFRESH_UNMODIFIED", 304, True),
    (4, "TCP_MISS", 304, True),
    (3, "TCP_MISS", 404, True),
    (2, "TCP_MISS", 302, True),
)

MONTHS = ("Jan", "Feb", "Mar", "Apr", "May", "Jun",
          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec")


def zipf_cumulative(count, exponent):
    """Cumulative weights of ranks 1..count under 1/rank^exponent."""
    return list(itertools.accumulate(1.0 / (rank ** exponent) for rank in range(1, count + 1)))


def user_name(index):
    first = FIRST_NAMES[index % len(FIRST_NAMES)]
    rest = index // len(FIRST_NAMES)
    if rest == 0:
        return first
    last = LAST_NAMES[rest % len(LAST_NAMES)]
    series = rest // len(LAST_NAMES)
    return f"{first}.{last}" if series == 0 else f"{first}.{last}{series}"


def client_address(index, second):
    """The index-th workstation address: 10.x.y.z, or 172.16-31.y.z for a second device."""
    low = index % 254 + 1
    middle = (index // 254) % 256
    high = (index // (254 * 256)) % 256
    if second:
        return f"172.{16 + high % 16}.{middle}.{low}"
    return f"10.{high}.{middle}.{low}"


def host_name(index, rng):
    prefix = rng.choice(HOST_PREFIXES)
    if rng.random() < 0.4:
        prefix += str(rng.randrange(1, 40))
    word = rng.choice(HOST_WORDS)
    return f"{prefix}.{word}-{index}.{rng.choice(TOP_LEVEL_DOMAINS)}"


def server_address(rng):
    return f"{rng.choice((93, 104, 142, 151, 172, 185, 199))}.{rng.randrange(256)}.{rng.randrange(256)}.{rng.randrange(1, 255)}"


def random_token(rng, length):
    return "".join(rng.choice("abcdefghijklmnopqrstuvwxyz0123456789") for _ in range(length))


def build_path_pool(rng):
    weights = [kind[0] for kind in CONTENT_KINDS]
    pool = []
    for _ in range(PATH_POOL_SIZE):
        _, directory, extension, mime = rng.choices(CONTENT_KINDS, weights)[0]
        name = random_token(rng, rng.randrange(4, 14))
        if extension == "html":
            path = f"/{random_token(rng, rng.randrange(3, 9))}/{name}.html"
        elif extension == "json":
            path = f"/{directory}/items?id={rng.randrange(100000)}&lang=en"
        else:
            path = f"/{directory}/{name}.{extension}"
        pool.append((path, mime))
    return pool


def log_normal_table(rng, median, spread, cap, size=1 << 16):
    """Values of a log-normal distribution, drawn once so the line loop needs one lookup."""
    return [min(int(median * math.exp(spread * rng.gauss(0.0, 1.0))), cap) for _ in range(size)]


def common_time(second):
    moment = time.gmtime(second)
    return (f"{moment.tm_mday:02d}/{MONTHS[moment.tm_mon - 1]}/{moment.tm_year}:"
            f"{moment.tm_hour:02d}:{moment.tm_min:02d}:{moment.tm_sec:02d} +0000")


def write_log(args, out):
    """Writes args.lines lines to the binary stream out; returns the byte count.

    Everything is drawn from one seeded stream in a fixed order, so the output
    depends on the arguments only. The line loop is kept flat with tables
    prepared up front: Python pays for every call and lookup there.
    """
    rng = random.Random(args.seed)
    squid = args.format == "squid"
    special = args.distinct_users or args.one_user_hosts
    # No anonymous user in the special cases: it would break "every line a new
    # user" and "one user".
    denied_share = 0.0 if special else DENIED_SHARE

    hosts = [host_name(index, rng) for index in range(args.hosts)]
    servers = [server_address(rng) for _ in range(args.hosts)]
    http_prefixes = [f"http://{host}" for host in hosts]
    tunnel_urls = [f"{host}:443" for host in hosts]
    paths = build_path_pool(rng)
    small_sizes = log_normal_table(rng, 9_000, 1.9, 80_000_000)
    large_sizes = log_normal_table(rng, 60_000, 1.9, 80_000_000)
    elapsed_times = [int(math.exp(rng.gauss(5.0, 1.3))) for _ in range(1 << 12)]
    host_cumulative = zipf_cumulative(args.hosts, HOST_EXPONENT)
    host_total = host_cumulative[-1]
    # Rank r of the heavy head is a shuffled index, so that the busiest hosts
    # are not simply the lowest numbers.
    host_by_rank = list(range(args.hosts))
    rng.shuffle(host_by_rank)
    host_by_rank.append(host_by_rank[-1])  # guards bisect's rare one-past-the-end
    result_cumulative = list(itertools.accumulate(result[0] for result in RESULTS))
    result_total = result_cumulative[-1]
    if special:
        user_count = 1
        user_cumulative = [1.0]
    else:
        user_count = args.users
        user_cumulative = zipf_cumulative(user_count, USER_EXPONENT)
    user_total = user_cumulative[-1]
    users = [user_name(index) for index in range(user_count)]
    first_addresses = [client_address(index, False) for index in range(user_count)]
    second_addresses = [client_address(index, rng.random() < 0.4) for index in range(user_count)]
    users.append(users[-1])
    first_addresses.append(first_addresses[-1])
    second_addresses.append(second_addresses[-1])

    random_ = rng.random
    randrange = rng.randrange
    pick = bisect.bisect
    time_ms = START_TIME * 1000
    cached_second = -1
    stamp = ""
    written = 0
    line = 0
    while line < args.lines:
        batch = []
        append = batch.append
        for line in range(line, min(line + BATCH_LINES, args.lines)):
            time_ms += int(random_() * 2 * MEAN_GAP_MS)
            elapsed = elapsed_times[int(random_() * 4096)]
            if args.one_user_hosts and line < args.hosts:
                host = host_by_rank[line]  # every host at least once
            else:
                host = host_by_rank[pick(host_cumulative, random_() * host_total)]
            if args.distinct_users:
                user = f"u{line:07d}"
                address = client_address(line, False)
            else:
                user_index = pick(user_cumulative, random_() * user_total)
                user = users[user_index]
                address = (second_addresses if random_() < SECOND_ADDRESS_SHARE else first_addresses)[user_index]
            kind = random_()
            if kind < denied_share:
                # Denied lines come from a real workstation's address, so the
                # anonymous user's address list stays as small as the user table.
                user = "-"
                result, status, method, hierarchy, mime = "TCP_DENIED", 403, "GET", "HIER_NONE/-", "text/html"
                elapsed %= 5
                size = 3500 + int(random_() * 800)
                url = http_prefixes[host] + paths[int(random_() * PATH_POOL_SIZE)][0]
            elif kind < denied_share + CONNECT_SHARE:
                result, status, method, mime = "TCP_TUNNEL", 200, "CONNECT", "-"
                hierarchy = "HIER_DIRECT/" + servers[host]
                elapsed *= 20
                size = large_sizes[int(random_() * 65536)]
                url = tunnel_urls[host]
            else:
                path, mime = paths[int(random_() * PATH_POOL_SIZE)]
                _, result, status, from_origin = RESULTS[pick(result_cumulative, random_() * result_total)]
                if status == 200:
                    sizes = large_sizes if mime in ("video/mp4", "application/zip") else small_sizes
                    size = sizes[int(random_() * 65536)]
                else:
                    size = 250 + int(random_() * 400)
                    mime = "-" if status == 304 else "text/html"
                method = "POST" if mime == "application/json" and random_() < 0.3 else "GET"
                hierarchy = "HIER_DIRECT/" + servers[host] if from_origin else "HIER_NONE/-"
                url = http_prefixes[host] + path
            if random_() < HUGE_SHARE and status == 200:
                size = randrange(1 << 30, 3 << 30)  # an ISO image or a backup
            if squid:
                # Squid writes "%9d.%03d %6d": the elapsed time is padded to six columns.
                append(f"{time_ms // 1000}.{time_ms % 1000:03d} {elapsed:6d} {address} {result}/{status:03d} "
                       f"{size} {method} {url} {user} {hierarchy} {mime}\n")
            else:
                second = time_ms // 1000
                if second != cached_second:
                    cached_second = second
                    stamp = common_time(second)
                append(f'{address} - {user} [{stamp}] "{method} {url} HTTP/1.1" '
                       f"{status} {size} {result}:{hierarchy.split('/')[0]}\n")
        line += 1
        text = "".join(batch)
        out.write(text.encode("ascii"))
        written += len(text)
    return written


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Write a synthetic Squid access log for benchmarks.")
    parser.add_argument("--format", choices=("squid", "common"), default="squid",
                        help="squid native log, or the common log format of emulate_httpd_log")
    parser.add_argument("--lines", type=int, default=1_000_000)
    parser.add_argument("--users", type=int, default=500)
    parser.add_argument("--hosts", type=int, default=50_000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--output", required=True, help="file to write ('-' for standard output)")
    parser.add_argument("--distinct-users", action="store_true",
                        help="every line by a new user (ignores --users)")
    parser.add_argument("--one-user-hosts", action="store_true",
                        help="a single user who visits every one of the --hosts hosts")
    parser.add_argument("--verbose", action="store_true", help="report size and speed on stderr")
    args = parser.parse_args(argv)
    if args.distinct_users and args.one_user_hosts:
        parser.error("--distinct-users and --one-user-hosts exclude each other")
    if args.lines < 0 or args.users < 1 or args.hosts < 1:
        parser.error("--lines must be 0 or more, --users and --hosts 1 or more")
    if args.one_user_hosts and args.lines < args.hosts:
        parser.error("--one-user-hosts needs --lines of at least --hosts, so that every host is visited")
    return args


def main(argv):
    args = parse_arguments(argv)
    started = time.perf_counter()
    try:
        if args.output == "-":
            written = write_log(args, sys.stdout.buffer)
        else:
            with open(args.output, "wb", buffering=1 << 20) as out:
                written = write_log(args, out)
    except OSError as error:
        print(f"generate_log: cannot write {args.output}: {error.strerror}; "
              "check the directory exists and has free space", file=sys.stderr)
        return 1
    if args.verbose:
        seconds = time.perf_counter() - started
        print(f"{args.output}: {args.lines} lines, {written} bytes "
              f"({written / max(args.lines, 1):.1f} bytes/line) in {seconds:.2f} s, "
              f"{args.lines / seconds:,.0f} lines/s", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
