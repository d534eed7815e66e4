"""Change the MP3 bit rate and the converter's output folder in Options; a conversion
then follows them."""

import os

from flowlib import FlowFailure, flow, make_tone, run


def bit_rate(path):
    out = run(["ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=bit_rate", "-of",
               "csv=p=0", path]).stdout
    return int(out.strip())


def body(home, start):
    music = os.path.join(home, "Music")
    chosen = os.path.join(home, "Converted here")
    os.makedirs(music)
    os.makedirs(chosen)
    make_tone(os.path.join(music, "song.wav"), 6)
    app = start(music)
    app.wait(lambda m: m.row("playList", "song.wav"), "the folder listed")
    app.click("optionsButton", "playerWindow")
    app.wait(lambda m: m.window("optionsDialog"), "the options")
    app.click_tab("pages", "Format")
    app.click_tab("formatPages", "MP3")
    app.click("mp3BitRateBox")
    app.type("192")
    app.key("Return")
    app.wait(lambda m: m.control("mp3BitRateBox").text == "192 kbps", "192 kbps chosen")
    app.click_tab("pages", "Save")
    app.click_tab("savePages", "Converter")
    app.click_text("Always save to ", "optionsDialog")
    app.click("convertFolderButton")
    # The desktop's folder dialog: the folder typed into its name box.
    name = app.wait(lambda m: next((c for c in m.controls if c.name == "fileNameEdit" and c.enabled), None),
                    "the folder dialog")
    app.click_at(*name.centre())
    app.key("ctrl+a")
    app.type(chosen)
    app.key("Return")
    app.wait(lambda m: (c := m.control("convertFolderEdit")) and c.text.rstrip("/") == chosen, "the folder set")
    app.screenshot("options", window="optionsDialog")
    app.click("okButton")
    app.wait(lambda m: not m.window("optionsDialog"), "the options to close")
    # A conversion to MP3 now goes to that folder at that bit rate.
    app.click_row("playList", "song.wav", button=3)
    app.click_action("Convert to MP3")
    written = os.path.join(chosen, "song.mp3")
    app.wait(lambda m: (c := m.control("statusLine")) and "Converted" in c.text and os.path.exists(written),
             "the MP3 written")
    if abs(bit_rate(written) - 192000) > 2000:
        raise FlowFailure(f"{written} is {bit_rate(written)} bit/s")
    # The settings are kept for the next start.
    settings = os.path.join(home, ".config", "Zelvo Mp3 Zovozu Darozu", "ZSCJCfg.ini")
    with open(settings, encoding="utf-8") as file:
        text = file.read()
    if chosen not in text:
        raise FlowFailure("the output folder is not in the settings file")


flow(body)
