"""The churches and statistics windows and the preview under real input: the envelope reaches
the preview, the preview's keys act once each, a printed summary stays on screen.
Usage: other_windows_input.py enter|mouse [preview|notices]"""
import glob
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdriver import PATIENCE, Failure, Orvane, check, main, sql, wait_for  # noqa: E402

# Places in the client areas of the windows.
MAIN_CHURCHES = (120, 12)          # main menu "รายชื่อวัด"
MAIN_STATISTICS = (400, 12)        # main menu "สรุปจำนวนสัตบุรุษ"
MAIN_NOTICES = (207, 12)           # main menu "ใบแจ้งการสมรส"
NOTICE_FIRST_ROW = (129, 280)
NOTICE_ROW_HEIGHT = 30
NOTICE_NUMBER = (994, 93)          # "เลขที่ใบแจ้ง"
NOTICE_RETURNED_BY = (994, 593)    # "ผู้ส่งกลับ"
CHURCHES_ENVELOPE = (78, 12)       # churches menu "พิมพ์จ่าหน้าซองจดหมาย"
ENVELOPE_PRINT = (442, 494)        # "Print" on the envelope panel
STATISTICS_RUN = (157, 641)        # "ค้นหาข้อมูล"
STATISTICS_PRINT = (390, 641)      # "พิมพ์สรุป"
STATISTICS_SUMMARY = (330, 12, 640, 120)  # x, y, width, height of the summary memo
STATISTICS_CLOSE = (912, 641)      # "ปิดหน้าต่างนี้"
OPEN_WEBCAM = (1171, 547)          # "Open WebCam" on the main window
PREVIEW_CLOSE = (569, 13)          # "Close" on the preview's tool bar
ENVELOPE_PREVIEW = "จ่าหน้าซองจดหมายถึงวัด"


def cups_jobs(user):
    """Jobs the private print server has finished for user (other tests print there too)."""
    state = {}
    with open(os.environ["ORVANE_CUPS_STATE"]) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            state[key] = value
    jobs = []
    for done in sorted(glob.glob(os.path.join(state["CUPS_TREE"], "out", "*.done"))):
        with open(done[:-len(".done")] + ".args") as f:
            if "user=%s\n" % user in f.read():
                jobs.append(done)
    return jobs


def cups_server():
    with open(os.environ["ORVANE_CUPS_STATE"]) as f:
        port = dict(line.strip().split("=", 1) for line in f if "=" in line)["CUPS_PORT"]
    return "127.0.0.1:" + port


def geometry(window):
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], capture_output=True,
                         text=True).stdout
    values = dict(line.split("=") for line in out.split() if "=" in line)
    return {k: int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")}


def picture(app, window, area, name):
    """What the user sees of area of window, as a PNG file."""
    x, y, w, h = area
    file = os.path.join(app.root, name + ".png")
    subprocess.run(["import", "-window", window, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", file],
                   check=True)
    return file


def differing_pixels(a, b):
    out = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True, text=True)
    return int(float(out.stderr.split()[0]))


def close_preview(app, preview):
    app.activate(preview)
    if app.answer == "enter":
        app.key("Escape")
    else:
        app.click(preview, *PREVIEW_CLOSE)
    wait_for(lambda: preview not in app.windows(), "the preview to close")
    app.settle(0.5)


def churches_envelope_and_the_preview_keys(answer):
    # The print server tells this run's jobs by the user name they were sent by.
    user = "orvane-x-%d" % os.getpid()
    jobs_before = cups_jobs(user)
    with Orvane(answer=answer, env={"CUPS_SERVER": cups_server(), "CUPS_USER": user}) as app:
        app.click(app.main, *MAIN_CHURCHES)
        churches = app.wait_window("รายชื่อวัด")
        app.known.add(churches)
        app.click(churches, *CHURCHES_ENVELOPE)
        app.expect_box(button_from_right=1)
        # The panel the question opened is still there: its Print button reaches the preview.
        app.click(churches, *ENVELOPE_PRINT)
        preview = app.wait_window(ENVELOPE_PREVIEW)
        app.known.add(preview)
        app.activate(preview)
        # The preview opens maximised; the window manager may take a moment to get there.
        width, height = app.screen_size()
        wait_for(lambda: geometry(preview)["WIDTH"] == width, "the preview to fill the width")
        app.settle(0.5)
        app.key("F11")
        try:
            wait_for(lambda: geometry(preview)["Y"] == 0 and geometry(preview)["HEIGHT"] == height,
                     "F11 to show the preview full screen")
        except Failure as e:
            raise Failure("%s: the preview is at %s on a screen of %dx%d" % (e, geometry(preview), width, height))
        app.key("F11")
        wait_for(lambda: geometry(preview)["Y"] > 0, "F11 again to give the window its frame back")
        app.key("ctrl+f")
        app.expect_box("Find Text", button_from_right=0)
        app.no_new_window()
        app.activate(preview)
        app.key("ctrl+p")
        app.expect_box("Print", button_from_right=1)
        wait_for(lambda: len(cups_jobs(user)) > len(jobs_before), "the print job", 2 * PATIENCE)
        app.no_new_window(1.5)
        check(len(cups_jobs(user)) == len(jobs_before) + 1, "Ctrl+P prints once")
        app.activate(preview)
        app.key("Escape")
        wait_for(lambda: preview not in app.windows(), "Escape to close the preview")


def statistics_summary_survives_a_print(answer):
    with Orvane(answer=answer, env={"CUPS_SERVER": cups_server()}) as app:
        app.click(app.main, *MAIN_STATISTICS)
        statistics = app.wait_window("สรุปจำนวนสัตบุรุษ")
        app.known.add(statistics)
        app.settle(1.0)
        empty = picture(app, statistics, STATISTICS_SUMMARY, "empty")
        app.click(statistics, *STATISTICS_RUN)
        app.settle(1.0)
        summary = picture(app, statistics, STATISTICS_SUMMARY, "summary")
        check(differing_pixels(empty, summary) > 100, "the run writes a summary")
        app.click(statistics, *STATISTICS_PRINT)
        app.expect_box(button_from_right=1)
        preview = app.wait_window()
        app.known.add(preview)
        app.settle(1.0)
        close_preview(app, preview)
        after = picture(app, statistics, STATISTICS_SUMMARY, "after")
        check(differing_pixels(summary, after) == 0, "the summary is still on screen after its preview")

        # Enter on the button with the focus pushes it: the mouse pressed on "ปิดหน้าต่างนี้" and
        # let go beside it gives the button the focus without a click.
        app.activate(statistics)
        subprocess.run(["xdotool", "mousemove", "--window", statistics, *map(str, STATISTICS_CLOSE), "sleep", "0.15",
                        "mousedown", "1", "sleep", "0.15", "mousemove_relative", "--", "0", "-80", "sleep", "0.15",
                        "mouseup", "1"], check=True)
        app.settle(0.5)
        check(statistics in app.windows(), "a press let go beside the button does not push it")
        app.key("Return")
        wait_for(lambda: statistics not in app.windows(), "Enter on the focused button to close the window")

        # The photo window closes on Escape, as on its "ยกเลิก".
        app.activate(app.main)
        app.click(app.main, *OPEN_WEBCAM)
        camera = app.wait_window("ถ่ายรูป")
        app.known.add(camera)
        app.activate(camera)
        app.key("Escape")
        wait_for(lambda: camera not in app.windows(), "Escape to close the photo window")


def a_notification_number_typed_wrong(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *MAIN_NOTICES)
        notices = app.wait_window("ใบแจ้งการสมรส")
        app.known.add(notices)
        app.settle(0.5)
        app.click(notices, NOTICE_FIRST_ROW[0], NOTICE_FIRST_ROW[1] + 2 * NOTICE_ROW_HEIGHT)
        before = sql(app.db, "select * from MarriageNotify order by rowid")
        app.click(notices, *NOTICE_NUMBER)
        app.key("ctrl+a")
        app.type("3x")
        app.key("Return")
        app.expect_box()
        app.no_new_window()
        check(sql(app.db, "select * from MarriageNotify order by rowid") == before, "a wrong number writes nothing")
        # The notification on screen is still the third: what is typed next is its own.
        app.click(notices, *NOTICE_RETURNED_BY)
        app.key("ctrl+a")
        app.type("Bernard")
        app.key("Return")
        after = sql(app.db, "select * from MarriageNotify order by rowid")
        changed = [(b, a) for b, a in zip(before, after) if a != b]
        check(len(after) == len(before) and len(changed) == 1, "one notification changes: %s" % changed)
        check(sql(app.db, "select Notify_No from MarriageNotify where Return_By = 'Bernard'") == [["3"]],
              "the third notification, the one on screen, took the name")


NOTICE_ADD = (173, 715)            # "สร้างเอกสารแจ้งการสมรส", typed by hand


def held_enter_adds_one_notification(answer):
    """Enter held down on the notification window's question adds one notification."""
    if answer != "enter":
        return
    with Orvane(answer=answer) as app:
        app.click(app.main, *MAIN_NOTICES)
        notices = app.wait_window("ใบแจ้งการสมรส")
        app.known.add(notices)
        app.settle(0.5)
        before = len(sql(app.db, "select rowid from MarriageNotify"))
        app.click(notices, *NOTICE_ADD)
        box = app.wait_window()
        app.activate(box)
        app.hold("Return", 1.5)
        wait_for(lambda: box not in app.windows(), "the question to close")
        app.target = notices
        app.no_new_window()
        after = len(sql(app.db, "select rowid from MarriageNotify"))
        check(after == before + 1, "one notification is added: %d -> %d" % (before, after))


if __name__ == "__main__":
    main({"preview": [churches_envelope_and_the_preview_keys, statistics_summary_survives_a_print],
          "notices": [a_notification_number_typed_wrong, held_enter_adds_one_notification]})
