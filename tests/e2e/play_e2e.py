#!/usr/bin/python3
"""Plays Tessalorium from start to finish on a private X server, as a player.

    /usr/bin/python3 tests/e2e/play_e2e.py --game PATH --gfx DIR [--scale N] [--shots DIR] [--seed N]

Starts the real binary in a scratch folder, reads the board from screenshots
and plays with the mouse: NEW GAME and UNDO once each, one move that surely
makes a group, then on to the game-over screen; types a name, checks the
title screen and hiscores.dat, closes the window with the close box and
starts the game again to see the score. With --scale 2 sdl12-compat scales
the window and every screen coordinate doubles. Every wait is for a picture,
bounded; a failure names what was awaited and keeps the last screenshot.
"""

import argparse
import collections
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# The helpers beside this script; no bytecode caches in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image  # noqa: E402

from screen_model import (BLUE, BOARD_H, BOARD_W, CELL_EMPTY, CELL_FIXED, CELL_WILD,  # noqa: E402
                          GREEN, MAGENTA, PIECE_KINDS, SCREEN_H, SCREEN_W, WHITE, YELLOW,
                          Font, Tiles, centred_x)
from xsession import XServer, die_with_parent  # noqa: E402

NAME = "Tess42"
MOVABLE = set(range(PIECE_KINDS)) - {CELL_FIXED}
GROUP_MIN = 4
DEFAULT_ROW = "%5d %6s" % (0, "Nobody")

# A picture counts as settled when it has not changed for this long: the
# removal animation changes it every 5 ms, so only a finished turn (or a
# banner, whose text hides cells and so never passes for a board) stays.
SETTLE_S = 0.25
POLL_S = 0.01
GAME_LIMIT_S = 400  # the game is killed after this, whatever happens

# Logical window positions.
NEUTRAL = (100, 30)  # over the logo: no cell, no button
CLOSE_BOX = (198, 6)
NEW_GAME = (143, 245)
UNDO = (37, 245)


class Failure(Exception):
    pass


def log(message):
    print(message, flush=True)


def cell_centre(column, row):
    """The game maps 162 pixels onto 10 cells: its cells are 16.2 pixels wide."""
    return 23 + 162 * column // 10 + 8, 57 + 162 * row // 10 + 8


def around(x, y):
    """The orthogonal neighbours on the board."""
    return [(nx, ny) for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1))
            if 0 <= nx < BOARD_W and 0 <= ny < BOARD_H]


def group_size(grid, column, row, kind, with_wild):
    """Cells orthogonally joined to (column, row) holding `kind` (or a
    wildcard, when asked)."""
    seen = {(column, row)}
    todo = [(column, row)]
    while todo:
        for nx, ny in around(*todo.pop()):
            code = grid[ny][nx]
            if (nx, ny) not in seen and (code == kind or (with_wild and code == CELL_WILD)):
                seen.add((nx, ny))
                todo.append((nx, ny))
    return len(seen)


def legal_moves(grid):
    for row in range(BOARD_H):
        for column in range(BOARD_W):
            if grid[row][column] in MOVABLE:
                for x, y in ((column + dx, row + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    if 0 <= x < BOARD_W and 0 <= y < BOARD_H and grid[y][x] == CELL_EMPTY:
                        yield (column, row), (x, y)


def group_sizes(grid, source, target):
    """After the move: the moved piece's group of its own kind alone (0 for
    a wildcard), and the largest group it joins counting wildcards in."""
    grid = [line[:] for line in grid]
    (sx, sy), (tx, ty) = source, target
    grid[ty][tx], grid[sy][sx] = grid[sy][sx], CELL_EMPTY
    kind = grid[ty][tx]
    if kind != CELL_WILD:
        return group_size(grid, tx, ty, kind, False), group_size(grid, tx, ty, kind, True)
    kinds = {grid[y][x] for x, y in around(tx, ty)} - {CELL_WILD, CELL_EMPTY}
    return 0, max([group_size(grid, tx, ty, k, True) for k in kinds] or [1])


class PlayView(collections.namedtuple("PlayView", "board score turns undo_shown")):
    @property
    def codes(self):
        return [[code for code, _ in line] for line in self.board]

    @property
    def empty(self):
        return sum(code == CELL_EMPTY for line in self.codes for code in line)


class Player:
    def __init__(self, args, xserver, workdir):
        self.args = args
        self.x = xserver
        self.workdir = workdir
        self.scale = args.scale
        self.tiles = Tiles(os.path.join(args.gfx, "pieces.bmp"))
        self.font = Font(os.path.join(args.gfx, "c18font.bmp"))
        self.game = None
        self.last_full = None
        self.group_made = False  # one move that surely completes a group
        self.undo_left = True
        self.starts = 0

    # --- the game process -------------------------------------------------

    def start_game(self):
        env = self.x.env()
        env.update(SDL_VIDEODRIVER="x11", SDL_NO_SIGNAL_HANDLERS="1")
        if self.scale != 1:
            env.update(SDL12COMPAT_WINDOW_SCALING=str(self.scale), SDL12COMPAT_SCALE_METHOD="nearest")
        self.starts += 1
        with open(os.path.join(self.args.shots, "game-%d.log" % self.starts), "wb") as output:
            # timeout makes itself a process group leader, so killing the
            # group ends the game with it.
            self.game = subprocess.Popen(["timeout", "-s", "KILL", str(GAME_LIMIT_S), self.args.game],
                                         cwd=self.workdir, env=env, stdout=output,
                                         stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        # Wait for exactly one visible window of the expected size (a window
        # may be mapped before it gets its final size).
        expected = SCREEN_W * self.scale, SCREEN_H * self.scale
        seen = "no window"
        deadline = time.monotonic() + 30
        while True:
            self.check_alive("its window")
            ids = self.x.xdotool("search", "--onlyvisible", "--class", "tessalorium",
                                 check=False).split()
            if len(ids) > 1:
                raise Failure("more than one game window: %s" % ids)
            if len(ids) == 1:
                window = ids[0]
                shell = self.x.xdotool("getwindowgeometry", "--shell", window)
                geometry = dict(line.split("=", 1) for line in shell.split())
                self.origin = int(geometry["X"]), int(geometry["Y"])
                size = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
                if size == expected:
                    break
                seen = "a window of %dx%d" % size
            if time.monotonic() > deadline:
                raise Failure("no %dx%d game window within 30s; saw %s" % (expected + (seen,)))
            time.sleep(0.05)
        if min(self.origin) < 0 or self.origin[0] + size[0] > self.args.screen[0] \
                or self.origin[1] + size[1] > self.args.screen[1]:
            raise Failure("window at %s is not wholly on the screen" % (self.origin,))
        self.x.xdotool("windowfocus", "--sync", window)
        log("game started: window %s at %d,%d, %dx%d" % ((window,) + self.origin + size))

    def check_alive(self, awaited):
        code = self.game.poll()
        if code is not None:
            raise Failure("the game exited with code %d while waiting for %s" % (code, awaited))

    def stop_game(self):
        if self.game is None:
            return
        if self.game.poll() is None:
            try:
                os.killpg(self.game.pid, signal.SIGKILL)
            except ProcessLookupError:  # timeout has not made its group yet
                self.game.kill()
        self.game.wait()

    # --- pictures ---------------------------------------------------------

    def grab(self):
        """The window as the game drew it, 206 x 274."""
        full = self.x.grab(self.origin[0], self.origin[1], SCREEN_W * self.scale, SCREEN_H * self.scale)
        self.last_full = full
        return full if self.scale == 1 else full.reduce(self.scale)

    def save(self, name):
        """Keeps the last screenshot, checking that a scaled one is a clean
        enlargement of the game's picture."""
        full = self.last_full
        if self.scale != 1:
            blocks = full.reduce(self.scale).resize(full.size, Image.NEAREST)
            if blocks.tobytes() != full.tobytes():
                full.save(os.path.join(self.args.shots, "unclean-" + name))
                raise Failure("the scaled window is not a clean x%d enlargement of the game's "
                              "picture (see unclean-%s)" % (self.scale, name))
        full.save(os.path.join(self.args.shots, name))

    def wait_for(self, awaited, check, timeout, settled=False):
        """Grabs pictures until check(picture) gives something and returns
        it; with `settled`, only a picture unchanged for SETTLE_S counts."""
        deadline = time.monotonic() + timeout
        last, since = None, 0.0
        while True:
            self.check_alive(awaited)
            picture = self.grab()
            if settled:
                data, now = picture.tobytes(), time.monotonic()
                if data != last:
                    last, since = data, now
            found = check(picture) if not settled or now - since >= SETTLE_S else None
            if found is not None and found is not False:
                return found
            if time.monotonic() > deadline:
                name = "failed-%s.png" % "".join(c if c.isalnum() else "-" for c in awaited)[:60]
                self.last_full.save(os.path.join(self.args.shots, name))
                raise Failure("timed out after %gs waiting for %s (last screenshot: %s)"
                              % (timeout, awaited, os.path.join(self.args.shots, name)))
            time.sleep(POLL_S)

    def shows(self, picture, text, x, y, colour):
        return self.font.shows(picture, text, x, y, colour)

    def play_view(self, picture, turns=None):
        """The board and HUD, or None while something else is shown (or the
        turn is not `turns`)."""
        board = self.tiles.board(picture)
        if board is None:
            return None
        score = self.font.read_number(picture, 132, 26, MAGENTA)
        turn = self.font.read_number(picture, 16, 26, MAGENTA)
        if score is None or turn is None or (turns is not None and turn != turns):
            return None
        undo = self.shows(picture, "UNDO", 16, 237, YELLOW) or self.shows(picture, "UNDO", 16, 237, WHITE)
        return PlayView(board, score, turn, undo)

    def title_shown(self, picture, rows):
        return (self.shows(picture, "< Tessalorium >", 21, 57, MAGENTA)
                and self.shows(picture, "Highscores:", 43, 93, BLUE)
                and all(self.shows(picture, text, centred_x(text), 111 + 18 * i, GREEN)
                        for i, text in enumerate(rows)))

    def game_over_shown(self, picture):
        return (self.shows(picture, "Game Over", centred_x("Game Over"), 70, MAGENTA)
                and self.shows(picture, "Turn Bonus", centred_x("Turn Bonus"), 90, GREEN))

    def name_entry_shown(self, picture, field):
        return (self.shows(picture, "Enter your name", 21, 70, BLUE)
                and self.shows(picture, field, 21, 110, WHITE)
                and self.shows(picture, "And press ENTER", 21, 150, GREEN))

    # --- input ------------------------------------------------------------

    def at(self, x, y):
        """Screen position of a window pixel, in the middle of its block."""
        half = self.scale // 2
        return self.origin[0] + x * self.scale + half, self.origin[1] + y * self.scale + half

    def click(self, position):
        self.x.xdotool("mousemove", *self.at(*position), "mousedown", 1, "mouseup", 1)

    def nudge(self):
        """The play loop acts on a stop only once one more event arrives."""
        self.x.xdotool("mousemove", *self.at(*NEUTRAL), "mousemove", *self.at(NEUTRAL[0] + 2, NEUTRAL[1]))

    def drag(self, source, target):
        self.x.xdotool("mousemove", *self.at(*cell_centre(*source)), "mousedown", 1,
                       "mousemove", *self.at(*cell_centre(*target)), "mouseup", 1)

    def key(self, *keys):
        self.x.xdotool("key", "--delay", 30, *keys)

    # --- the play-through -------------------------------------------------

    def wait_new_game(self, awaited):
        view = self.wait_for(awaited, lambda p: self.play_view(p, 0), 20, settled=True)
        if view.score != 0 or not 1 <= 100 - view.empty <= 8 or view.undo_shown:
            raise Failure("a new game shows score %d, %d pieces (two spawns: 1 to 8) and UNDO %s"
                          % (view.score, 100 - view.empty, "shown" if view.undo_shown else "hidden"))
        self.undo_left = True
        return view

    def new_game(self, why):
        self.click(NEW_GAME)
        self.nudge()
        log("NEW GAME: %s" % why)
        return self.wait_new_game("a new game after NEW GAME (%s)" % why)

    def move(self, view, source, target, expect_group=False):
        """Drags a piece and waits for the turn to finish; returns the new
        play view, or the picture of the game-over screen."""
        turns = view.turns + 1

        def finished(picture):
            return picture if self.game_over_shown(picture) else self.play_view(picture, turns)

        self.drag(source, target)
        result = self.wait_for("turn %d to finish after dragging %s to %s" % (turns, source, target),
                               finished, 30, settled=True)
        if not isinstance(result, PlayView):
            return result
        if result.score < view.score + (10 if expect_group else 0):
            raise Failure("dragging %s to %s took the score from %d to %d%s"
                          % (source, target, view.score, result.score,
                             ", yet it completes a group of four" if expect_group else ""))
        if not result.undo_shown and self.undo_left:
            raise Failure("UNDO is not shown after turn %d" % turns)
        return result

    def choose(self, view, rng):
        sizes = {move: group_sizes(view.codes, *move) for move in legal_moves(view.codes)}
        if not sizes:
            return None, False
        if not self.group_made:
            grouping = [move for move, (own, _) in sizes.items() if own >= GROUP_MIN]
            if grouping:
                self.group_made = True
                return rng.choice(grouping), True
        # Otherwise the smallest groups, so the board fills up rather than
        # clearing itself.
        smallest = min(joined for _, joined in sizes.values())
        return rng.choice([move for move, (_, joined) in sizes.items() if joined == smallest]), False

    def undo(self, before):
        """Clicks UNDO: the board and score of the turn before come back,
        without markers, and UNDO is spent."""
        self.click(UNDO)
        undone = self.wait_for("the board of turn %d after UNDO" % before.turns,
                               lambda p: self.play_view(p, before.turns), 20, settled=True)
        if undone.codes != before.codes:
            raise Failure("UNDO did not bring back the board of turn %d" % before.turns)
        if any(marked for line in undone.board for _, marked in line):
            raise Failure("markers are still shown after UNDO")
        if undone.score != before.score:
            raise Failure("UNDO gave score %d, expected %d" % (undone.score, before.score))
        if undone.undo_shown:
            raise Failure("UNDO is still shown after it was spent")
        self.undo_left = False
        log("undo: back at turn %d, score %d" % (undone.turns, undone.score))
        return undone

    def play_to_the_end(self, rng):
        """Plays games until one is over; returns the game-over picture and
        the number of turns before the last move."""
        view = self.wait_new_game("the first game's board")
        self.save("play-start.png")
        games, moves_made, new_game_tried = 1, 0, False
        while True:
            if moves_made > 400:
                raise Failure("no game over after 400 moves")
            if view.turns == 2 and not new_game_tried:
                new_game_tried = True
                view = self.new_game("a fresh board")
                games += 1
                continue
            move, grouping = self.choose(view, rng)
            if move is None:
                if games >= 6:
                    raise Failure("stuck without a legal move in %d games" % games)
                view = self.new_game("no legal move left")
                games += 1
                continue
            before = view
            view = self.move(view, *move, expect_group=grouping)
            moves_made += 1
            if not isinstance(view, PlayView):
                log("move %d: %s to %s: game over" % (moves_made, move[0], move[1]))
                return view, before.turns
            log("move %d: %s to %s%s: turn %d, score %d, %d empty" % (
                moves_made, move[0], move[1], " (group)" if grouping else "",
                view.turns, view.score, view.empty))
            if view.turns == 3 and self.undo_left and new_game_tried:
                view = self.undo(before)

    def run(self, rng):
        self.start_game()
        self.wait_for("the title screen with the default high scores",
                      lambda p: self.title_shown(p, [DEFAULT_ROW] * 5), 30)
        self.save("title-start.png")

        self.x.xdotool("mousemove", *self.at(*NEUTRAL))
        self.key("space")
        over, turns_before = self.play_to_the_end(rng)
        self.save("game-over.png")
        score = self.font.read_number(over, 132, 26, MAGENTA)
        turns = self.font.read_number(over, 16, 26, MAGENTA)
        if score is None or turns != turns_before + 1:
            raise Failure("the game-over screen shows score %s and turn %s, expected turn %d"
                          % (score, turns, turns_before + 1))
        if not self.shows(over, str(turns), centred_x(str(turns)), 110, BLUE):
            raise Failure("the game-over screen does not show the turn bonus %d" % turns)
        final = score + turns
        log("game over: score %d, turns %d, final score %d" % (score, turns, final))

        self.wait_for("the name entry screen", lambda p: self.name_entry_shown(p, "......"), 30)
        self.save("name-entry-dots.png")
        self.x.xdotool("type", "--delay", 60, NAME)
        self.wait_for("the name %r in the name field" % NAME,
                      lambda p: self.name_entry_shown(p, NAME), 20, settled=True)
        self.save("name-entry.png")
        self.key("Return")

        rows = ["%5d %6s" % (final, NAME)] + [DEFAULT_ROW] * 4
        self.wait_for("the title screen listing %r first" % rows[0],
                      lambda p: self.title_shown(p, rows), 30)
        self.save("title.png")
        expected_file = "\n".join(["5", NAME, str(final)] + ["Nobody", "0"] * 4) + "\n"
        self.check_file(expected_file, "right after the name was entered")

        self.key("space")
        self.wait_new_game("a new game from the title screen")
        self.click(CLOSE_BOX)
        self.nudge()
        try:
            code = self.game.wait(20)
        except subprocess.TimeoutExpired:
            raise Failure("the game was still running 20s after the close box was clicked")
        if code != 0:
            raise Failure("the game exited with code %d after the close box" % code)
        log("close box: the game exited with code 0")
        self.check_file(expected_file, "after the game exited")

        self.start_game()
        self.wait_for("the title screen of a restarted game listing %r first" % rows[0],
                      lambda p: self.title_shown(p, rows), 30)
        self.save("restart-title.png")
        self.stop_game()
        log("restart: the title screen lists %r first" % rows[0])

    def check_file(self, expected, when):
        try:
            with open(os.path.join(self.workdir, "hiscores.dat"), newline="") as f:
                content = f.read()
        except OSError as error:
            raise Failure("hiscores.dat cannot be read %s: %s" % (when, error))
        if content != expected:
            raise Failure("hiscores.dat %s holds %r, expected %r" % (when, content, expected))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", required=True, help="the tessalorium binary")
    parser.add_argument("--gfx", required=True, help="the game's gfx folder")
    parser.add_argument("--scale", type=int, default=1, choices=(1, 2, 3))
    parser.add_argument("--shots", default="e2e-shots", help="folder for the screenshots")
    parser.add_argument("--seed", type=int, help="seed of the move choice")
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)
    args.gfx = os.path.abspath(args.gfx)
    args.screen = (max(800, SCREEN_W * args.scale + 64), max(600, SCREEN_H * args.scale + 64))

    os.makedirs(args.shots, exist_ok=True)
    for old in os.listdir(args.shots):
        if old.endswith((".png", ".log")) or old == "hiscores.dat":
            os.remove(os.path.join(args.shots, old))
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1 << 30)
    log("scale %d, move seed %d (--seed %d repeats the choices)" % (args.scale, seed, seed))

    # SIGTERM (CTest's timeout, a Ctrl-C'd shell) unwinds through the
    # cleanup below like any failure.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("terminated"))
    started = time.monotonic()
    workdir = tempfile.mkdtemp(prefix="tessalorium-e2e-")
    os.symlink(args.gfx, os.path.join(workdir, "gfx"))
    xserver = None
    player = None
    try:
        xserver = XServer(*args.screen)
        log("X server on display %s, scratch folder %s" % (xserver.display, workdir))
        player = Player(args, xserver, workdir)
        player.run(random.Random(seed))
    except (Failure, RuntimeError) as error:
        log("FAIL: %s" % error)
        return 1
    finally:
        if player is not None:
            player.stop_game()
        if xserver is not None:
            xserver.stop()
        saved = os.path.join(workdir, "hiscores.dat")
        if os.path.exists(saved):
            shutil.copy(saved, args.shots)
        shutil.rmtree(workdir, ignore_errors=True)
    log("PASS in %.1fs (screenshots in %s)" % (time.monotonic() - started, os.path.abspath(args.shots)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
