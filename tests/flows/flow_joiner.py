"""Join three files in a chosen order into one MP3."""

import os
import re

from flowlib import FlowFailure, flow, make_tone, probe_codec, probe_duration


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    lengths = {"a.wav": 2.0, "b.wav": 3.0, "c.wav": 4.0}
    for name, seconds in lengths.items():
        make_tone(os.path.join(music, name), seconds)
    app = start("--join", *(os.path.join(music, name) for name in lengths))
    app.wait(lambda m: m.window("joinerWindow") and len(m.rows_of("joinList")) == 3, "the joiner with three files")
    # c first: pick its row and press First.
    app.select_row("joinList", os.path.join(music, "c.wav"), "joinerWindow")
    app.click("firstButton")
    order = app.wait(lambda m: [os.path.basename(r.cells[0]) for r in m.rows_of("joinList")] == ["c.wav", "a.wav", "b.wav"]
                     and True, "c.wav first")
    if app.controls().control("outputFormatBox").text != "MP3":
        raise FlowFailure("the output format is not MP3")
    app.screenshot("joiner", window="joinerWindow")
    app.click("mergeButton")
    said = app.answer_message()
    found = re.fullmatch(r"Merge finished 1 file written in (.*)", said)
    if not found:
        raise FlowFailure(f"the end of the merge said {said!r}")
    folder = found.group(1)
    written = [name for name in os.listdir(folder) if name.endswith(".mp3")]
    if len(written) != 1:
        raise FlowFailure(f"the folder holds {os.listdir(folder)}")
    merged = os.path.join(folder, written[0])
    if probe_codec(merged) != "mp3" or abs(probe_duration(merged) - 9.0) > 0.06:
        raise FlowFailure(f"{merged}: {probe_codec(merged)}, {probe_duration(merged)} s")
    rows = app.controls().rows_of("joinList")
    if [r.cells[4] for r in rows] != ["Done", "Done", "Done"]:
        raise FlowFailure(f"the rows say {[r.cells[4] for r in rows]}")


flow(body)
