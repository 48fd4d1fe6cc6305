"""Text-file, path and directory helpers."""
