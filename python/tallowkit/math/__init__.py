"""Number theory on Python integers."""
