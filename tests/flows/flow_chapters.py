"""Join three titled files into one book with a chapter per file, one chapter's title
edited in the joiner's list; name the cutter's files by a template in Options; cut the
book at its chapters: the sections are named by their titles."""

import os
import re

from flowlib import FlowFailure, flow, run


def chapters(path):
    out = run(["ffprobe", "-v", "error", "-show_entries", "chapter=start_time:chapter_tags=title", "-of",
               "csv=p=0", path]).stdout
    return [line.split(",", 1) for line in out.splitlines()]


def body(home, start):
    music = os.path.join(home, "Music")
    os.makedirs(music)
    files = []
    for name, seconds in (("one", 2.0), ("two", 3.0), ("three", 2.5)):
        path = os.path.join(music, name + ".flac")
        run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", f"sine=330:d={seconds}", "-ac", "2", "-ar", "44100",
             "-metadata", f"title=Part {name}", path])
        files.append(path)
    app = start("--join", *files)
    app.wait(lambda m: [r.cells[5] for r in m.rows_of("joinList")] == ["Part one", "Part two", "Part three"],
             "the chapters titled by the files' titles")

    # The second chapter retitled in place: its cell picked, F2, a new title, Enter.
    app.select_row("joinList", files[1], "joinerWindow")
    row = app.wait(lambda m: (r := m.row("joinList", files[1])) and r.selected and r, "the second row alone selected")
    view = app.wait_control("joinList")
    app.click_at(view.x + view.w - 60, row.y + row.h // 2, double=True)  # the last column, Chapter
    app.key("ctrl+a")
    app.type("Das zweite Kapitel")
    app.key("Return")
    app.wait(lambda m: [r.cells[5] for r in m.rows_of("joinList")][1] == "Das zweite Kapitel", "the new title")
    app.screenshot("joiner_chapters", window="joinerWindow")

    # Options: the cutter names its files by number and title.
    app.click("optionsButton", "joinerWindow")
    app.wait(lambda m: m.window("optionsDialog"), "the options")
    app.click_tab("pages", "Save")
    app.click_tab("savePages", "Zovozu")
    app.click("cutNameEdit")
    app.key("ctrl+a")
    app.type("{n:02} - {title}")
    app.wait_control("cutNameEditExample", ready=lambda c: c.text == "Example: 03 - Intro.mp3")
    app.screenshot("options_names", window="optionsDialog")
    app.click("okButton")
    app.wait(lambda m: not m.window("optionsDialog"), "the options to close")

    app.click("mergeButton")
    said = app.answer_message()
    found = re.fullmatch(r"Merge finished 1 file written in (.*)", said)
    if not found:
        raise FlowFailure(f"the end of the merge said {said!r}")
    book = os.path.join(found.group(1), next(n for n in os.listdir(found.group(1)) if n.endswith(".mp3")))
    got = chapters(book)
    if [title for _, title in got] != ["Part one", "Das zweite Kapitel", "Part three"] or \
            abs(float(got[1][0]) - 2.0) > 0.001 or abs(float(got[2][0]) - 5.0) > 0.001:
        raise FlowFailure(f"{book} has the chapters {got}")

    # The book in the cutter, cut at its chapters.
    app = start("--cut", book)
    app.wait(lambda m: (w := m.window("cutterWindow")) and w.title.startswith("Zelvo MP3 Zovozu"), "the cutter")
    app.click("findPointsButton")
    app.click_action("From chapters")
    app.wait(lambda m: len(m.rows_of("sectionList")) == 3, "a section per chapter")
    app.screenshot("cutter_chapters", window="cutterWindow")
    app.click("cutButton")
    said = app.answer_message()
    found = re.fullmatch(r"Cut finished 3 files written in (.*)", said)
    if not found:
        raise FlowFailure(f"the end of the cut said {said!r}")
    names = sorted(os.listdir(found.group(1)))
    if names != ["01 - Part one.mp3", "02 - Das zweite Kapitel.mp3", "03 - Part three.mp3"]:
        raise FlowFailure(f"the cut wrote {names}")


flow(body)
