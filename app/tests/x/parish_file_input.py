"""A backup put back over the parish while the register has it open, under real input: after
another program's commit, while a save reaches the disk (every fsync of the register held back
by strace), after kill -9 and after SIGTERM. Each time the parish is either refused with a box
or opens as the backup: sqlite3 finds it whole, with the backup's values and nothing of the
file it replaced.
Usage: parish_file_input.py enter|mouse [other|saving|ended]"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from failed_writes_input import EMAIL, MEMBER_ROW, THAI, member_column  # noqa: E402
from xdriver import MAIN_TITLE, Orvane, check, main, sql, sql_write, wait_for  # noqa: E402

# How long strace holds every fsync of the register, in microseconds: room to put the backup
# back while a save waits for the disk.
FSYNC_DELAY = 1500000


def save_email(app, text):
    app.click(app.main, *EMAIL)
    app.key("ctrl+a")
    app.type(text)
    app.key("Return")


def backup_of(app):
    """A copy of the parish as it is now, kept apart from the parish's folder: the register
    leaves its log empty between saves."""
    log = app.db + "-wal"
    check(not os.path.exists(log) or os.path.getsize(log) == 0, "the log is empty between saves")
    backup = os.path.join(tempfile.mkdtemp(prefix="orvane-backup-"), "backup.db")
    shutil.copyfile(app.db, backup)
    return backup


def saved_then_backed_up(app, tag):
    """Saves the e-mail of a member as "kept<tag>", takes the backup, saves another value over
    it; returns the member and the backup."""
    app.click(app.main, *MEMBER_ROW)
    save_email(app, "kept" + tag)
    member = sql(app.db, "select ID from Orvani where e_mail = 'kept%s'" % tag)[0][0]
    backup = backup_of(app)
    save_email(app, "later" + tag)
    check(member_column(app, member, "e_mail") == "later" + tag, "the save is in the parish")
    return member, backup


def put_back(backup, db, how):
    if how == "cp":
        subprocess.run(["cp", backup, db], check=True)
    else:
        shutil.copyfile(backup, db + ".restore")
        subprocess.run(["mv", db + ".restore", db], check=True)


def close_register(app):
    """Ends the register as a logout does, and waits for it to end."""
    app.proc.send_signal(signal.SIGTERM)
    wait_for(lambda: app.proc.poll() is not None, "the register to end on SIGTERM")


def expect_the_backup(db, member, email):
    rows = sql(db, "pragma integrity_check")
    check(rows == [["ok"]], "the parish is whole: %s" % rows)
    value = sql(db, "select ifnull(e_mail, 'NULL') from Orvani where ID = %s" % member)[0][0]
    check(value == email, "the parish holds the backup's value: %s, not %s" % (value, email))


def restored_after_another_programs_commit(answer):
    with Orvane(answer=answer, env=THAI) as app:
        member, backup = saved_then_backed_up(app, "1")
        # Another program commits: its change waits in the log, made for the file that is there.
        sql_write(app.db, "update Orvani set tel = 'other' where ID % 2 = 0")
        put_back(backup, app.db, "cp")
        save_email(app, "lost1")
        # Refused, with the file and the cause.
        app.expect_box(MAIN_TITLE)
        close_register(app)
        expect_the_backup(app.db, member, "kept1")
        check(sql(app.db, "select count(*) from Orvani where tel = 'other'") == [["0"]],
              "the other program's commit for the replaced file is not laid over the backup")


def restored_while_a_save_reaches_the_disk(answer):
    for how in ("cp", "mv"):
        with Orvane(answer=answer, env=THAI) as app:
            member, backup = saved_then_backed_up(app, "2")
            tracer = subprocess.Popen(["strace", "-f", "-qq", "-o", "/dev/null", "-p", str(app.proc.pid),
                                       "-e", "trace=fsync,fdatasync",
                                       "-e", "inject=fsync,fdatasync:delay_enter=%d" % FSYNC_DELAY])
            try:
                time.sleep(1.0)
                app.click(app.main, *EMAIL)
                app.key("ctrl+a")
                app.type("during2")
                app.wait_active(app.target)
                subprocess.run(["xdotool", "key", "Return"])
                # The save now waits for the disk.
                time.sleep(0.4)
                put_back(backup, app.db, how)
                # The save is told as written into the file that was there.
                app.expect_box(MAIN_TITLE, timeout=60)
                save_email(app, "after2")
                app.expect_box(MAIN_TITLE, timeout=60)
            finally:
                tracer.send_signal(signal.SIGINT)
                tracer.wait(timeout=30)
            close_register(app)
            expect_the_backup(app.db, member, "kept2")


def restored_after_the_register_ended(answer):
    for end in (signal.SIGKILL, signal.SIGTERM):
        with Orvane(answer=answer, env=THAI) as app:
            member, backup = saved_then_backed_up(app, "3")
            app.proc.send_signal(end)
            status = app.proc.wait(timeout=60)
            if end == signal.SIGTERM:
                check(status == 0, "SIGTERM closes the register: status %s" % status)
                check(not os.path.exists(app.db + "-wal"), "the register closed its parish and its log")
            put_back(backup, app.db, "cp")
            expect_the_backup(app.db, member, "kept3")
            check(os.path.getsize(app.db + "-wal") == 0 if os.path.exists(app.db + "-wal") else True,
                  "the log beside the backup is empty")
        # The register opens it as the backup.
        with Orvane(answer=answer, env=THAI, before_start=lambda again: put_back(backup, again.db, "cp")) as again:
            expect_the_backup(again.db, member, "kept3")
            close_register(again)
            expect_the_backup(again.db, member, "kept3")


if __name__ == "__main__":
    main({"other": [restored_after_another_programs_commit],
          "saving": [restored_while_a_save_reaches_the_disk],
          "ended": [restored_after_the_register_ended]})
