"""Text files, paths and directories, on real files under the tour's work directory."""
import os

import tallowkit.io.directory as directory
import tallowkit.io.file as tfile
import tallowkit.io.path as tpath


def show(workdir):
    notes = tpath.get_sub_path_file(workdir, "reports/2024/notes.txt")  # makes reports/2024
    tfile.write_all_lines(notes, ["first line", "second line  "])
    tfile.append_all_text(notes, "appended without a line end")
    print("written:", notes)
    print("all text:", repr(tfile.read_all_text(notes)))
    print("lines:", tfile.read_all_lines(notes))
    print("first 5 characters:", repr(tfile.read_one_line(notes, 5)))

    tfile.copy_file(notes, notes + ".bak")
    tfile.rename_file(notes + ".bak", notes + ".old")
    print("reports/2024 holds:", sorted(directory.list_dir(os.path.dirname(notes))))

    reports = tpath.get_path_parent_path(notes, "reports")
    archive = directory.get_dir(os.path.join(workdir, "archive"))
    directory.copy_dir(reports, archive)  # copies the whole tree to archive/reports
    print("archive holds:", sorted(os.path.relpath(os.path.join(d, f), archive)
                                   for d, _, files in os.walk(archive) for f in files))
    tfile.move_file(notes + ".old", archive)
    print("canonical with end separator:", tpath.path_add_endsep(archive + "//"))
