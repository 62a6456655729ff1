-- The churches made anew by another tool with a stored generated column.
-- expect: refused ตาราง church มีคอลัมน์ที่ฐานข้อมูลคำนวณเองหรือซ่อนไว้ (generated/hidden) ซึ่งโปรแกรมนี้ไม่ได้สร้าง: twice
DROP TABLE church;
CREATE TABLE church ("ID-Church" TEXT(50), "Name-Church" TEXT(150), "gen-name-church" TEXT(150),
  Address1 TEXT(150), Address2 TEXT(150), twice TEXT GENERATED ALWAYS AS ("Name-Church" || "Name-Church") STORED);
