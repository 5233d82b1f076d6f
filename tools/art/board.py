"""The window background: board frame, HUD wells, emblem, close box and
button plates, drawn opaque (no reserved palette indices)."""

import math

from art.paint import (BOARD_PX, BOARD_X, BOARD_Y, SCREEN_H, SCREEN_W, TILE,
                       mix, quantise, render, seg_dist, shade)
from art.game_facts import BUTTONS
from art.pieces import slot_colour

HUD_WELLS = [(12, 6, 63, 47), (128, 6, 190, 47)]       # x0, y0, x1, y1 inclusive
# Each button's plate is its click area ringed by a one-pixel dark rim: the
# bevelled face is exactly what a click hits.
PLATES = [(x - 1, y - 1, x + w, y + h) for x, y, w, h in BUTTONS]
CLOSE_BOX = (192, 1, 204, 13)
BOARD_FRAME = 4


def in_rect(px, py, r):
    return r[0] <= px <= r[2] and r[1] <= py <= r[3]


def rect_ring(px, py, r):
    """Distance in whole pixels from the rectangle's outer edge (0 = edge),
    or -1 when outside."""
    if not in_rect(px, py, r):
        return -1
    return min(px - r[0], py - r[1], r[2] - px, r[3] - py)


def emblem_colour(x, y):
    """Small mosaic of four rhombi between the HUD wells, or None."""
    cx, cy = 95.5, 26.5
    u, v = x - cx, y - cy
    if abs(u) + abs(v) > 14.5:
        return None
    hues = [(214, 36, 48), (44, 176, 70), (48, 108, 232), (236, 190, 30)]
    quad = (0 if u < 0 else 1) + (0 if v < 0 else 2)
    base = mix(hues[quad], (64, 72, 100), 0.62)
    edge = 14.5 - (abs(u) + abs(v))
    seam = min(abs(u), abs(v))
    if edge < 1.0 or seam < 0.7:
        return (18, 20, 32)
    lam = (-0.6 * (1 if u > 0 else -1) - 0.8 * (1 if v > 0 else -1))
    k = 1.0 + 0.18 * lam if edge < 3.0 else 1.0
    return shade(base, k)


def background_colour(x, y):
    px, py = int(x), int(y)
    W, H = SCREEN_W, SCREEN_H

    # window edge: dark line, then a lit top/left and shaded bottom/right lip
    if px == 0 or py == 0 or px == W - 1 or py == H - 1:
        return (6, 7, 12)
    if px == 1 or py == 1:
        return (96, 108, 146)
    if px == W - 2 or py == H - 2:
        return (34, 38, 58)

    # close box
    if in_rect(px, py, CLOSE_BOX):
        ring = rect_ring(px, py, CLOSE_BOX)
        if ring == 0:
            return (16, 6, 8)
        cx = (CLOSE_BOX[0] + CLOSE_BOX[2] + 1) / 2.0
        cy = (CLOSE_BOX[1] + CLOSE_BOX[3] + 1) / 2.0
        d = min(seg_dist(x, y, cx - 3.2, cy - 3.2, cx + 3.2, cy + 3.2),
                seg_dist(x, y, cx + 3.2, cy - 3.2, cx - 3.2, cy + 3.2))
        if d < 1.0:
            return (255, 238, 232)
        if d < 1.7:
            return (70, 10, 16)
        if ring == 1:
            lit = px - CLOSE_BOX[0] == 1 or py - CLOSE_BOX[1] == 1
            return (238, 120, 120) if lit else (110, 24, 32)
        return shade((186, 44, 52), 1.08 - 0.16 * (py - CLOSE_BOX[1]) / 12.0)

    # the board and its frame
    bx0, by0 = BOARD_X, BOARD_Y
    bx1, by1 = BOARD_X + BOARD_PX - 1, BOARD_Y + BOARD_PX - 1
    if bx0 <= px <= bx1 and by0 <= py <= by1:
        return slot_colour((px - bx0) % TILE + 0.5, (py - by0) % TILE + 0.5)
    frame = (bx0 - BOARD_FRAME, by0 - BOARD_FRAME,
             bx1 + BOARD_FRAME, by1 + BOARD_FRAME)
    ring = rect_ring(px, py, frame)
    if ring >= 0:
        if ring == 0:
            return (8, 9, 16)
        if ring == BOARD_FRAME - 1:
            return (10, 12, 20)
        top_left = (py - frame[1] <= ring) or (px - frame[0] <= ring)
        if ring == 1:
            return (150, 160, 196) if top_left else (58, 64, 92)
        return (110, 120, 156) if top_left else (76, 84, 116)

    # HUD wells: recessed dark panels
    for r in HUD_WELLS:
        ring = rect_ring(px, py, r)
        if ring < 0:
            continue
        if ring == 0:
            on_top_left = px == r[0] or py == r[1]
            return (10, 11, 20) if on_top_left else (112, 124, 160)
        if ring == 1 and (px == r[0] + 1 or py == r[1] + 1):
            return (18, 20, 32)
        t = (py - r[1]) / float(r[3] - r[1])
        return mix((24, 28, 44), (32, 38, 58), t)

    # button plates: raised, mid-dark
    for r in PLATES:
        ring = rect_ring(px, py, r)
        if ring < 0:
            continue
        if ring == 0:
            return (8, 9, 16)
        if ring == 1:
            lit = px == r[0] + 1 or py == r[1] + 1
            return (140, 150, 190) if lit else (36, 40, 62)
        t = (py - r[1]) / float(r[3] - r[1])
        return mix((84, 94, 130), (56, 62, 92), t)

    e = emblem_colour(x, y)
    if e is not None:
        return e

    # drop shadows of the frame, the plates and the wells' rims
    shadow = 1.0
    if in_rect(px - 2, py - 2, frame) and not in_rect(px, py, frame):
        shadow = 0.6
    for r in PLATES:
        if in_rect(px - 1, py - 1, r) and not in_rect(px, py, r):
            shadow = 0.6
    if in_rect(px - 1, py - 1, CLOSE_BOX):
        shadow = 0.6

    # calm vertical gradient with a faint rhombus lattice near the edges
    t = py / float(H - 1)
    base = mix((44, 52, 84), (24, 28, 50), t)
    u = (x + 2 * y) / 14.0
    v = (x - 2 * y) / 14.0
    du = abs(u - math.floor(u + 0.5))
    dv = abs(v - math.floor(v + 0.5))
    line = max(0.0, 1.0 - min(du, dv) * 14.0 / 1.2)
    # fade the lattice out towards the middle of the window
    ex = min(px, W - 1 - px) / 30.0
    ey = min(py, H - 1 - py) / 40.0
    strength = max(0.0, 1.0 - min(ex, ey))
    k = 1.0 + 0.10 * line * (0.35 + 0.65 * strength)
    return shade(shade(base, k), shadow)


def make_background():
    rgb = render(SCREEN_W, SCREEN_H, background_colour, samples=2)
    palette, pix = quantise(rgb, [], 256)
    return palette, pix
