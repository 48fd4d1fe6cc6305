"""Worksheet and cell wrappers over openpyxl workbooks (relative imports only: this package never shadows the real openpyxl)."""
