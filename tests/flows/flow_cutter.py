"""A spoken recording with pauses in the cutter: play, add a point with the keys, find
points at silences, untick a section, preview at 1.5x, set a fade, split."""

import os
import re

from flowlib import FlowFailure, flow, mean_colour, milliseconds, probe_duration, run


def make_talk(home):
    parts = []
    for n, words in enumerate(("This is the first part of the talk.", "And here the second part begins.")):
        speech = os.path.join(home, f"speech{n}.wav")
        run(["espeak-ng", "-w", speech, words])
        parts.append(speech)
    talk = os.path.join(home, "talk.wav")
    # speech, 2 s of silence, speech, 2 s of silence, 3 s of tone
    run(["ffmpeg", "-v", "error", "-y", "-i", parts[0], "-i", parts[1], "-f", "lavfi", "-i",
         "sine=f=440:d=3:r=22050", "-filter_complex",
         "[0:a]aresample=22050,apad=pad_dur=2[a];[1:a]aresample=22050,apad=pad_dur=2[b];"
         "[2:a]volume=0.5[c];[a][b][c]concat=n=3:v=0:a=1", "-ac", "1", "-c:a", "pcm_s16le", talk])
    return talk


def body(home, start):
    talk = make_talk(home)
    app = start("--cut", talk)
    app.wait(lambda m: (w := m.window("cutterWindow")) and w.title.startswith("Zelvo MP3 Zovozu - talk.wav"),
             "the cutter named after its file")
    app.wait(lambda m: len(m.rows_of("sectionList")) == 1, "one section")
    # Play a moment: the clock runs.
    app.click("playButton", "cutterWindow")
    app.wait(lambda m: m.control("durationLabel").text != "000 : 00 : 000", "the clock to run")
    app.click("stopButton", "cutterWindow")
    # A click on the waveform sets the position, M adds a point there.
    app.click_control_until("Bar", "cutterWindow", lambda m: m.control("durationLabel").text != "000 : 00 : 000",
                            "the position moved by the click", at=(0.2, 0.5))
    app.key("m")
    app.wait(lambda m: len(m.rows_of("sectionList")) == 2, "a point added with M")
    # Points at the silences replace it: speech, speech, tone.
    app.click("findPointsButton")
    app.click_action("At silences...")
    app.wait(lambda m: m.window("silenceDialog"), "the silence options")
    app.click_text("OK", "silenceDialog")
    rows = app.wait(lambda m: len(m.rows_of("sectionList")) == 3 and m.rows_of("sectionList"), "three sections")
    # Untick the second section at its tick box.
    second = rows[1]
    app.click_at(second.x + 10, second.y + second.h // 2)
    app.wait(lambda m: m.rows_of("sectionList")[1].check == 0, "the second section unticked")
    # Preview the first section at 1.5 times the speed.
    app.click("fastSpeedButton")
    app.click("stopButton", "cutterWindow")
    first = app.wait(lambda m: m.rows_of("sectionList")[0], "the first row")
    app.click_at(first.x + first.w + 40, first.y + first.h // 2)
    app.click("previewButton")
    app.wait(lambda m: m.rows_of("sectionList")[0].cells[4].startswith("Previewing"), "the preview")
    app.screenshot("cutter", window="cutterWindow")
    shot = app.screenshot("flow_cutter")
    app.wait(lambda m: not m.rows_of("sectionList")[0].cells[4], "the preview to end")
    # The waveform is drawn, never one fill: its area keeps the palette's greys.
    bar = app.wait_control("Bar")
    red, green, _ = mean_colour(shot, bar.x + 10, bar.y + 30, bar.w - 20, bar.h - 40)
    if abs(red - green) > 0.2:
        raise FlowFailure(f"the waveform's area is coloured: red {red:.2f}, green {green:.2f}")
    # A fade in, then Split: the two ticked sections are written where the message says.
    app.click("fadeInButton")
    rows = app.controls().rows_of("sectionList")
    app.click("cutButton")
    said = app.answer_message()
    found = re.fullmatch(r"Cut finished (\d+) files written in (.*)", said)
    if not found or found.group(1) != "2":
        raise FlowFailure(f"the end of the cut said {said!r}")
    folder = found.group(2)
    for index, row in ((0, rows[0]), (1, rows[2])):
        written = os.path.join(folder, f"talk-Splitted{index}.wav")
        expected = (milliseconds(row.cells[2]) - milliseconds(row.cells[1])) / 1000
        if abs(probe_duration(written) - expected) > 0.002:
            raise FlowFailure(f"{written} lasts {probe_duration(written)} s, not {expected}")
    if sorted(os.listdir(folder)) != ["talk-Splitted0.wav", "talk-Splitted1.wav"]:
        raise FlowFailure(f"the folder holds {os.listdir(folder)}")


flow(body)
