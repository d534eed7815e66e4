"""Mistakes a person makes: an unreadable file, Split with nothing to write, a file deleted
while listed, closing the cutter during a cut."""

import os

from flowlib import FlowFailure, flow, make_tone


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    broken = os.path.join(music, "broken.mp3")
    with open(broken, "wb") as file:
        file.write(b"x" * 5000)
    # An unreadable file does not open the cutter; the message names it.
    app = start("--cut", broken)
    said = app.answer_message()
    if broken not in said:
        raise FlowFailure(f"the message {said!r} does not name {broken}")
    if app.controls().window("cutterWindow"):
        raise FlowFailure("the cutter opened on an unreadable file")

    # Split with one section says why, and writes nothing.
    song = os.path.join(music, "song.wav")
    make_tone(song, 4)
    app = start("--cut", song)
    app.wait(lambda m: m.window("cutterWindow"), "the cutter")
    app.click("cutButton")
    said = app.answer_message()
    if not said.startswith("Nothing to cut"):
        raise FlowFailure(f"Split with one section said {said!r}")
    app.key("alt+F4")
    app.wait(lambda m: not m.window("cutterWindow"), "the cutter to close")

    # A file deleted while listed: playing it says which file could not be played.
    app.wait(lambda m: m.row("playList", "song.wav"), "the folder listed")
    os.remove(song)
    app.click_row("playList", "song.wav", double=True)
    said = app.answer_message()
    if "song.wav" not in said:
        raise FlowFailure(f"playing a deleted file said {said!r}")

    # Closing the cutter during a cut: asked, cancelled, and no half section is left.
    long = os.path.join(music, "long.mp3")
    make_tone(long, 900, codec="libmp3lame")
    app = start("--cut", long)
    app.wait(lambda m: m.window("cutterWindow"), "the cutter")
    app.click_control_until("Bar", "cutterWindow", lambda m: m.control("durationLabel").text != "000 : 00 : 000",
                            "the position moved by the click")
    app.key("m")
    app.wait(lambda m: len(m.rows_of("sectionList")) == 2, "two sections")
    app.click("fadeInButton")  # MP3 encoded again: a cut long enough to close the window during it
    app.click("cutButton")
    app.wait(lambda m: any(r.cells[4].startswith("Cutting") for r in m.rows_of("sectionList")), "the cut to run")
    app.key("alt+F4")
    said = app.answer_message("yesButton")
    if said != "Splitting in progress, do you want to cancel ?":
        raise FlowFailure(f"closing during the cut asked {said!r}")
    app.wait(lambda m: not m.window("cutterWindow"), "the cutter to close")
    folder = os.path.join(home, "Documents", "Zelvo Mp3 Zovozu Darozu", "Cut files")
    left = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    if any(name.endswith(".part") or name.startswith(".") for name in left) or "long-Splitted1.mp3" in left:
        raise FlowFailure(f"the cut left {left}")
    app.screenshot("flow_mistakes")


flow(body)
