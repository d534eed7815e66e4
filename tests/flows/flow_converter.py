"""Convert a file to OGG from the play list's menu; the main window says what it wrote."""

import html
import os
import re

from flowlib import FlowFailure, flow, make_tone, probe_codec, probe_duration


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    make_tone(os.path.join(music, "song.wav"), 5)
    app = start(music)
    app.wait(lambda m: m.row("playList", "song.wav"), "the folder listed")
    app.click_row("playList", "song.wav", button=3)
    app.click_action("Convert to OGG")
    line = app.wait(lambda m: (c := m.control("statusLine")) and "Converted" in c.text and c.text, "the status line")
    found = re.search(r'Converted: "(.*)" written in (.*?) <a href', html.unescape(line))
    if not found:
        raise FlowFailure(f"the status line says {line!r}")
    written = os.path.join(found.group(2), found.group(1))
    if probe_codec(written) != "vorbis" or abs(probe_duration(written) - 5.0) > 0.05:
        raise FlowFailure(f"{written}: {probe_codec(written)}, {probe_duration(written)} s")
    app.screenshot("flow_converter")


flow(body)
