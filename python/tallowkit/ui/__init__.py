"""Window wrappers."""
