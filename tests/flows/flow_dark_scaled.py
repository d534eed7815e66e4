"""A dark palette (the desktop's colour scheme through qt6ct) at 1.5 times the size on a
1366x768 screen: every window fits the screen, every control lies inside its window, and
every sign button's icon stands out from the button."""

import os

from flowlib import FlowFailure, flow, contrast_of, make_tone

SCREEN = (1366, 768)
SCALE = 1.5
SIGNS = {"playerWindow": ["playButton", "stopButton", "pauseButton", "mailButton", "muteButton",
                          "equalizerModeButton"],
         "cutterWindow": ["stepBackwardButton", "stepForwardButton", "playBeforeButton", "playAfterButton"],
         "joinerWindow": ["outputFormatButton"]}


def check_window(app, name, shot):
    found = app.controls()
    window = found.window(name)
    right, bottom = (window.x + window.w) * SCALE, (window.y + window.h) * SCALE
    if window.x < 0 or window.y < 0 or right > SCREEN[0] + 1 or bottom > SCREEN[1] + 1:
        raise FlowFailure(f"{name} lies at {window.x},{window.y} {window.w}x{window.h}: off the screen")
    for control in (c for c in found.controls if c.window == name and c.w > 0 and c.h > 0):
        if control.x + control.w > window.x + window.w + 1 or control.y + control.h > window.y + window.h + 1:
            raise FlowFailure(f"{control.name or control.text} of {name} lies outside its window")
    for sign in SIGNS.get(name, []):
        button = found.control(sign, name)
        inset = 4
        spread = contrast_of(shot, round((button.x + inset) * SCALE), round((button.y + inset) * SCALE),
                             round((button.w - 2 * inset) * SCALE), round((button.h - 2 * inset) * SCALE))
        if spread < 0.35:
            raise FlowFailure(f"the icon of {sign} hardly stands out ({spread:.2f})")


def body(home, start):
    os.makedirs(os.path.join(home, ".config", "qt6ct"))
    with open(os.path.join(home, ".config", "qt6ct", "qt6ct.conf"), "w") as conf:
        conf.write("[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\n"
                   "style=Fusion\nicon_theme=\n")
    music = os.path.join(home, "Music")
    os.makedirs(music)
    song = os.path.join(music, "song.wav")
    make_tone(song, 8)
    environment = {"QT_SCALE_FACTOR": str(SCALE), "QT_QPA_PLATFORMTHEME": "qt6ct"}
    app = start("--cut", song, environment=environment)
    app.wait(lambda m: m.window("cutterWindow") and m.window("cutterWindow").active, "the cutter")
    shot = app.screenshot("flow_dark_scaled_cutter")
    app.screenshot("cutter-dark-1.5x", window="cutterWindow")
    check_window(app, "cutterWindow", shot)
    app.key("Escape")
    app.wait(lambda m: not m.window("cutterWindow"), "the cutter to close")
    app.wait(lambda m: m.window("playerWindow") and m.window("playerWindow").active, "the main window")
    shot = app.screenshot("flow_dark_scaled_player")
    app.screenshot("player-dark-1.5x", window="playerWindow")
    check_window(app, "playerWindow", shot)
    app.click("joinerButton")
    app.wait(lambda m: m.window("joinerWindow") and m.window("joinerWindow").active, "the joiner")
    shot = app.screenshot("flow_dark_scaled_joiner")
    check_window(app, "joinerWindow", shot)
    app.key("Escape")
    app.wait(lambda m: not m.window("joinerWindow"), "the joiner to close")
    app.click("optionsButton", "playerWindow")
    app.wait(lambda m: m.window("optionsDialog") and m.window("optionsDialog").active, "the options")
    shot = app.screenshot("flow_dark_scaled_options")
    check_window(app, "optionsDialog", shot)
    app.key("Escape")


flow(body, size=f"{SCREEN[0]}x{SCREEN[1]}")
