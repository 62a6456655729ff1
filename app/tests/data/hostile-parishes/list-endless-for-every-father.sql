-- A List view that never ends for a father: showing one of his children held the window for minutes.
-- expect: opens with the program's own List
DROP VIEW List;
CREATE VIEW List AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r)
  SELECT o.ID, o.St, o.NM, o.Sur, o.Address1, o.Address2, o.tel, o.Occupation, o.birth_date, o.Papa_Nm, o.Mama_Nm
  FROM r CROSS JOIN Orvani o;
