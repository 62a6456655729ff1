"""A first start on a large parish whose search indexes are not built yet: a window with progress
shows while they are built, before the main window, and is gone when the main window shows; the
indexes are in the file afterwards and the searches use them.
Usage: first_start_input.py [enter|mouse]"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xdriver import Orvane, check, main, sql, sql_write  # noqa: E402

MEMBERS = 40000
PROGRESS_TITLE = "กำลังสร้างดัชนีสำหรับค้นหาข้อมูล"
SCHEMA_INDEXES = ("OrvaniName", "OrvaniNum", "MoveMember")


def index_names(db):
    return {r[0] for r in sql(db, "select name from sqlite_master where type = 'index' and name not like 'sqlite_%'")}


def without_search_indexes(app):
    db = app.db
    for name in index_names(db) - set(SCHEMA_INDEXES):
        sql_write(db, "DROP INDEX %s" % name)
    check(index_names(db) <= set(SCHEMA_INDEXES), "only the schema's own indexes are left")


def progress_shows_while_indexes_are_built(answer):
    with Orvane(members=MEMBERS, answer=answer, before_start=without_search_indexes) as app:
        check(PROGRESS_TITLE in app.shown_before_main,
              "a window with progress showed before the main window: %s" % sorted(app.shown_before_main))
        check(app.find(PROGRESS_TITLE) is None, "the progress window is gone once the main window shows")
        built = index_names(app.db) - set(SCHEMA_INDEXES)
        check(len(built) >= 20, "the search indexes are in the file: %s" % sorted(built))
        plan = " ".join(r[-1] for r in sql(app.db, "explain query plan select * from Orvani where Nm like 'สม%'"))
        check("USING INDEX" in plan, "a name search uses an index: %s" % plan)


if __name__ == "__main__":
    main({"indexes": [progress_shows_while_indexes_are_built]})
