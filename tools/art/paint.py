"""Shared drawing helpers: the sizes the game fixes (read by game_facts),
colour arithmetic, palette reduction, distances to shapes and supersampled painting."""

import math

from art.game_facts import BOARD_PX, BOARD_X, BOARD_Y, SCREEN_H, SCREEN_W, TILE  # noqa: F401
LIGHT = (-0.55, -0.83)  # direction towards the light: upper left


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(v + 0.5)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def shade(c, k):
    """k < 1 darkens towards black, k > 1 lightens towards white."""
    if k >= 1.0:
        return tuple(v + (255.0 - v) * min(k - 1.0, 1.0) for v in c)
    return tuple(v * max(k, 0.0) for v in c)


def hsv(h, s, v):
    h = (h % 1.0) * 6.0
    i = int(h)
    f = h - i
    p, q, t = v * (1 - s), v * (1 - s * f), v * (1 - s * (1 - f))
    r, g, b = [(v, t, p), (q, v, p), (p, v, t),
               (p, q, v), (t, p, v), (v, p, q)][i % 6]
    return (r * 255.0, g * 255.0, b * 255.0)


def spans(box):
    """Extent of a median-cut box of (rgb, count) pairs along r, g and b."""
    return [max(c[0][a] for c in box) - min(c[0][a] for c in box)
            for a in range(3)]


def median_cut(counts, n):
    """Reduce a {rgb: count} histogram to at most n colours, deterministically."""
    boxes = [sorted(counts.items())]
    while len(boxes) < n:
        best, best_score = None, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            score = max(spans(box)) ** 2 * sum(c[1] for c in box)
            if score > best_score:
                best, best_score = i, score
        if best is None:
            break
        box = boxes.pop(best)
        ranges = spans(box)
        axis = ranges.index(max(ranges))
        box.sort(key=lambda c: (c[0][axis], c[0]))
        total = sum(c[1] for c in box)
        acc, cut = 0, 1
        for j, c in enumerate(box):
            acc += c[1]
            if acc * 2 >= total:
                cut = j + 1
                break
        cut = min(max(cut, 1), len(box) - 1)
        boxes.append(box[:cut])
        boxes.append(box[cut:])
    result = []
    for box in boxes:
        total = sum(c[1] for c in box)
        result.append(tuple(clamp8(sum(c[0][a] * c[1] for c in box) / total)
                            for a in range(3)))
    return sorted(set(result))


def quantise(rgb_pixels, fixed, free_slots, keep_out=()):
    """Map float RGB pixels to palette indices.

    fixed:      palette entries that come first (index 0 upwards).
    free_slots: how many more entries the image may use.
    keep_out:   indices of `fixed` that no pixel may be mapped to.
    Returns (palette, indices).
    """
    ints = [tuple(clamp8(v) for v in p) for p in rgb_pixels]
    counts = {}
    for p in ints:
        counts[p] = counts.get(p, 0) + 1
    if len(counts) <= free_slots:
        extra = sorted(counts)
    else:
        extra = median_cut(counts, free_slots)
    palette = list(fixed) + [c for c in extra]
    usable = [i for i in range(len(palette)) if i not in keep_out]
    cache = {}
    out = []
    for p in ints:
        idx = cache.get(p)
        if idx is None:
            best, best_d = None, None
            for i in usable:
                q = palette[i]
                d = ((p[0] - q[0]) * 30) ** 2 + ((p[1] - q[1]) * 59) ** 2 \
                    + ((p[2] - q[2]) * 11) ** 2
                if best_d is None or d < best_d:
                    best, best_d = i, d
            cache[p] = idx = best
        out.append(idx)
    return palette, out


def seg_nearest(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return ax + dx * t, ay + dy * t


def inside_polygon(px, py, pts):
    inside = False
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        if (ay > py) != (by > py):
            xc = ax + (py - ay) * (bx - ax) / (by - ay)
            if px < xc:
                inside = not inside
    return inside


def polygon_depth(px, py, pts):
    """Distance into the polygon (negative outside) and the outward normal
    of the nearest boundary point."""
    best_d, best_q = None, None
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        qx, qy = seg_nearest(px, py, ax, ay, bx, by)
        d = math.hypot(px - qx, py - qy)
        if best_d is None or d < best_d:
            best_d, best_q = d, (qx, qy)
    inside = inside_polygon(px, py, pts)
    qx, qy = best_q
    if best_d < 1e-9:
        nx, ny = 0.0, -1.0
    elif inside:
        nx, ny = (qx - px) / best_d, (qy - py) / best_d
    else:
        nx, ny = (px - qx) / best_d, (py - qy) / best_d
    return (best_d if inside else -best_d), nx, ny


def seg_dist(px, py, ax, ay, bx, by):
    qx, qy = seg_nearest(px, py, ax, ay, bx, by)
    return math.hypot(px - qx, py - qy)


def render(width, height, colour_at, samples=4):
    """Evaluate colour_at(x, y) on a samples x samples grid inside every
    pixel and average: gives anti-aliased edges for shapes described as
    functions.  Returns a list of float RGB tuples, top row first."""
    out = []
    step = 1.0 / samples
    offs = [(i + 0.5) * step for i in range(samples)]
    area = float(samples * samples)
    for y in range(height):
        for x in range(width):
            r = g = b = 0.0
            for oy in offs:
                for ox in offs:
                    c = colour_at(x + ox, y + oy)
                    r += c[0]
                    g += c[1]
                    b += c[2]
            out.append((r / area, g / area, b / area))
    return out


def ihash(x, y, seed=0):
    """Small integer hash in 0..255 (deterministic texture noise)."""
    h = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) & 0xFF
