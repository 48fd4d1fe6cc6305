"""Host detection."""
