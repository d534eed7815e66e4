"""Convert a file to OGG from the play list's menu; the main window says what it wrote."""

import os

from flowlib import FlowFailure, converted_file, flow, make_tone, probe_codec, probe_duration


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    make_tone(os.path.join(music, "song.wav"), 5)
    app = start(music)
    app.wait(lambda m: m.row("playList", "song.wav"), "the folder listed")
    app.click_row("playList", "song.wav", button=3)
    app.click_action("Convert to OGG")
    written = converted_file(app)
    if probe_codec(written) != "vorbis" or abs(probe_duration(written) - 5.0) > 0.05:
        raise FlowFailure(f"{written}: {probe_codec(written)}, {probe_duration(written)} s")
    app.screenshot("flow_converter")


flow(body)
