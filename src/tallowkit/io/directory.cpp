// tallowkit.io.directory: one-call helpers for directories, through the interpreter's os and
// shutil.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name os{"os"};
const Name shutil{"shutil"};
const Name path{"path"};
const Name listdir{"listdir"};
const Name isdir{"isdir"};
const Name makedirs{"makedirs"};
const Name removedirs{"removedirs"};
const Name rename{"rename"};
const Name Error{"Error"};
const Name abspath{"abspath"};
const Name basename{"basename"};
const Name join{"join"};
const Name realpath{"realpath"};
const Name normcase{"normcase"};
const Name fsdecode{"fsdecode"};
const Name startswith{"startswith"};
const Name exist_dir{"exist_dir"};
const Name make_dir{"make_dir"};
}  // namespace name

const Name k_empty{""};

// os.path.<function>, looked up anew on each use.
Object os_path(Handle function, Loc loc = Loc::current()) {
    Object path = attr(global(name::os, loc), name::path, loc);
    return attr(path, function, loc);
}

// os.path.join(os.path.normcase(os.fsdecode(os.path.realpath(p))), ""): the real directory
// with one trailing separator, as text whatever the type of `p`.
Object real_dir_prefix(Handle p) {
    Object real = call(os_path(name::realpath), {p});
    Object decoded = call_method(global(name::os), name::fsdecode, {real});
    Object folded = call(os_path(name::normcase), {decoded});
    return call(os_path(name::join), {folded, k_empty});
}

// True when `destination` is `source` or lies inside it, following links as far as they exist.
bool lies_within(Handle destination, Handle source) {
    Object inner = real_dir_prefix(destination);
    Object outer = real_dir_prefix(source);
    return truthy(call_method(inner, name::startswith, {outer}));
}

Object list_dir(Object dir_path) { return call_method(global(name::os), name::listdir, {dir_path}); }

Object exist_dir(Object dir_path) { return call(os_path(name::isdir), {dir_path}); }

// dir_path itself when it is (or has just been made) a directory, else None.
Object get_dir(Object dir_path, Object is_create) {
    if (truthy(call(global(name::exist_dir), {dir_path}))) return dir_path;
    if (!truthy(is_create)) return none();
    call(global(name::make_dir), {dir_path});
    return dir_path;
}

Object make_dir(Object dir_path) {
    call_method(global(name::os), name::makedirs, {dir_path});
    return none();
}

// The host's removedirs also removes each parent that this leaves empty.
Object delete_dir(Object dir_path) {
    call_method(global(name::os), name::removedirs, {dir_path});
    return none();
}

// A file is copied with shutil.copy. A directory is copied whole, like `cp -r`: into
// new_dir_path/<its name> when new_dir_path is an existing directory, else to new_dir_path;
// never into itself, and never over an existing destination (shutil.copytree refuses that).
// Either is built beside its destination and renamed into place, never left half-copied.
Object copy_dir(Object old_dir_path, Object new_dir_path) {
    if (!truthy(call(os_path(name::isdir), {old_dir_path}))) {
        copy_file_whole(global(name::shutil), old_dir_path, new_dir_path);
        return none();
    }
    Object destination = new_dir_path;
    if (truthy(call(os_path(name::isdir), {new_dir_path}))) {
        Object absolute = call(os_path(name::abspath), {old_dir_path});
        Object source_name = call(os_path(name::basename), {absolute});
        destination = call(os_path(name::join), {new_dir_path, source_name});
    }
    if (lies_within(destination, old_dir_path)) {
        Object message =
            Object::check(PyUnicode_FromFormat("Cannot copy a directory '%S' into itself '%S'.",
                                               old_dir_path.get(), destination.get()));
        Object error = attr(global(name::shutil), name::Error);
        raise(error, {message});
    }
    copy_tree_whole(global(name::shutil), old_dir_path, destination);
    return none();
}

Object move_dir(Object old_dir_path, Object new_dir_path) {
    move_whole(global(name::shutil), old_dir_path, new_dir_path);
    return none();
}

Object rename_dir(Object old_dir_path, Object new_dir_path) {
    call_method(global(name::os), name::rename, {old_dir_path, new_dir_path});
    return none();
}

void body() {
    set_global(name::os, import_module(name::os));
    set_global(name::shutil, import_module(name::shutil));
    const char* one_path_doc = "\n\n    :param dir_path:\n    ";
    const char* two_paths_doc = "\n\n    :param new_dir_path:\n    :param old_dir_path:\n    ";
    def<list_dir>({.name = "list_dir", .vars = {"dir_path"}, .doc = one_path_doc});
    def<exist_dir>({.name = "exist_dir", .vars = {"dir_path"}, .doc = one_path_doc});
    def<get_dir>({.name = "get_dir",
                  .vars = {"dir_path", "is_create"},
                  .defaults = {boolean(true)},
                  .doc = "\n\n    :param dir_path:\n    :param isCreate:不存在是否创建\n    "});
    def<make_dir>({.name = "make_dir", .vars = {"dir_path"}, .doc = one_path_doc});
    def<delete_dir>({.name = "delete_dir", .vars = {"dir_path"}, .doc = one_path_doc});
    def<copy_dir>({.name = "copy_dir",
                   .vars = {"old_dir_path", "new_dir_path", "destination"},
                   .doc = two_paths_doc});
    def<move_dir>({.name = "move_dir", .vars = {"old_dir_path", "new_dir_path"}, .doc = two_paths_doc});
    def<rename_dir>(
        {.name = "rename_dir", .vars = {"old_dir_path", "new_dir_path"}, .doc = two_paths_doc});
}

}  // namespace

TALLOWKIT_MODULE(directory, "tallowkit.io.directory", nullptr, body)
