var u = 1
