"""Spreadsheet cell-reference notation."""
