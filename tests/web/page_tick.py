#!/usr/bin/python3
"""Usage: page_tick.py --page PAGE_DIR [--particles N] [--ticks T] [--rounds R]

Times the page's tick (the player's tick and the picture drawn on the canvas) in headless Chromium: the
default scene's rules holding about N particles (10^5 unless told), T ticks a round after a warm-up,
R rounds; prints each round's mean and median and the best median. A measurement, not a test."""
import argparse
import sys
import tempfile

sys.dont_write_bytecode = True
from e2e_page import browser, free_port, server, state, wait


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True, help="the built page's folder")
    parser.add_argument("--particles", type=int, default=100000)
    parser.add_argument("--ticks", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    port = free_port()
    with server(args.page, port), tempfile.TemporaryDirectory() as downloads:
        driver = browser(downloads)
        try:
            driver.set_script_timeout(600)
            driver.get(f"http://127.0.0.1:{port}/")
            wait("the player", lambda: state(driver))
            medians = []
            for _ in range(args.rounds):
                r = driver.execute_script("return window.mirrimPage.benchmark(arguments[0], arguments[1])",
                                          args.particles, args.ticks)
                medians.append(r["median"])
                print(f"{r['fewest']} to {r['most']} particles: {r['msPerTick']:.2f} ms a tick on average, "
                      f"{r['median']:.2f} ms median, over {args.ticks} ticks")
            print(f"best median: {min(medians):.2f} ms a tick")
        finally:
            driver.quit()
    return 0


if __name__ == "__main__":
    sys.exit(main())
