"""Wrappers over python-docx: document, section, header/footer, paragraph, run and table."""
