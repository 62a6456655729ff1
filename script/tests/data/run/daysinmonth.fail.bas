ShowMessage(DaysInMonth(2000, 2))
ShowMessage(DaysInMonth(1900, 2))
ShowMessage(DaysInMonth(2024, 13))
