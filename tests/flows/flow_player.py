"""Start, pick a folder, play a file, change the volume and an equaliser preset."""

import os

from flowlib import FlowFailure, flow, make_tone, mean_of


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    for name, frequency in (("track 1.wav", 440), ("track 2.wav", 550), ("track 10.wav", 660)):
        make_tone(os.path.join(music, name), 20, frequency)
    app = start()
    app.wait(lambda m: m.window("playerWindow"), "the main window")
    # The folder tree offers the music folder; a click on it lists its files in name order.
    app.click_row("folderTree", "Music")
    rows = app.wait(lambda m: len(m.rows_of("playList")) == 3 and m.rows_of("playList"), "three files listed")
    names = [row.cells[0] for row in rows]
    if names != ["track 1.wav", "track 2.wav", "track 10.wav"]:
        raise FlowFailure(f"listed {names}")
    # A double click plays; the row says so and the clock beside the bar runs.
    app.click_row("playList", "track 2.wav", double=True)
    app.wait(lambda m: (r := m.row("playList", "track 2.wav")) and r.cells[4].startswith("Playing"), "Playing")
    app.wait(lambda m: (c := m.control("timeLabel")) and c.text.endswith("/ 00 : 00 : 20") and
             not c.text.startswith("00 : 00 : 00"), "the elapsed time to run")
    # The volume bar: a click near its lower end moves it.
    volume = app.wait_control("volumeSlider")
    before = int(volume.text)
    app.click_at(volume.x + volume.w // 2, volume.y + volume.h - 8)
    app.wait(lambda m: int(m.control("volumeSlider").text) != before, "the volume to move")
    # An equaliser preset, chosen from its list with the keyboard.
    app.click("equalizerPresetBox")
    app.type("Pop")
    app.key("Return")
    app.wait(lambda m: m.control("equalizerPresetBox").text == "Pop" and m.control("tbEQ1").text == "-273",
             "the Pop preset on the bars")
    app.screenshot("player", window="playerWindow")
    shot = app.screenshot("flow_player")
    # The level display shows what plays: its area is not one flat colour.
    display = app.wait_control("AD")
    if mean_of(shot, display.x, display.y, display.w, display.h) in (0.0, 1.0):
        raise FlowFailure("the level display is blank")
    app.click("stopButton")
    app.wait(lambda m: not m.row("playList", "track 2.wav").cells[4], "the status to clear")


flow(body)
