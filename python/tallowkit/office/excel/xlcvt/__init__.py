"""Workbook-data convertor."""
