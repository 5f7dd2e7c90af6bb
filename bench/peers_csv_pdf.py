#!/usr/bin/python3
# Runs the CSV export and the PDF of an image through our benchmarks and through the tools people
# use for the same jobs, on the same inputs, and prints each ratio (ours / peer; below 1 is faster).
#   CSV: table t of 100,000 rows (two texts, two integers, a real) exported by SaveAsCSV in process,
#        and by the sqlite3 shell's -csv (a whole process: the shell has no other form; for
#        reference also less the time the shell takes to start and answer one row).
#   PDF: the 2000 x 1000 image of bench/pdf.cpp written by BMtoPDF, and converted by img2pdf in
#        process, from a PNG (img2pdf copies its compressed rows) and, for reference, from the raw
#        pixels (a PPM, which img2pdf compresses itself).
# Times are the best of several runs on each side, so a busy machine disturbs both alike.
# Usage: /usr/bin/python3 bench/peers_csv_pdf.py [build folder, default build]
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
RUNS = 10


def best_of(job, runs=RUNS):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        job()
        best = min(best, time.perf_counter() - start)
    return best * 1000.0


def ours(binary, name, env=None):
    """Best real time in ms and the counters of one of our benchmarks."""
    path = os.path.join(BUILD, "bench", binary)
    out = subprocess.run([path, "--benchmark_filter=^" + name + "$", "--benchmark_repetitions=%d" % RUNS,
                          "--benchmark_format=json"], env=dict(os.environ, **(env or {})),
                         capture_output=True, text=True, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    if not runs or any(b.get("error_occurred") for b in runs):
        raise RuntimeError(name + " failed")
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[runs[0]["time_unit"]]
    return min(b["real_time"] for b in runs) * scale, runs[0]


def line(job, ours_ms, peer, peer_ms, aim):
    ratio = ours_ms / peer_ms
    print("%-44s ours %8.1f ms  %-24s %8.1f ms  ratio %5.2f  (aim <= %.1f) %s" %
          (job, ours_ms, peer, peer_ms, ratio, aim, "ok" if ratio <= aim else "OVER"))


def csv_export(work):
    if not shutil.which("sqlite3"):
        print("CSV: sqlite3 shell not installed (Debian package sqlite3), skipped")
        return
    db = os.path.join(work, "rows.db")
    subprocess.run(["sqlite3", db,
                    "CREATE TABLE t(a TEXT, b INTEGER, c DOUBLE, d TEXT, e INTEGER);"
                    "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99999) "
                    "INSERT INTO t SELECT 'place, \"' || i || '\"', i, i * 0.25, 'zone ' || (i % 24), i % 7 FROM n;"],
                   check=True)
    target = os.path.join(work, "shell.csv")

    def shell():
        with open(target, "wb") as f:
            subprocess.run(["sqlite3", "-csv", "-header", db, "SELECT * FROM t"], stdout=f, check=True)

    def started():
        subprocess.run(["sqlite3", "-csv", db, "SELECT 1"], stdout=subprocess.DEVNULL, check=True)

    peer_ms = best_of(shell)
    start_ms = best_of(started)
    ours_ms, _ = ours("bench_sqlite_rows", "BM_SaveAsCSV/100000", {"KESTROVA_BENCH_CSV_DB": db})
    line("CSV of 100,000 rows", ours_ms, "sqlite3 -csv (process)", peer_ms, 1.2)
    line("  (for reference, the shell's start-up off)", ours_ms, "sqlite3 -csv (export)", peer_ms - start_ms, 1.2)


def bench_image():
    """The image of bench/pdf.cpp as red, green, blue rows: (x ^ y, y, x) modulo 256."""
    rows = bytearray(2000 * 1000 * 3)
    xs = range(2000)
    for y in range(1000):
        row = bytearray(6000)
        row[0::3] = bytes((x ^ y) & 255 for x in xs)
        row[1::3] = bytes([y & 255]) * 2000
        row[2::3] = bytes(x & 255 for x in xs)
        rows[y * 6000:(y + 1) * 6000] = row
    return bytes(rows)


def pdf_of_image():
    try:
        import img2pdf
        from PIL import Image
    except ImportError:
        print("PDF: img2pdf or PIL not installed (Debian packages python3-img2pdf, python3-pil), skipped")
        return
    image = Image.frombytes("RGB", (2000, 1000), bench_image())
    png = io.BytesIO()
    image.save(png, format="PNG")
    png = png.getvalue()
    ppm = b"P6 2000 1000 255\n" + image.tobytes()
    peer_pdf = img2pdf.convert(png)
    peer_ms = best_of(lambda: img2pdf.convert(png))
    raw_ms = best_of(lambda: img2pdf.convert(ppm), 3)
    ours_ms, run = ours("bench_pdf", "BMtoPDF_2000x1000")
    line("PDF of a 2000 x 1000 image", ours_ms, "img2pdf from PNG", peer_ms, 2.0)
    line("  (for reference, from raw pixels)", ours_ms, "img2pdf from PPM", raw_ms, 2.0)
    size = run["bytes"]
    print("%-44s ours %8d B   %-24s %8d B   ratio %5.2f  (aim <= 1.5) %s" %
          ("PDF file size", size, "img2pdf", len(peer_pdf), size / len(peer_pdf),
           "ok" if size / len(peer_pdf) <= 1.5 else "OVER"))


def main():
    with tempfile.TemporaryDirectory(prefix="kestrova-peers-") as work:
        csv_export(work)
        pdf_of_image()


if __name__ == "__main__":
    main()
