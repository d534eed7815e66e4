"""An album image with a CUE sheet written on a Russian Windows: the cutter asks how to
read the sheet, shows its titles as the guessed encoding reads them, and the sections
take those titles."""

import os

from flowlib import FlowFailure, flow, make_tone

TITLES = ["Трек первый: Утро", "Вечерняя песня", "Дорога домой", "Зимний сон", "Последняя встреча"]


def body(home, start):
    album = os.path.join(home, "album.wav")
    make_tone(album, 30)
    sheet = os.path.join(home, "album.cue")
    text = 'PERFORMER "Группа Кино"\r\nFILE "album.wav" WAVE\r\n'
    for number, title in enumerate(TITLES, 1):
        text += f'  TRACK 0{number} AUDIO\r\n    TITLE "{title}"\r\n    INDEX 01 00:0{number * 5 - 5}:00\r\n'
    with open(sheet, "wb") as out:
        out.write(text.encode("cp1251"))
    app = start("--cut", album)
    app.wait(lambda m: len(m.rows_of("sectionList")) == 1 and (w := m.window("cutterWindow")) and w.active,
             "the cutter with one section, active")
    app.click("findPointsButton")
    app.click_action("From a CUE sheet...")
    app.wait(lambda m: any(w.active and w.title == "Open a CUE sheet" for w in m.windows), "the file dialog")
    app.type(sheet)
    app.key("Return")
    app.wait(lambda m: (w := m.window("cueEncodingDialog")) and w.active, "the question of the sheet's encoding")
    shown = app.wait(lambda m: len(m.rows_of("titlesPreview")) == 5 and m.rows_of("titlesPreview"),
                     "the titles previewed")
    expected = [f"0{n}  {title} — Группа Кино" for n, title in enumerate(TITLES, 1)]
    if [row.cells[0] for row in shown] != expected:
        raise FlowFailure(f"the preview shows {[row.cells[0] for row in shown]}")
    app.screenshot("cue_encoding", window="cueEncodingDialog")
    app.click_text("OK", "cueEncodingDialog")
    rows = app.wait(lambda m: len(m.rows_of("sectionList")) == 5 and m.rows_of("sectionList"), "five sections")
    titles = [row.cells[5] for row in rows]
    if titles != TITLES:
        raise FlowFailure(f"the sections are titled {titles}")
    app.screenshot("flow_cue_encoding", window="cutterWindow")


flow(body)
