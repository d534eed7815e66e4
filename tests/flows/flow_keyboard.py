"""The main flows with the keyboard alone: pick a folder, play and pause, cut, convert, join."""

import html
import os
import re

from flowlib import FlowFailure, flow, make_tone, probe_duration


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    for name, seconds in (("one.wav", 6), ("two.wav", 3)):
        make_tone(os.path.join(music, name), seconds)
    app = start()
    app.wait(lambda m: (c := m.control("folderTree")) and c.focused, "the folder tree to have the keyboard")
    # Home is picked; Down picks Music, which is listed.
    app.key("Down")
    app.wait(lambda m: [r.cells[0] for r in m.rows_of("playList")] == ["one.wav", "two.wav"], "Music listed")
    app.focus("playList")
    app.key("Down")
    app.wait(lambda m: any(r.selected for r in m.rows_of("playList")), "a row selected")
    app.key("Home", "Return")
    app.wait(lambda m: m.row("playList", "one.wav").cells[4].startswith("Playing"), "one.wav playing")
    app.key("space", "space")  # pause, and on again
    # Ctrl+T: the cutter on the selected file, the keyboard on its waveform.
    app.key("ctrl+t")
    app.wait(lambda m: (c := m.control("Bar")) and c.focused, "the cutter's waveform to have the keyboard")
    app.key("Right", "Right", "m")
    app.wait(lambda m: len(m.rows_of("sectionList")) == 2, "a point added at 4 s")
    app.key("ctrl+s")
    said = app.wait(lambda m: m.message(), "the end of the cut")
    if not said.startswith("Cut finished 2 files written in "):
        raise FlowFailure(f"the cut said {said!r}")
    folder = said[len("Cut finished 2 files written in "):]
    app.key("Return")
    app.wait(lambda m: m.message() is None, "the message to close")
    for index, seconds in ((0, 4.0), (1, 2.0)):
        written = os.path.join(folder, f"one-Splitted{index}.wav")
        if abs(probe_duration(written) - seconds) > 0.002:
            raise FlowFailure(f"{written} lasts {probe_duration(written)} s")
    app.key("Escape")
    app.wait(lambda m: not m.window("cutterWindow"), "the cutter to close")
    # The list's menu from the keyboard: Convert to OGG.
    app.focus("playList")
    app.key("Menu")
    app.wait(lambda m: m.actions, "the menu")
    app.key("Down", "Down", "Return")
    line = app.wait(lambda m: (c := m.control("statusLine")) and "Converted" in c.text and c.text, "the status line")
    if 'one.ogg' not in html.unescape(line):
        raise FlowFailure(f"the status line says {line!r}")
    # Ctrl+J: the joiner on the same folder; Add all, then Ctrl+S merges.
    app.key("ctrl+j")
    app.wait(lambda m: m.window("joinerWindow") and len(m.rows_of("folderList")) >= 2, "the joiner's folder list")
    app.focus("addAllButton")
    app.key("space")
    app.wait(lambda m: len(m.rows_of("joinList")) >= 2, "files in the join list")
    app.key("ctrl+s")
    said = app.wait(lambda m: m.message(), "the end of the merge")
    if not re.fullmatch(r"Merge finished 1 file written in .*", said):
        raise FlowFailure(f"the merge said {said!r}")
    app.key("Return")
    app.screenshot("flow_keyboard")


flow(body)
