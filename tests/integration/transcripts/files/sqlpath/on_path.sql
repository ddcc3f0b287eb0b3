prompt found on SQLPATH
