Dim u
