while (x { }
