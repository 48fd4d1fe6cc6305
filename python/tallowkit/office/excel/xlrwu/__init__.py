"""Legacy .xls workbooks through xlrd, xlwt and xlutils."""
