-- Notes of 20 MB on three members: start-up took 730 MB.
-- expect: refused คอลัมน์ note1 ของตาราง Orvani (แถวที่ 1) ยาว 20000000 ตัวอักษร เกินกว่าที่ช่องข้อมูลรับได้ (1000000)
UPDATE Orvani SET note1 = replace(hex(zeroblob(10000000)), '00', 'ab') WHERE ID <= 3;
