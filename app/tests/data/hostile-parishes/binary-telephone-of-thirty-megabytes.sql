-- A telephone number that is 30 MB of bytes.
-- expect: refused คอลัมน์ tel ของตาราง Orvani (แถวที่ 2) ยาว 30000000 ตัวอักษร เกินกว่าที่ช่องข้อมูลรับได้ (1000000)
UPDATE Orvani SET tel = zeroblob(30000000) WHERE ID = 2;
