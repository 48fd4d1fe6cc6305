"""wxPython frame wrapper."""
