"""Word-document wrappers."""
