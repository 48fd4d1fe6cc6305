"""Run first by every interpreter of the sanitizer run, child processes of the tests included:
./dev sanitize puts this folder at the head of PYTHONPATH.

LeakSanitizer stays on for every allocation, with no suppression. One library outside the
package leaks at exit: numpy, which openpyxl imports when it is installed (only to accept
numpy's number types as cell values). numpy's compiled modules leave objects unreachable at
interpreter exit (their code objects and tuples), and the report cannot name numpy because the
interpreter's frames carry no frame pointers. tallowkit never uses numpy and openpyxl works the
same without it, so here numpy is made unimportable instead of suppressing those reports.
"""
import sys

sys.modules.setdefault("numpy", None)
