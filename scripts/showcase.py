#!/usr/bin/env python3
# Turns the JSON of a default memory (kdsp preset export) into one with EQ
# settings worth looking at, for the screenshots: stdin to stdout. With --after, a
# few settings more are changed, as a second set to compare with (A/B, diff view).
import json
import sys

image = json.load(sys.stdin)
pages = image["pages"]


def gains(page, first_type_slot, values):
    # Band b of an EQ page: type, frequency, gain, Q, shelf Q from first + 5 b.
    for b, g in enumerate(values):
        pages[page][first_type_slot + 5 * b + 2] = g


gains(0, 4, [150, 140, 120, 105, 95, 100, 115, 135, 150, 140])  # music "smile"
gains(1, 6, [120, 120, 95, 120, 120, 120, 120, 145, 120, 120, 120, 120, 80])  # microphone
gains(4, 16, [100, 140, 120, 150, 90])  # echo EQ
gains(6, 34, [135, 120, 100, 120, 140, 110, 120])  # main output
pages[6][17] = 40  # main high-pass on
pages[6][20] = 330  # main low-pass below the top
if "--after" in sys.argv[1:]:
    gains(0, 4, [150, 140, 130, 110, 95, 100, 115, 135, 150, 140])  # music bands 3 and 4
    pages[6][17] = 60  # main high-pass higher
    pages[10][9] = 20  # microphone maximum volume
json.dump(image, sys.stdout)
