"""Files chosen as a member's photo that are no picture the register reads, under real input: a
phone's HEIC photo named ".jpg", random bytes and a JPEG cut short are each refused with a box,
answered with Enter or the mouse, and the picture folder and the parish stay as they were; in a
parish that can only be read the photo opens no file dialog at all.
Usage: photo_input.py enter|mouse [writable|readonly]"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdriver import Orvane, check, main, sql  # noqa: E402
from failed_writes_input import THAI, read_only_orvane  # noqa: E402
from main_window_input import PHOTO, choose_photo, member_on_screen, row  # noqa: E402


def folder(path):
    """Every file of a folder with its bytes."""
    found = {}
    for name in sorted(os.listdir(path)):
        with open(os.path.join(path, name), "rb") as f:
            found[name] = f.read()
    return found


def parish(app):
    return sql(app.db, "select * from Orvani order by ID") + sql(app.db, "select * from Move order by rowid")


def not_pictures(root):
    """The files a parish office is handed that are no picture it can read."""
    made = os.path.join(root, "phone")
    os.makedirs(made)
    heic = os.path.join(made, "IMG_0001.jpg")
    with open(heic, "wb") as f:
        f.write(b"\0\0\0\x18ftypheic\0\0\0\0mif1heic" + bytes(range(256)) * 40)
    noise = os.path.join(made, "download.jpg")
    with open(noise, "wb") as f:
        f.write(os.urandom(20000))
    whole = os.path.join(made, "whole.jpg")
    subprocess.run(["convert", "-size", "320x240", "gradient:red-blue", "-quality", "90", whole], check=True)
    cut = os.path.join(made, "cut.jpg")
    with open(whole, "rb") as f:
        data = f.read()
    with open(cut, "wb") as f:
        f.write(data[:len(data) // 2])
    return [heic, noise, cut]


def unreadable_files_are_refused_and_nothing_moves(answer):
    with Orvane(answer=answer, env=THAI) as app:
        app.click(app.main, *row(2))
        member = member_on_screen(app, "p1")
        nm, sur = sql(app.db, "select Nm, sur from Orvani where ID = %s" % member)[0]
        pictures = os.path.join(app.parish, "Picture")
        # The member's good photo, which a refused file must leave where it is.
        subprocess.run(["convert", "-size", "64x48", "xc:green", os.path.join(pictures, "%s %s.jpg" % (nm, sur))],
                       check=True)
        app.click(app.main, *row(3))
        app.click(app.main, *row(2))
        before, stored = folder(pictures), parish(app)
        for chosen in not_pictures(app.root):
            choose_photo(app, answer, chosen)
            app.expect_box()
            app.no_new_window(0.3)
            check(folder(pictures) == before, "the picture folder is as it was after %s" % os.path.basename(chosen))
            check(parish(app) == stored, "the parish is as it was after %s" % os.path.basename(chosen))
            check(os.path.exists(chosen), "the chosen file stays where it was")


def a_read_only_parish_opens_no_photo_dialog(answer):
    with read_only_orvane(answer) as app:
        pictures = os.path.join(app.parish, "Picture")
        before, stored = folder(pictures), parish(app)
        app.click(app.main, *row(2))
        for _ in not_pictures(app.root):
            app.click(app.main, *PHOTO)
            app.no_new_window(0.5)
        check(folder(pictures) == before, "the picture folder is as it was")
        check(parish(app) == stored, "the parish is as it was")


if __name__ == "__main__":
    main({"writable": [unreadable_files_are_refused_and_nothing_moves],
          "readonly": [a_read_only_parish_opens_no_photo_dialog]})
