#!/usr/bin/python3
"""Plays Tessalorium from start to finish on a private X server, as a player.

    /usr/bin/python3 tests/e2e/play_e2e.py --game PATH --gfx DIR
        [--scale N] [--shots DIR] [--docs DIR] [--seed N]

Starts the real binary in a scratch folder (the art, no hiscores.dat), leaves
the title screen with a key, and plays with the mouse by reading the board
from screenshots and dragging pieces. On the way it uses NEW GAME and UNDO,
and at the end it watches the game-over screen, types a name, and checks the
title screen and hiscores.dat; then it closes the window with the close box
and starts the game once more to see the score again. With --scale 2 the
window is scaled by sdl12-compat and every screen coordinate doubles.

Screenshots of the moments on the way go to --shots; --docs also copies the
ones the README shows. Every wait is for a picture, bounded, and a failure
names what was awaited and keeps the last screenshot.
"""

import argparse
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
                          Font, Tiles, centred_x, cell_origin)
from xsession import XServer, die_with_parent  # noqa: E402

NAME = "Tess42"
MOVABLE = set(range(PIECE_KINDS)) - {CELL_FIXED}  # every kind of piece but the fixed one
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
# The README's pictures besides play.png, which is taken separately.
SHOWN_IN_DOCS = ("title.png", "game-over.png", "name-entry.png")


class Failure(Exception):
    pass


def log(message):
    print(message, flush=True)


def cell_centre(column, row):
    """Where the mouse hits the cell: the game maps 162 pixels onto 10 cells,
    so its cells are 16.2 pixels wide, not 16."""
    return 23 + 162 * column // 10 + 8, 57 + 162 * row // 10 + 8


def neighbours(column, row):
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            x, y = column + dx, row + dy
            if (dx or dy) and 0 <= x < BOARD_W and 0 <= y < BOARD_H:
                yield x, y


def codes(board):
    return [[code for code, _ in line] for line in board]


def count_cells(board, wanted):
    return sum(1 for line in board for code, _ in line if wanted(code))


def group_size(grid, column, row, kind, with_wild):
    """Cells orthogonally joined to (column, row) holding `kind` (or a
    wildcard, when asked)."""
    seen = {(column, row)}
    todo = [(column, row)]
    while todo:
        x, y = todo.pop()
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < BOARD_W and 0 <= ny < BOARD_H and (nx, ny) not in seen:
                code = grid[ny][nx]
                if code == kind or (with_wild and code == CELL_WILD):
                    seen.add((nx, ny))
                    todo.append((nx, ny))
    return len(seen)


def legal_moves(board):
    grid = codes(board)
    for row in range(BOARD_H):
        for column in range(BOARD_W):
            if grid[row][column] in MOVABLE:
                for x, y in neighbours(column, row):
                    if grid[y][x] == CELL_EMPTY:
                        yield (column, row), (x, y)


def after_move(board, source, target):
    grid = codes(board)
    (sx, sy), (tx, ty) = source, target
    grid[ty][tx], grid[sy][sx] = grid[sy][sx], CELL_EMPTY
    return grid


def sure_group(board, source, target):
    """True when the move surely completes a group: four or more of the
    moved piece's own kind, wildcards left out."""
    kind = board[source[1]][source[0]][0]
    grid = after_move(board, source, target)
    return kind != CELL_WILD and group_size(grid, target[0], target[1], kind, False) >= GROUP_MIN


def joined(board, source, target):
    """The largest group the moved piece would join, wildcards counted in:
    a rough guess used only to keep the board from clearing itself, which
    ends the game sooner."""
    grid = after_move(board, source, target)
    tx, ty = target
    kind = grid[ty][tx]
    if kind == CELL_WILD:
        kinds = {grid[y][x] for x, y in ((tx + 1, ty), (tx - 1, ty), (tx, ty + 1), (tx, ty - 1))
                 if 0 <= x < BOARD_W and 0 <= y < BOARD_H} - {CELL_WILD, CELL_EMPTY}
    else:
        kinds = {kind}
    return max([group_size(grid, tx, ty, k, True) for k in kinds] or [1])


class PlayView:
    def __init__(self, board, score, turns, undo_shown):
        self.board, self.score, self.turns, self.undo_shown = board, score, turns, undo_shown

    @property
    def empty(self):
        return count_cells(self.board, lambda code: code == CELL_EMPTY)


class Player:
    def __init__(self, args, xserver, workdir):
        self.args = args
        self.x = xserver
        self.workdir = workdir
        self.scale = args.scale
        self.tiles = Tiles(os.path.join(args.gfx, "pieces.bmp"))
        self.font = Font(os.path.join(args.gfx, "c18font.bmp"))
        self.game = None
        self.window = None
        self.last_full = None
        self.removal_seen = False
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
        output = open(os.path.join(self.args.shots, "game-%d.log" % self.starts), "wb")
        # timeout makes itself a process group leader, so killing the group
        # ends the game with it.
        self.game = subprocess.Popen(["timeout", "-s", "KILL", str(GAME_LIMIT_S), self.args.game],
                                     cwd=self.workdir, env=env, stdout=output,
                                     stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
        output.close()
        # Wait for exactly one visible window of the expected size (a window
        # may be mapped before it gets its final size).
        expected = SCREEN_W * self.scale, SCREEN_H * self.scale
        seen = "no window"
        deadline = time.monotonic() + 30
        while True:
            self.check_alive("its window")
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "tessalorium"],
                                   env=self.x.env(), capture_output=True, text=True, timeout=20)
            ids = found.stdout.split()
            if len(ids) > 1:
                raise Failure("more than one game window: %s" % ids)
            if len(ids) == 1:
                self.window = ids[0]
                shell = self.x.xdotool("getwindowgeometry", "--shell", self.window)
                geometry = dict(line.split("=", 1) for line in shell.split())
                self.origin = int(geometry["X"]), int(geometry["Y"])
                size = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
                if size == expected:
                    break
                seen = "a window of %dx%d" % size
            if time.monotonic() > deadline:
                raise Failure("timed out after 30s waiting for a %dx%d game window; saw %s"
                              % (expected + (seen,)))
            time.sleep(0.05)
        if min(self.origin) < 0 or self.origin[0] + size[0] > self.args.screen[0] \
                or self.origin[1] + size[1] > self.args.screen[1]:
            raise Failure("window at %s is not wholly on the screen" % (self.origin,))
        self.x.xdotool("windowfocus", "--sync", self.window)
        log("game started: window %s at %d,%d, %dx%d" % ((self.window,) + self.origin + size))

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
        """Keeps the last screenshot (as on screen, scaled or not)."""
        full = self.last_full
        if self.scale != 1:
            blocks = full.reduce(self.scale).resize(full.size, Image.NEAREST)
            if blocks.tobytes() != full.tobytes():
                full.save(os.path.join(self.args.shots, "unclean-" + name))
                raise Failure("the scaled window is not a clean x%d enlargement of the game's "
                              "picture (see unclean-%s)" % (self.scale, name))
        full.save(os.path.join(self.args.shots, name))

    def wait_for(self, awaited, check, timeout, observe=None):
        """Grabs pictures until check(picture) gives something, and returns it."""
        deadline = time.monotonic() + timeout
        while True:
            self.check_alive(awaited)
            picture = self.grab()
            if observe is not None:
                observe(picture)
            found = check(picture)
            if found is not None and found is not False:
                return found
            if time.monotonic() > deadline:
                name = "failed-%s.png" % "".join(c if c.isalnum() else "-" for c in awaited)[:60]
                self.last_full.save(os.path.join(self.args.shots, name))
                raise Failure("timed out after %gs waiting for %s (last screenshot: %s)"
                              % (timeout, awaited, os.path.join(self.args.shots, name)))
            time.sleep(POLL_S)

    def wait_settled(self, awaited, check, timeout, observe=None):
        """Like wait_for, but only a picture that has stayed the same for
        SETTLE_S is checked."""
        state = {"data": None, "since": 0.0}

        def settled(picture):
            data = picture.tobytes()
            now = time.monotonic()
            if data != state["data"]:
                state["data"], state["since"] = data, now
                return None
            return check(picture) if now - state["since"] >= SETTLE_S else None

        return self.wait_for(awaited, settled, timeout, observe)

    def shows(self, picture, text, x, y, colour):
        return self.font.shows(picture, text, x, y, colour)

    def play_view(self, picture):
        board = self.tiles.board(picture)
        if board is None:
            return None
        score = self.font.read_number(picture, 132, 26, MAGENTA)
        turns = self.font.read_number(picture, 16, 26, MAGENTA)
        if score is None or turns is None:
            return None
        undo = self.shows(picture, "UNDO", 16, 237, YELLOW) or self.shows(picture, "UNDO", 16, 237, WHITE)
        return PlayView(board, score, turns, undo)

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

    def watch_removal(self, picture):
        """Keeps one frame of the removal animation: a cell that is no tile
        but holds the growing white square."""
        if self.removal_seen:
            return
        pixels = picture.load()
        for row in range(BOARD_H):
            for column in range(BOARD_W):
                if self.tiles.cell(picture, column, row) is not None:
                    continue
                x, y = cell_origin(column, row)
                square = sum(1 for dy in range(2, 14) for dx in range(2, 14)
                             if pixels[x + dx, y + dy] == WHITE)
                if square >= 100:  # well grown, the cell's number on it
                    self.removal_seen = True
                    self.save("removal.png")
                    return

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
        view = self.wait_settled(awaited, lambda p: self._fresh(self.play_view(p)), 20)
        pieces = 100 - view.empty
        if not 1 <= pieces <= 8:
            raise Failure("a new game shows %d pieces, expected 1 to 8 (two spawns)" % pieces)
        if view.undo_shown:
            raise Failure("UNDO is shown before the first move")
        return view

    @staticmethod
    def _fresh(view):
        return view if view is not None and view.turns == 0 and view.score == 0 else None

    def move(self, view, source, target, expect_group=False):
        """Drags a piece and waits for the turn to finish; returns the new
        play view, or the picture of the game-over screen."""
        turns = view.turns + 1

        def finished(picture):
            if self.game_over_shown(picture):
                return picture
            after = self.play_view(picture)
            return after if after is not None and after.turns == turns else None

        self.drag(source, target)
        result = self.wait_settled(
            "turn %d to finish after dragging %s to %s" % (turns, source, target), finished, 30,
            self.watch_removal)
        if not isinstance(result, PlayView):
            return result
        if result.score < view.score:
            raise Failure("the score went down from %d to %d" % (view.score, result.score))
        if expect_group and result.score < view.score + 10:
            raise Failure("dragging %s to %s completes a group of four or more, yet the score "
                          "rose only from %d to %d" % (source, target, view.score, result.score))
        if not result.undo_shown and self.undo_left:
            raise Failure("UNDO is not shown after turn %d" % turns)
        return result

    def choose(self, view, rng):
        moves = list(legal_moves(view.board))
        if not moves:
            return None, False
        if not self.group_made:
            grouping = [m for m in moves if sure_group(view.board, *m)]
            if grouping:
                self.group_made = True
                return rng.choice(grouping), True
        sizes = {m: joined(view.board, *m) for m in moves}
        smallest = min(sizes.values())
        return rng.choice([m for m in moves if sizes[m] == smallest]), False

    def undo(self, before):
        """Clicks UNDO and checks that the board and score of the turn
        before come back, without markers, and that UNDO is spent."""
        self.click(UNDO)
        undone = self.wait_settled("the board of turn %d after UNDO" % before.turns,
                                   lambda p: self._turn(self.play_view(p), before.turns), 20)
        if codes(undone.board) != codes(before.board):
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
        self.undo_left = True
        view = self.wait_new_game("the first game's board")
        self.save("play-start.png")
        games, moves_made, half_saved, new_game_tried = 1, 0, False, False
        while True:
            if moves_made > 400:
                raise Failure("no game over after 400 moves")
            if view.turns == 2 and not new_game_tried:
                # The NEW GAME button, once, early on.
                new_game_tried = True
                self.click(NEW_GAME)
                self.nudge()
                view = self.wait_new_game("a new game after NEW GAME")
                log("NEW GAME: a fresh board")
                games += 1
                self.undo_left = True
                continue
            move, grouping = self.choose(view, rng)
            if move is None:
                if games >= 6:
                    raise Failure("stuck without a legal move in %d games" % games)
                log("no legal move left on the board: NEW GAME")
                self.click(NEW_GAME)
                self.nudge()
                view = self.wait_new_game("a new game after NEW GAME (no move left)")
                games += 1
                self.undo_left = True
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
            if not half_saved and view.empty <= 55:
                half_saved = True
                self.save("play.png")
            if view.turns == 3 and self.undo_left and new_game_tried:
                view = self.undo(before)

    def run(self, rng):
        self.start_game()
        fresh_rows = [DEFAULT_ROW] * 5
        self.wait_for("the title screen with the default high scores",
                      lambda p: self.title_shown(p, fresh_rows), 30)
        self.save("title-start.png")

        self.x.xdotool("mousemove", *self.at(*NEUTRAL))
        self.key("space")
        over, turns_before = self.play_to_the_end(rng)
        self.save("game-over.png")
        score = self.font.read_number(over, 132, 26, MAGENTA)
        turns = self.font.read_number(over, 16, 26, MAGENTA)
        if score is None or turns is None:
            raise Failure("score and turns are not readable on the game-over screen")
        if turns != turns_before + 1:
            raise Failure("the game-over screen shows turn %d, expected %d" % (turns, turns_before + 1))
        if not self.shows(over, str(turns), centred_x(str(turns)), 110, BLUE):
            raise Failure("the game-over screen does not show the turn bonus %d" % turns)
        final = score + turns
        log("game over: score %d, turns %d, final score %d" % (score, turns, final))

        self.wait_for("the name entry screen", lambda p: self.name_entry_shown(p, "......"), 30)
        self.save("name-entry-dots.png")
        self.x.xdotool("type", "--delay", 60, NAME)
        self.wait_settled("the name %r in the name field" % NAME,
                          lambda p: self.name_entry_shown(p, NAME), 20)
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
        deadline = time.monotonic() + 20
        while self.game.poll() is None:
            if time.monotonic() > deadline:
                self.save("failed-close-box.png")
                raise Failure("the game was still running 20s after the close box was clicked")
            time.sleep(POLL_S)
        if self.game.returncode != 0:
            raise Failure("the game exited with code %d after the close box" % self.game.returncode)
        log("close box: the game exited with code 0")
        self.check_file(expected_file, "after the game exited")

        self.start_game()
        self.wait_for("the title screen of a restarted game listing %r first" % rows[0],
                      lambda p: self.title_shown(p, rows), 30)
        self.save("restart-title.png")
        self.stop_game()
        log("restart: the title screen lists %r first" % rows[0])

    @staticmethod
    def _turn(view, turns):
        return view if view is not None and view.turns == turns else None

    def check_file(self, expected, when):
        path = os.path.join(self.workdir, "hiscores.dat")
        try:
            with open(path, newline="") as f:
                content = f.read()
        except OSError as error:
            raise Failure("hiscores.dat cannot be read %s: %s" % (when, error))
        if content != expected:
            raise Failure("hiscores.dat %s holds %r, expected %r" % (when, content, expected))


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", required=True, help="the tessalorium binary")
    parser.add_argument("--gfx", required=True, help="the game's gfx folder")
    parser.add_argument("--scale", type=int, default=1, choices=(1, 2, 3))
    parser.add_argument("--shots", default="e2e-shots", help="folder for the screenshots")
    parser.add_argument("--docs", help="also copy %s here" % ", ".join(SHOWN_IN_DOCS))
    parser.add_argument("--seed", type=int, default=None, help="seed of the move choice")
    args = parser.parse_args()
    args.game = os.path.abspath(args.game)
    args.gfx = os.path.abspath(args.gfx)
    args.screen = (max(800, SCREEN_W * args.scale + 64), max(600, SCREEN_H * args.scale + 64))
    return args


def main():
    args = parse_arguments()
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
    if args.docs:
        os.makedirs(args.docs, exist_ok=True)
        for name in SHOWN_IN_DOCS:
            shutil.copy(os.path.join(args.shots, name), args.docs)
    log("PASS in %.1fs (screenshots in %s)" % (time.monotonic() - started, os.path.abspath(args.shots)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
