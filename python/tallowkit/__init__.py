"""Office and number utilities whose modules are compiled extension modules."""
from ._version import __version__  # written by the build from the version in pyproject.toml
