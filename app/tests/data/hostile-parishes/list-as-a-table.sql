-- A table where the children's view belongs.
-- expect: refused List ในแฟ้มนี้เป็นตาราง ไม่ใช่มุมมอง (view) ที่โปรแกรมนี้ใช้แสดงรายชื่อบุตร
DROP VIEW List;
CREATE TABLE List AS SELECT ID, St, NM, Sur, Address1, Address2, tel, Occupation, birth_date, Papa_Nm, Mama_Nm FROM Orvani;
