"""tkinter window wrapper and its placement utilities."""
