-- The churches as a full-text table, whose hidden columns "select *" does not show but reads.
-- expect: refused ตาราง church มีคอลัมน์ที่ฐานข้อมูลคำนวณเองหรือซ่อนไว้ (generated/hidden) ซึ่งโปรแกรมนี้ไม่ได้สร้าง: church, rank
DROP TABLE church;
CREATE VIRTUAL TABLE church USING fts5("ID-Church", "Name-Church", "gen-name-church", Address1, Address2);
