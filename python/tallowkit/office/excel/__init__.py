"""Spreadsheet wrappers."""
