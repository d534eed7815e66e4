"""Measure two files' loudness from the play list's menu, write their ReplayGain tags, and
convert one with "Bring to one loudness" ticked: it comes out at the target."""

import os
import re

from flowlib import FlowFailure, converted_file, flow, run


def loudness(path):
    log = run(["ffmpeg", "-nostats", "-i", path, "-af", "ebur128", "-f", "null", "-"]).stderr
    return float(re.findall(r"I:\s+(-?[0-9.]+) LUFS", log)[-1])


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    for name, level in (("quiet.flac", 0.02), ("loud.flac", 0.5)):
        run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", f"anoisesrc=d=6:c=pink:a={level}:r=44100", "-ac", "2",
             os.path.join(music, name)])
    app = start(music)
    app.wait(lambda m: m.row("playList", "quiet.flac"), "the folder listed")

    # Options: the converter brings its output to one loudness, -18 LUFS.
    app.click("optionsButton", "playerWindow")
    app.wait(lambda m: m.window("optionsDialog"), "the options")
    app.click_tab("pages", "Save")
    app.click_tab("savePages", "Converter")
    app.click("convertNormalizeBox")
    app.wait(lambda m: m.control("convertNormalizeBox").checked, "normalizing ticked")
    app.click_tab("pages", "Loudness")
    app.wait_control("targetLoudnessBox", ready=lambda c: "-18" in c.text)
    app.screenshot("loudness_options", window="optionsDialog")
    app.click("okButton")
    app.wait(lambda m: not m.window("optionsDialog"), "the options to close")

    # Both files selected (the second with Ctrl), measured, tagged.
    app.select_row("playList", "loud.flac", "playerWindow")
    row = app.wait(lambda m: m.row("playList", "quiet.flac"), "the quiet row")
    app.xdotool("keydown", "ctrl")
    app.click_at(row.x + row.w // 2, row.y + row.h // 2)
    app.xdotool("keyup", "ctrl")
    app.wait(lambda m: (r := m.row("playList", "quiet.flac")) and r.selected and m.row("playList", "loud.flac").selected,
             "both rows selected")
    app.click_row("playList", "quiet.flac", button=3)
    app.click_action("Loudness…")
    app.wait(lambda m: (c := m.control("loudnessStatus")) and "Measured 2 files" in c.text, "both measured")
    app.wait(lambda m: (r := m.row("loudnessTable", "Album")) and "LUFS" in r.text, "the album's figures")
    app.screenshot("loudness_dialog", window="loudnessDialog")
    app.click("writeTagsButton", "loudnessDialog")
    app.wait(lambda m: "written into 2 files" in m.control("loudnessStatus").text, "the tags written")
    tags = run(["ffprobe", "-v", "error", "-show_entries", "format_tags", "-of", "default=nw=1",
                os.path.join(music, "quiet.flac")]).stdout
    if "REPLAYGAIN_TRACK_GAIN" not in tags.upper():
        raise FlowFailure(f"quiet.flac's tags: {tags!r}")
    app.click("closeButton", "loudnessDialog")
    app.wait(lambda m: not m.window("loudnessDialog"), "the dialog to close")

    # The quiet file (the current row of the two) converted: at the target.
    app.click_row("playList", "quiet.flac", button=3)
    app.click_action("Convert to WAV")
    written = converted_file(app)
    if abs(loudness(written) + 18) > 0.5:
        raise FlowFailure(f"{written} is at {loudness(written)} LUFS")


flow(body)
