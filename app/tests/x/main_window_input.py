"""The main window under real input: an edit lands on the member on screen and nowhere else, and a
chosen photo is stored as a JPEG and shown.
Usage: main_window_input.py enter|mouse [edits|values|photo]"""
import os
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdriver import Orvane, check, main, sql, sql_write, wait_for  # noqa: E402

# Places in the main window's client area.
GRID_FIRST_ROW = (200, 356)
GRID_ROW_HEIGHT = 30
ADD_MEMBER = (1171, 337)           # "เพิ่มข้อมูล", typed address
ADD_MOVE = (1171, 421)             # "สร้างข้อมูลการย้าย"
PERSONAL_TAB = (614, 50)
MOVES_TAB = (842, 50)
MOVE_IN_BY = (556, 406)            # "ผู้รับย้ายเข้า" on the moves page
FIRST_NAME = (506, 145)            # "ชื่อ"
BIRTH_DATE_TEXT = (496, 295)       # "วันเกิด", the typed date beside its picker
BIRTH_DATE_PICKER = (594, 295)
RELIGION = (506, 345)
SEX = (506, 395)
FAMILY_FROM = (717, 246)           # "มาจากครอบครัวที่", before the moved-in date in tab order
EMAIL = (506, 495)                 # "อีเมล"
PHOTO = (1172, 107)                # the member's photo, 200 x 150 from (1072, 32)
NAME_MODE = (40, 71)               # the search mode "ชื่อ/นามสกุล", chosen at start-up
SEARCH_NAME = (105, 253)           # the search box "ชื่อ"
ADD_AT_ADDRESS = (1171, 379)       # "เพิ่มข้อมูล", the member's address
ADD_NOTICE = (1171, 463)           # "สร้างเอกสารแจ้งการสมรส"


def row(n):
    return (GRID_FIRST_ROW[0], GRID_FIRST_ROW[1] + (n - 1) * GRID_ROW_HEIGHT)


def member_on_screen(app, mark):
    """The member the window shows: mark is typed into its e-mail and looked for in the file."""
    app.click(app.main, *PERSONAL_TAB)
    app.click(app.main, *EMAIL)
    app.key("ctrl+a")
    app.type(mark)
    app.key("Return")
    ids = [r[0] for r in sql(app.db, "select ID from Orvani where e_mail = '%s'" % mark)]
    check(len(ids) == 1, "one member carries the mark %s: %s" % (mark, ids))
    return ids[0]


def others(rows, member_id):
    return [r for r in rows if r[0] != member_id]


def snapshot(app, table):
    return sql(app.db, "select * from %s order by ID" % table)


def add_a_move_and_type_into_it(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(3))
        member = member_on_screen(app, "m1")
        before = snapshot(app, "Move")
        members_before = snapshot(app, "Orvani")
        app.click(app.main, *ADD_MOVE)
        app.expect_box(button_from_right=1)
        moves = snapshot(app, "Move")
        check(len(moves) == len(before) + 1, "one move is added: %d -> %d" % (len(before), len(moves)))
        new_move = moves[-1]
        check(new_move[1] == member, "the move is the chosen member's")
        app.click(app.main, *MOVES_TAB)
        app.click(app.main, *MOVE_IN_BY)
        app.type("Xavier")
        app.key("Return")
        after = snapshot(app, "Move")
        changed = [a for a, b in zip(after, moves) if a != b]
        check(len(after) == len(moves), "no further move is added")
        check(len(changed) == 1 and changed[0][0] == new_move[0],
              "the typed text lands on the new move %s only, changed: %s" % (new_move[0], changed))
        check(changed[0][4] == "Xavier", "MoveInBy is the typed text: %r" % changed[0][4])
        check(member_on_screen(app, "m2") == member, "the member stays on screen")
        check(others(snapshot(app, "Orvani"), member) == others(members_before, member),
              "no other member changes")


def add_a_member_and_type_its_name(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(2))
        before = snapshot(app, "Orvani")
        app.click(app.main, *ADD_MEMBER)
        app.expect_box(button_from_right=1)
        after = snapshot(app, "Orvani")
        check(len(after) == len(before) + 1, "one member is added")
        new_id = after[-1][0]
        app.click(app.main, *PERSONAL_TAB)
        app.click(app.main, *FIRST_NAME)
        app.key("ctrl+a")
        app.type("Anna")
        app.key("Return")
        names = sql(app.db, "select ID, Nm from Orvani where Nm = 'Anna'")
        check(names == [[new_id, "Anna"]], "the name is the new member's (%s): %s" % (new_id, names))
        check(member_on_screen(app, "m1") == new_id, "the new member stays on screen")
        check(others(snapshot(app, "Orvani"), new_id) == before, "no other member changes")


def typed_date_error(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(4))
        member = member_on_screen(app, "m1")
        before = snapshot(app, "Orvani")
        app.click(app.main, *BIRTH_DATE_TEXT)
        app.key("ctrl+a")
        app.type("99/99/99")
        app.key("Return")
        app.expect_box(button_from_right=0)
        # Answered once, the box stays closed.
        app.no_new_window()
        check(snapshot(app, "Orvani") == before, "a mistyped date changes nothing")
        check(member_on_screen(app, "m2") == member, "the member stays on screen")
        check(others(snapshot(app, "Orvani"), member) == others(before, member), "no other member changes")


def tab_into_a_read_only_move_field(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(5))
        member = member_on_screen(app, "m1")
        before = snapshot(app, "Orvani")
        app.click(app.main, *FAMILY_FROM)
        # The Tab pressed in the field before is not the read-only field's key; a key typed
        # there is, and is answered with the box that sends the user to the moves page.
        app.key("Tab")
        app.no_new_window(0.3)
        app.key("a")
        app.expect_box()
        app.no_new_window()
        check(snapshot(app, "Orvani") == before, "nothing is written")
        check(member_on_screen(app, "m2") == member, "the member stays on screen")


def wheel_over_values(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(6))
        app.click(app.main, *PERSONAL_TAB)
        before = snapshot(app, "Orvani")
        for place in (RELIGION, SEX, BIRTH_DATE_PICKER):
            app.wheel(app.main, *place, notches=2)
            app.wheel(app.main, *place, notches=1, down=False)
        app.no_new_window(0.3)
        check(snapshot(app, "Orvani") == before, "no wheel turn changes a stored value")


def write_png(path, width, height, rgb):
    """A PNG of one colour, whatever name it is given."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = (b"\0" + bytes(rgb) * width) * height
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def pixel(file, x, y):
    """The colour of a pixel of a picture file, as ImageMagick reads it."""
    out = subprocess.run(["convert", file, "-crop", "1x1+%d+%d" % (x, y), "-depth", "8", "txt:-"],
                         capture_output=True, text=True).stdout
    values = out.split("(")[1].split(")")[0].split(",")
    return tuple(int(float(v)) for v in values[:3])


def near(a, b, tolerance):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


def choose_photo(app, answer, chosen):
    """Clicks the photo and chooses the file chosen in the file dialog it opens."""
    app.click(app.main, *PHOTO)
    dialog = app.wait_window()
    app.activate(dialog)
    # The file name field has the focus; the dialog opens on the picture folder.
    app.type(chosen)
    if answer == "enter":
        app.key("Return")
    else:
        # "Open", above "Cancel" at the dialog's bottom right; the first click only closes
        # the list of completions that typing opened.
        size = dict(line.strip().split("=") for line in
                    subprocess.run(["xdotool", "getwindowgeometry", "--shell", dialog],
                                   capture_output=True, text=True).stdout.split("\n") if "=" in line)
        for _ in range(2):
            if dialog in app.windows():
                app.click(dialog, int(size["WIDTH"]) - 52, int(size["HEIGHT"]) - 64)
    wait_for(lambda: dialog not in app.windows(), "the file dialog to close", 10)


def quarters(file):
    """The mean colour of each quarter of a picture, row by row, as ImageMagick reads it."""
    out = subprocess.run(["convert", file, "-scale", "2x2!", "-depth", "8", "txt:-"],
                         capture_output=True, text=True).stdout
    return [tuple(int(float(v)) for v in line.split("(")[1].split(")")[0].split(",")[:3])
            for line in out.split("\n") if line and not line.startswith("#")]


def choose_phone_photos_of_every_orientation(answer):
    """A phone's JPEG of each EXIF orientation, chosen in the file dialog, is stored upright and
    without the tag: as ImageMagick's -auto-orient turns it."""
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(2))
        member = member_on_screen(app, "m1")
        nm, sur = sql(app.db, "select Nm, sur from Orvani where ID = %s" % member)[0]
        photo = os.path.join(app.parish, "Picture", "%s %s.jpg" % (nm, sur))
        plain = os.path.join(app.root, "phone", "plain.jpg")
        os.makedirs(os.path.dirname(plain))
        subprocess.run(["convert", "-size", "64x32", "xc:red", "-fill", "blue", "-draw", "rectangle 32,0 63,15",
                        "-fill", "lime", "-draw", "rectangle 0,16 31,31", "-fill", "yellow", "-draw",
                        "rectangle 32,16 63,31", "-quality", "95", plain], check=True)
        with open(plain, "rb") as f:
            data = f.read()
        for orientation in range(1, 9):
            tiff = (b"MM\0*" + struct.pack(">IH", 8, 1) + struct.pack(">HHIHH", 0x0112, 3, 1, orientation, 0) +
                    struct.pack(">I", 0))
            app1 = b"Exif\0\0" + tiff
            chosen = os.path.join(app.root, "phone", "IMG_%d.jpg" % orientation)
            with open(chosen, "wb") as f:
                f.write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + data[2:])
            upright = chosen + ".png"
            subprocess.run(["convert", chosen, "-auto-orient", upright], check=True)
            before = os.path.getmtime(photo) if os.path.exists(photo) else None
            choose_photo(app, answer, chosen)
            wait_for(lambda: os.path.exists(photo) and os.path.getmtime(photo) != before, "the member's photo")
            app.settle(0.3)
            size = subprocess.run(["identify", "-format", "%wx%h", photo], capture_output=True, text=True).stdout
            check(size == ("32x64" if orientation >= 5 else "64x32"), "orientation %d stored as %s" % (orientation, size))
            tag = subprocess.run(["identify", "-format", "%[orientation]", photo], capture_output=True, text=True).stdout
            check(tag in ("Undefined", "TopLeft"), "orientation %d stored with the tag %s" % (orientation, tag))
            got, expected = quarters(photo), quarters(upright)
            check(len(got) == 4 and all(near(a, b, 16) for a, b in zip(got, expected)),
                  "orientation %d stored as %s, -auto-orient gives %s" % (orientation, got, expected))
        app.no_new_window(0.3)


def choose_a_png_named_jpg_as_photo(answer):
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(2))
        member = member_on_screen(app, "m1")
        nm, sur = sql(app.db, "select Nm, sur from Orvani where ID = %s" % member)[0]
        chosen = os.path.join(app.root, "chat", "IMG_0042.jpg")
        colour = (30, 160, 220)
        write_png(chosen, 40, 30, colour)
        choose_photo(app, answer, chosen)
        photo = os.path.join(app.parish, "Picture", "%s %s.jpg" % (nm, sur))
        wait_for(lambda: os.path.exists(photo), "the member's photo")
        with open(photo, "rb") as f:
            check(f.read(2) == b"\xff\xd8", "the photo is stored as a JPEG")
        ppm = os.path.join(app.root, "photo.ppm")
        subprocess.run(["djpeg", "-ppm", "-outfile", ppm, photo], check=True)
        check(near(pixel(ppm, 20, 15), colour, 6), "the stored photo is the chosen picture")
        app.settle(0.5)
        shot = os.path.join(app.root, "main.png")
        subprocess.run(["import", "-window", app.main, shot], check=True)
        shown = pixel(shot, PHOTO[0], PHOTO[1])
        check(near(shown, colour, 6), "the main window shows the photo: %s" % (shown,))
        app.no_new_window(0.3)



def a_click_on_the_chosen_mode_keeps_it(answer):
    with Orvane(answer=answer) as app:
        # A living member with a name of its own, far from the first in the list by name.
        target = sql(app.db, "select ID from Orvani where Nm is not null order by Nm desc limit 1")[0][0]
        sql_write(app.db, "update Orvani set Nm = 'Zelda', dead_date = null, DateOut = null"
                          " where ID = %s" % target)
        app.click(app.main, *NAME_MODE)
        app.click(app.main, *SEARCH_NAME)
        app.type("Zelda")
        app.key("Return")
        check(member_on_screen(app, "z1") == target,
              "the name search after a click on its mode finds member %s" % target)


def held_enter_answers_each_question_once(answer):
    """Enter held down on a question: its first press answers Yes, and the keyboard's repeats
    neither answer again nor press the button below the box."""
    if answer != "enter":
        return
    with Orvane(answer=answer) as app:
        app.click(app.main, *row(2))
        for button, table in ((ADD_MEMBER, "Orvani"), (ADD_AT_ADDRESS, "Orvani"), (ADD_MOVE, "Move")):
            before = len(snapshot(app, table))
            app.click(app.main, *button)
            box = app.wait_window()
            app.activate(box)
            app.hold("Return", 1.5)
            wait_for(lambda: box not in app.windows(), "the question to close")
            app.target = app.main
            app.no_new_window()
            after = len(snapshot(app, table))
            check(after == before + 1, "one row is added to %s: %d -> %d" % (table, before, after))
        # Last, the member's marriage notification: its question adds one and shows the
        # notifications window, which holds the main window until it closes.
        sql_write(app.db, "delete from MarriageNotify")
        app.click(app.main, *ADD_NOTICE)
        box = app.wait_window()
        app.activate(box)
        app.hold("Return", 1.5)
        wait_for(lambda: box not in app.windows(), "the question to close")
        app.known.add(app.wait_window("ใบแจ้งการสมรส"))
        app.no_new_window()
        notices = len(sql(app.db, "select rowid from MarriageNotify"))
        check(notices == 1, "one notification is added: %d" % notices)


if __name__ == "__main__":
    main({"edits": [add_a_move_and_type_into_it, add_a_member_and_type_its_name, typed_date_error,
                    held_enter_answers_each_question_once],
          "values": [tab_into_a_read_only_move_field, wheel_over_values, a_click_on_the_chosen_mode_keeps_it],
          "photo": [choose_a_png_named_jpg_as_photo, choose_phone_photos_of_every_orientation]})
