"""Boxes, other windows and writes the parish refuses, under real input: after a box or a window
closes, what the user types lands in the field left and Enter saves it without a click; a grid
edit the parish refuses (another program holds it, or it can only be read) is told in a box
captioned as its window and leaves nothing half-written; Tab in a new grid row moves to the
next cell of the same row; after a refused new member, new move or combo change, the window shows
what the next save writes.
Usage: failed_writes_input.py enter|mouse [main|notices|churches|readonly|refused]"""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdriver import MAIN_TITLE, Orvane, check, main, sql, sql_write, wait_for  # noqa: E402

# Places in the client areas of the windows.
MEMBER_ROW = (200, 446)            # the fourth member of the list
EMAIL = (506, 495)                 # "อีเมล"
BIRTH_DATE_TEXT = (496, 295)       # "วันเกิด", the typed date beside its picker
MAIN_CHURCHES = (120, 12)          # main menu "รายชื่อวัด"
MAIN_NOTICES = (207, 12)           # main menu "ใบแจ้งการสมรส"
CHURCHES_CLOSE = (196, 12)         # churches menu "ปิดหน้าต่างนี้"
FIRST_NAME = (506, 145)            # "ชื่อ"
RELIGION = (506, 345)              # "ศาสนา", a combo box
PERSONAL_TAB = (614, 50)
MOVES_TAB = (842, 50)
MOVE_IN_BY = (556, 406)            # "ผู้รับย้ายเข้า" on the moves page
TO_CHURCH = (868, 456)             # "ย้ายไปวัด" on the moves page
ADD_MEMBER = (1171, 337)           # "เพิ่มข้อมูล", typed address
ADD_MOVE = (1171, 421)             # "สร้างข้อมูลการย้าย"
CHURCH_FIRST_ROW = 150
CHURCH_ROW_HEIGHT = 30
CHURCH_CODE_X = 60
CHURCH_NAME_X = 200
NOTICE_MARRIAGE_DATE = (960, 193)  # "วันสมรส", the typed date beside its picker
NOTICE_WITNESS = (994, 243)        # "พยานคนที่ 1"
CHURCHES = "รายชื่อวัด"
NOTICES = "ใบแจ้งการสมรส"
# The register speaks Thai; the messages are checked by the window tests of the program itself.
THAI = {"LANG": "th_TH.UTF-8", "LC_ALL": ""}


class HeldParish:
    """Another program in the middle of a write: sqlite3 holding the parish's write lock."""

    def __init__(self, db):
        self.proc = subprocess.Popen(["sqlite3", db], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
        self.proc.stdin.write("begin immediate;\nselect 'held';\n")
        self.proc.stdin.flush()
        check(self.proc.stdout.readline().strip() == "held", "sqlite3 holds the parish")

    def release(self):
        self.proc.stdin.write("rollback;\n.quit\n")
        self.proc.stdin.flush()
        self.proc.wait(timeout=10)


def enter_while_held(app, box_title, value, text):
    """Enter in the field holding text while sqlite3 holds the parish: a box captioned
    box_title, nothing saved. Once the parish is let go, Enter again, with no click, saves it."""
    before = value()
    held = HeldParish(app.db)
    try:
        app.key("Return")
        app.expect_box(box_title)
        check(value() == before, "nothing is saved while the parish is held")
    finally:
        held.release()
    app.key("Return")
    check(value() == text, "Enter after the box saves the field: %s" % value())


def buddhist_year_then_a_date(app, value, typed, stored):
    """In the typed-date field that has the keys: a year of the Buddhist era is refused with the
    date box; the date typed after it, with no click, is saved."""
    before = value()
    app.key("ctrl+a")
    app.type("15/3/2542")
    app.key("Return")
    app.expect_box()
    check(value() == before, "the Buddhist-era year is not stored")
    app.key("ctrl+a")
    app.type(typed)
    app.key("Return")
    check(value() == stored, "the date typed after the box is saved: %s" % value())


def church_row(n):
    return CHURCH_FIRST_ROW + (n - 1) * CHURCH_ROW_HEIGHT


def member_column(app, member, column):
    return sql(app.db, "select ifnull(%s, 'NULL') from Orvani where ID = %s" % (column, member))[0][0]


def mark_member(app, mark, *keys):
    """The fourth member of the list marked: mark typed into its e-mail, keys pressed after it,
    and Enter. Gives the IDs of the members carrying the mark."""
    app.click(app.main, *MEMBER_ROW)
    app.click(app.main, *EMAIL)
    app.key("ctrl+a")
    app.type(mark)
    app.key(*keys, "Return")
    return [r[0] for r in sql(app.db, "select ID from Orvani where e_mail = '%s'" % mark)]


def main_window_keys_after_boxes_and_windows(answer):
    with Orvane(answer=answer, env=THAI) as app:
        member = mark_member(app, "mark1")[0]

        # The box of a locked parish says to save again: Enter, with no click, does.
        app.key("ctrl+a")
        app.type("held1")
        enter_while_held(app, MAIN_TITLE, lambda: member_column(app, member, "e_mail"), "held1")

        app.click(app.main, *BIRTH_DATE_TEXT)
        buddhist_year_then_a_date(app, lambda: member_column(app, member, "birth_date"), "15/3/1999", "1999-03-15")

        # Another window opened from the menu and closed: the keys go to the field left.
        app.click(app.main, *EMAIL)
        app.click(app.main, *MAIN_CHURCHES)
        churches = app.wait_window(CHURCHES)
        app.known.add(churches)
        app.activate(churches)
        app.click(churches, *CHURCHES_CLOSE)
        wait_for(lambda: churches not in app.windows(), "the churches window to close")
        app.target = app.main
        app.key("ctrl+a")
        app.type("after2")
        app.key("Return")
        check(member_column(app, member, "e_mail") == "after2", "the field left takes the keys after the window")


def notices_window_keys_after_boxes(answer):
    with Orvane(answer=answer, env=THAI) as app:
        app.click(app.main, *MAIN_NOTICES)
        notices = app.wait_window(NOTICES)
        app.known.add(notices)
        app.settle(0.5)

        def notice(column):
            return sql(app.db, "select ifnull(%s, 'NULL') from MarriageNotify where Notify_No = 1" % column)[0][0]
        app.click(notices, *NOTICE_MARRIAGE_DATE)
        buddhist_year_then_a_date(app, lambda: notice("Marriage_Date"), "1/2/2003", "2003-02-01")

        app.click(notices, *NOTICE_WITNESS)
        app.key("ctrl+a")
        app.type("Witness")
        enter_while_held(app, NOTICES, lambda: notice("Witness1"), "Witness")


def churches_grid_new_row_and_a_held_parish(answer):
    with Orvane(answer=answer, env=THAI) as app:
        app.click(app.main, *MAIN_CHURCHES)
        churches = app.wait_window(CHURCHES)
        app.known.add(churches)
        app.settle(0.5)
        count = len(sql(app.db, "select rowid from church"))
        # A new row below the last: its code, Tab, its name, Enter.
        app.click(churches, CHURCH_CODE_X, church_row(count))
        app.key("Down")
        app.type("900900")
        app.key("Tab")
        app.type("Tab Church")
        app.key("Return")
        rows = sql(app.db, "select [id-church], [name-church] from church where [id-church] = '900900'")
        check(rows == [["900900", "Tab Church"]], "the new church has its code and its name: %s" % rows)

        # An edit while another program holds the parish: a box captioned as the window, the
        # program still there, the table as it was.
        first = sql(app.db, "select [id-church] from church order by [id-church] limit 1")[0][0]
        table = sql(app.db, "select * from church order by rowid")
        app.click(churches, CHURCH_NAME_X, church_row(1))
        held = HeldParish(app.db)
        try:
            app.type("Held Name")
            app.key("Return")
            app.expect_box(CHURCHES)
            check(sql(app.db, "select * from church order by rowid") == table, "nothing is half-written")
        finally:
            held.release()
        # The grid has the keys again: the name typed now is stored.
        app.type("Kept Name")
        app.key("Return")
        names = sql(app.db, "select [name-church] from church where [id-church] = '%s'" % first)
        check(names == [["Kept Name"]], "the name typed after the box is stored: %s" % names)


def make_read_only(app):
    """The parish folder and file as another user's, as the program sees them."""
    subprocess.run(["sqlite3", app.db, "pragma wal_checkpoint(truncate)"], check=True, capture_output=True)
    for name in os.listdir(app.parish):
        if name.startswith("Orvane.db-"):
            os.remove(os.path.join(app.parish, name))
    os.chmod(app.root, 0o755)
    os.chmod(app.db, 0o444)
    os.chmod(app.parish, 0o555)
    if os.geteuid() == 0:
        subprocess.run(["chown", "-R", "65534:65534", os.path.join(app.root, "home")], check=True)


def read_only_orvane(answer):
    """The program on a parish it can only read, run as another user when the test is root,
    past the start-up box that says once that the parish can only be read (captioned as the main
    window, which shows when the box is answered)."""
    prefix = ("setpriv", "--reuid=65534", "--regid=65534", "--clear-groups") if os.geteuid() == 0 else ()
    app = Orvane(answer=answer, env=THAI, before_start=make_read_only, prefix=prefix)
    try:
        box = app.main
        app.answer_box(box)
        app.main = wait_for(lambda: next((w for w in app.windows() if w != box and app.title(w) == MAIN_TITLE),
                                         None), "the main window")
        app.known.add(app.main)
        app.activate(app.main)
    except BaseException:
        app.__exit__(*sys.exc_info())
        raise
    return app


def read_only_parish_grid_and_notices(answer):
    with read_only_orvane(answer) as app:
        table = sql(app.db, "select * from church order by rowid")
        notices_before = sql(app.db, "select * from MarriageNotify order by rowid")
        app.click(app.main, *MAIN_CHURCHES)
        churches = app.wait_window(CHURCHES)
        app.known.add(churches)
        app.settle(0.5)
        count = len(table)
        app.click(churches, CHURCH_NAME_X, church_row(1))
        app.type("No Name")
        app.key("Return")
        app.click(churches, CHURCH_CODE_X, church_row(count))
        app.key("Down")
        app.type("900900")
        app.key("Return")
        app.no_new_window(0.5)
        # A delete the parish cannot take is told, captioned as the window.
        xdo_double_click(churches, CHURCH_NAME_X, church_row(2))
        app.expect_box(button_from_right=1)
        app.expect_box(CHURCHES)
        check(sql(app.db, "select * from church order by rowid") == table, "the churches are as they were")
        app.activate(churches)
        app.click(churches, *CHURCHES_CLOSE)
        wait_for(lambda: churches not in app.windows(), "the churches window to close")

        app.target = app.main
        app.click(app.main, *MAIN_NOTICES)
        notices = app.wait_window(NOTICES)
        app.known.add(notices)
        app.settle(0.5)
        app.click(notices, *NOTICE_WITNESS)
        app.type("Witness")
        app.key("Return")
        app.no_new_window(0.5)
        check(sql(app.db, "select * from MarriageNotify order by rowid") == notices_before,
              "the notifications are as they were")


def refused_while_held(app, button):
    """button asks, is answered Yes, and is refused while sqlite3 holds the parish."""
    held = HeldParish(app.db)
    try:
        app.click(app.main, *button)
        app.expect_box(button_from_right=1)
        app.expect_box()
    finally:
        held.release()


def refused_adds_and_combo_then_typing(answer):
    with Orvane(answer=answer, env=THAI) as app:
        # Alt with a letter is no typing: the letter is not saved with the field.
        marked = mark_member(app, "shown1", "alt+x")
        check(len(marked) == 1, "Alt+x typed nothing into the field: %s" % sql(
            app.db, "select e_mail from Orvani where e_mail like 'shown%'"))
        member = marked[0]

        # A new member the parish refuses: the window shows the member it showed, and the name
        # typed next is that member's, no other's.
        members = sql(app.db, "select * from Orvani order by ID")
        refused_while_held(app, ADD_MEMBER)
        check(sql(app.db, "select * from Orvani order by ID") == members, "no member is added or changed")
        app.click(app.main, *FIRST_NAME)
        app.key("ctrl+a")
        app.type("Somchai")
        app.key("Return")
        after = sql(app.db, "select * from Orvani order by ID")
        changed = [a[0] for a, b in zip(after, members) if a != b]
        check(len(after) == len(members) and changed == [member],
              "the name lands on the member on screen %s only: %s" % (member, changed))
        check(member_column(app, member, "Nm") == "Somchai", "the member's name is the typed one")

        # A new move refused: the move shown before stays on screen, Enter in its fields keeps
        # it, and the destination typed next is that move's.
        app.click(app.main, *ADD_MOVE)
        app.expect_box(button_from_right=1)
        app.click(app.main, *MOVES_TAB)
        app.click(app.main, *MOVE_IN_BY)
        app.type("Xavier")
        app.key("Return")
        moves = sql(app.db, "select * from Move order by ID")
        move = sql(app.db, "select ID from Move where OrvID = %s and MoveInBy = 'Xavier'" % member)[0][0]
        refused_while_held(app, ADD_MOVE)
        check(sql(app.db, "select * from Move order by ID") == moves, "no move is added or changed")
        app.click(app.main, *MOVES_TAB)
        app.click(app.main, *MOVE_IN_BY)
        app.key("Return")
        app.click(app.main, *TO_CHURCH)
        app.type("Wat Destination")
        app.key("Return")
        after = sql(app.db, "select ID, ifnull(MoveInBy, 'NULL'), ifnull(ToChurch, 'NULL') from Move order by ID")
        check(len(after) == len(moves), "no move is added")
        check([move, "Xavier", "Wat Destination"] in after,
              "the move on screen keeps its fields and takes the destination: %s" % after)

        # A combo change refused: the letters typed while the parish was waited for stay in
        # the box, and Enter saves them once the parish is free.
        app.click(app.main, *PERSONAL_TAB)
        religion = member_column(app, member, "religion")
        app.click(app.main, *RELIGION)
        app.key("ctrl+a")
        held = HeldParish(app.db)
        try:
            app.type("Hindu")
            app.expect_box()
            check(member_column(app, member, "religion") == religion, "nothing is saved while held")
        finally:
            held.release()
        app.key("Return")
        check(member_column(app, member, "religion") == "Hindu",
              "Enter saves the letters typed during the wait: %s" % member_column(app, member, "religion"))
        # Choosing the entry stored again changes nothing, not even the day of the last change.
        sql_write(app.db, "update Orvani set [Update] = '2001-01-01' where ID = %s" % member)
        app.key("Return")
        check(member_column(app, member, "[Update]") == "2001-01-01", "the same entry again writes nothing")


def xdo_double_click(window, x, y):
    subprocess.run(["xdotool", "mousemove", "--window", window, str(x), str(y), "sleep", "0.15",
                    "click", "--repeat", "2", "--delay", "80", "1"], check=True)


if __name__ == "__main__":
    main({"main": [main_window_keys_after_boxes_and_windows],
          "notices": [notices_window_keys_after_boxes],
          "churches": [churches_grid_new_row_and_a_held_parish],
          "readonly": [read_only_parish_grid_and_notices],
          "refused": [refused_adds_and_combo_then_typing]})
