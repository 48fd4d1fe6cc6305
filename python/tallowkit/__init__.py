"""Office and number utilities whose modules are compiled extension modules."""
