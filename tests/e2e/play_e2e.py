#!/usr/bin/python3
"""Plays Tessalorium as a player would: the title screen, a whole game with NEW GAME and UNDO,
the name entry, the close box and a restart that shows the saved score.

    play_e2e.py --game PATH --gfx DIR --scale N --shots DIR

The real binary runs on a private Xvfb in a scratch folder; xdotool moves the real mouse and
keyboard; ImageMagick's import reads the window back. Cells are compared with the tiles of
pieces.bmp, texts with the glyphs of c18font.bmp drawn in their exact colours. Every wait polls
screenshots up to a limit; a failure says what was awaited, and last.png in --shots is what showed.
"""
import io, os, random, shutil, signal, subprocess, sys, tempfile, time  # noqa: E401

from PIL import Image

MAGENTA, GREEN, BLUE = (255, 0, 255), (136, 255, 119), (0, 153, 255)
YELLOW, WHITE = (255, 238, 119), (255, 255, 255)
WILD, FIXED, EMPTY, NAME, NOBODY = 4, 5, 7, "Tess42", "%5d %6s" % (0, "Nobody")
NEUTRAL, NEW_GAME, UNDO, CLOSE_BOX = (100, 30), (143, 245), (37, 245), (198, 6)
OPT = dict(zip(sys.argv[1::2], sys.argv[2::2]))
GFX, S, SHOTS = os.path.abspath(OPT["--gfx"]), int(OPT.get("--scale", 1)), OPT.get("--shots", "e2e-shots")

SHEET = Image.open(os.path.join(GFX, "pieces.bmp"))
TILE = [SHEET.convert("RGB").crop((16 * i, 0, 16 * i + 16, 16)) for i in range(9)]
# The new-piece marker, tile 8, lets the piece show through its pixels of palette index 2.
MARKER = SHEET.crop((128, 0, 144, 16)).point(lambda i: 255 * (i != 2), "1")
TILES = {t.tobytes(): code for code, t in enumerate(TILE[:8])}  # a cell's picture -> code (+ 8 if marked)
TILES.update({Image.composite(TILE[8], t, MARKER).tobytes(): code + 8 for code, t in enumerate(TILE[:8])})
FONT = Image.open(os.path.join(GFX, "c18font.bmp")).load()
GLYPHS = {chr(c): {(x, y + drop) for x in range(11) for y in range(18)
                   if FONT[11 * (c - ord(a)) + x, 18 * row + y] == 1}  # ink pixels, dropped to the line
          for row, (a, z, drop) in enumerate((("!", "@", 2), ("A", "Z", 1), ("a", "z", 0)))
          for c in range(ord(a), ord(z) + 1)}


def xdo(*args):
    return subprocess.check_output(["xdotool", *map(str, args)], env=ENV, text=True, timeout=60)


def at(x, y):  # the pointer onto a window pixel, in the middle of its scaled block
    return ["mousemove", "--window", WINDOW, S * x + S // 2, S * y + S // 2]


def start():
    global GAME, WINDOW
    GAME = subprocess.Popen(os.path.abspath(OPT["--game"]), cwd=WORK, env=ENV)
    WINDOW = xdo("search", "--sync", "--onlyvisible", "--pid", GAME.pid).split()[-1]


def wait_for(what, condition, shot="last.png"):
    """The first true condition(picture) of the window as the game drew it, 206 x 274, among the
    next 2000 screenshots (a minute and more); the picture is kept as shot. A scaled window is
    averaged block by block, so a blurred enlargement shows no exact colour."""
    global FULL, IMAGE
    for tries in range(2000, 0, -1):
        assert GAME.poll() is None, "the game exited while waiting for " + what
        window = ["import", "-window", WINDOW, "-depth", "8", "ppm:-"]
        FULL = Image.open(io.BytesIO(subprocess.check_output(window, env=ENV)))
        found = FULL.size == (206 * S, 274 * S) and condition(IMAGE := FULL.reduce(S))
        if found or tries == 1:
            FULL.save(os.path.join(SHOTS, shot if found else "last.png"))
            assert found, "no %s in 2000 screenshots (the last: last.png)" % what
            return found
        time.sleep(0.02)


def shows(image, text, x, y, colour):
    """Every pixel of the text as the game draws it: glyph by glyph, a black outline, then the ink."""
    pixels = {}
    for i, c in enumerate(text):
        ink = [(x + 11 * i + dx, y + dy) for dx, dy in GLYPHS.get(c, ())]
        pixels.update({(a + dx, b + dy): (0, 0, 0) for a, b in ink for dx in (-1, 0, 1) for dy in (-1, 0, 1)})
        pixels.update(dict.fromkeys(ink, colour))
    return all(image.getpixel(p) == c for p, c in pixels.items())


def number(image, x, width):
    """The magenta HUD number printed "%<width>u" at x."""
    return int("".join(next(d for d in "0123456789 " if shows(image, d, x + 11 * i, 26, MAGENTA))
                       for i in range(width)))


def settle(what, condition, actions, shot="last.png"):
    """Does the actions, then hovers over NEW GAME: the play loop turns it white only once it has
    handled all input before, animations and banners included. Game over, which shows no hover,
    gives its picture instead."""
    xdo(*actions, *at(*NEUTRAL), *at(*NEW_GAME))
    return wait_for(what, lambda image: condition(image) if shows(image, "NEW GAME", 100, 237, WHITE) else
                    shows(image, "Game Over", 53, 70, MAGENTA) and shows(image, "Turn Bonus", 48, 90, GREEN)
                    and image, shot)


def cells(image):
    """The code of every cell, row by row, or None where the cell shows something else."""
    return [TILES.get(image.crop((x, y, x + 16, y + 16)).tobytes()) for y in range(57, 217, 16)
            for x in range(23, 183, 16)]


def view(image, turn):
    """(board, score) of the play screen at this turn, every cell a tile; else None."""
    board = cells(image)
    return None not in board and number(image, 16, 4) == turn and (board, number(image, 132, 5))


def new_game(what, click, shot="last.png"):
    board, score = settle(what, lambda image: view(image, 0), [*at(*click), "click", 1], shot)
    assert score == 0 and sum(c % 8 != EMPTY for c in board) == 8 and sum(c > EMPTY for c in board) == 4 \
        and shows(IMAGE, "Score", 132, 10, BLUE) and shows(IMAGE, "Turn", 16, 10, GREEN) \
        and not shows(IMAGE, "UNDO", 16, 237, YELLOW), "%s: wrong pieces, score, labels or UNDO" % what
    return board, 0, score


def title(what, rows, shot):
    wait_for(what, lambda image: shows(image, "< Tessalorium >", 21, 57, MAGENTA)
             and shows(image, "Highscores:", 43, 93, BLUE) and shows(image, "NEW GAME", 100, 237, YELLOW)
             and all(shows(image, row, 37, 111 + 18 * i, GREEN) for i, row in enumerate(rows)), shot)


def group(board, i, kinds):
    """The size of the group of cells joined edge to edge to cell i whose codes are in kinds."""
    members = [i]
    for j in members:
        members += [k for k in (j - 10, j + 10, j - 1 if j % 10 else -1, j + 1 if j % 10 < 9 else -1)
                    if 0 <= k < 100 and k not in members and board[k] in kinds]
    return len(members)


def choose(board, done):
    """A legal move, whether it surely removes a group of its own kind, and the board after it.
    Until such a move was made, the move grows a group of its kind most; then it joins the fewest
    pieces, so that the board fills up."""
    codes, moves = [c % 8 for c in board], []
    for s, t in ((s, s + dx + 10 * dy) for s in range(100) for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                 if 0 <= s % 10 + dx < 10 and 0 <= s + dx + 10 * dy < 100):
        if codes[s] not in (FIXED, EMPTY) and codes[t] == EMPTY:
            after = [EMPTY if k == s else codes[s] if k == t else c for k, c in enumerate(codes)]
            own = group(after, t, {codes[s]} - {WILD})  # stars alone never form a group
            size = group(after, t, {codes[s], WILD}) if done else -own
            moves.append((size, random.random(), (s, t), own >= 4, after))
    return min(moves)[2:] if moves else (None, False, None)


def play():
    start()
    title("title screen with an empty table", [NOBODY] * 5, "title.png")
    board, turn, score = new_game("first game", NEUTRAL, "play.png")
    games, undo_left, grouped = 1, True, False
    while True:
        move, sure, expected = choose(board, grouped)
        grouped |= sure
        # NEW GAME once the first game has points (or 16 turns), and whenever stuck
        if not move or games == 1 and (score > 0 or turn > 15):
            assert games < 6, "five games without a legal move"
            (board, turn, score), games, undo_left = new_game("NEW GAME", NEW_GAME), games + 1, True
            continue
        what = "turn %d after dragging cell %d to %d" % (turn + 1, *move)
        src, dst = (at(31 + 16 * (i % 10), 65 + 16 * (i // 10)) for i in move)
        after = settle(what, lambda image: view(image, turn + 1), [*src, "mousedown", 1, *dst, "mouseup", 1])
        if isinstance(after, Image.Image):
            break
        assert after[1] >= score + 10 * sure, "%s: score down, or a sure group did not score" % what
        # Without a removal the move shows as made, plus four new pieces under markers and no other marker.
        assert after[1] > score or sum(c > EMPTY for c in after[0]) == 4 and \
            [EMPTY if c > EMPTY else c for c in after[0]] == expected, "%s: not just the move" % what
        left = [c % 8 for c in after[0]]
        assert all(group(left, i, {c, WILD}) < 4 for i, c in enumerate(left) if c not in (WILD, EMPTY)), \
            "%s: four or more joined pieces stay" % what
        # Later, UNDO takes back the first move that scores, or a late one; its second click does nothing.
        if games > 1 and undo_left and (after[1] > score or left.count(EMPTY) < 20):
            twice = [*at(*UNDO), "click", 1, "click", 1]
            undo = settle("turn %d after UNDO twice" % turn, lambda image: view(image, turn), twice)
            assert undo == ([c % 8 for c in board], score) and not shows(IMAGE, "UNDO", 16, 237, YELLOW), \
                "UNDO did not bring back turn %d without markers, or is still shown" % turn
            undo_left = False
        else:
            (board, score), turn = after, turn + 1
    FULL.save(os.path.join(SHOTS, "game-over.png"))
    score, turns = number(after, 132, 5), number(after, 16, 4)
    assert turns == turn + 1 and shows(after, str(turns), (206 - 11 * len(str(turns))) // 2, 110, BLUE) \
        and EMPTY not in [c % 8 for c in cells(after) if c is not None], \
        "game over: not turn %d in the HUD and as the blue turn bonus, or an empty cell shows" % (turn + 1)
    xdo("type", "--delay", 50, NAME)  # keys typed during the game-over pause wait for the name entry
    wait_for("name %s typed" % NAME, lambda image: shows(image, "Enter your name", 21, 70, BLUE) and shows(
        image, NAME, 21, 110, WHITE) and shows(image, "And press ENTER", 21, 150, GREEN), "name-entry.png")
    xdo("key", "Return")
    rows = ["%5d %6s" % (score + turns, NAME)] + [NOBODY] * 4
    title("title screen listing " + rows[0], rows, "title-scores.png")
    saved = "\n".join(["5", NAME, str(score + turns)] + ["Nobody", "0"] * 4) + "\n"
    assert open(os.path.join(WORK, "hiscores.dat")).read() == saved, "hiscores.dat is not " + repr(saved)
    # Clicked on the title, the close box starts a game whose play loop then takes the release.
    xdo(*at(*CLOSE_BOX), "click", 1, *at(*NEUTRAL))  # the loop ends on the event after the click
    assert GAME.wait(30) == 0, "the close box did not end the game with code 0"
    start()
    title("restarted title screen listing " + rows[0], rows, "restart-title.png")


signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))  # cleans up as any failure
os.makedirs(SHOTS, exist_ok=True)
WORK, GAME, XVFB = tempfile.mkdtemp(), None, None
os.symlink(GFX, os.path.join(WORK, "gfx"))
try:
    XVFB = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    ENV = dict(os.environ, DISPLAY=":" + XVFB.stdout.readline().decode().strip(), SDL_VIDEODRIVER="x11",
               SDL12COMPAT_WINDOW_SCALING=str(S), SDL12COMPAT_SCALE_METHOD="nearest")
    play()
finally:
    for process in filter(None, (GAME, XVFB)):
        process.kill()
    shutil.rmtree(WORK, ignore_errors=True)
print("PASS at scale %d" % S)
