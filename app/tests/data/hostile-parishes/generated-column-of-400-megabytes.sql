-- A generated column of 400 MB on every member: start-up took 12 GB.
-- expect: refused ตาราง Orvani มีคอลัมน์ที่ฐานข้อมูลคำนวณเองหรือซ่อนไว้ (generated/hidden) ซึ่งโปรแกรมนี้ไม่ได้สร้าง: junk
ALTER TABLE Orvani ADD COLUMN junk BLOB GENERATED ALWAYS AS (zeroblob(400000000)) VIRTUAL;
