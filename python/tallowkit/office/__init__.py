"""Wrappers over office-document libraries."""
