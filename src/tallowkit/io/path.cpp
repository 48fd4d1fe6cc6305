// tallowkit.io.path: canonical paths, ancestors by name, paths below a parent, home and desktop.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name os{"os"};
const Name path{"path"};
const Name realpath{"realpath"};
const Name replace{"replace"};
const Name rstrip{"rstrip"};
const Name sep{"sep"};
const Name dirname{"dirname"};
const Name split{"split"};
const Name join{"join"};
const Name exists{"exists"};
const Name makedirs{"makedirs"};
const Name expanduser{"expanduser"};
const Name path_remove_endsep{"path_remove_endsep"};
const Name get_home{"get_home"};
}  // namespace name

const Name k_empty{""};
const Name k_backslash{"\\"};
const Name k_slash{"/"};
const Name k_tilde{"~"};
const Name k_desktop{"Desktop"};
const Name k_desktop_zh{"桌面"};
const Int k_zero{0};
const Int k_one{1};

// os.path.<function>, looked up anew on each use.
Object os_path(Handle function, Loc loc = Loc::current()) {
    Object path = attr(global(name::os, loc), name::path, loc);
    return attr(path, function, loc);
}

// os.sep, read anew on each use.
Object os_sep(Loc loc = Loc::current()) { return attr(global(name::os, loc), name::sep, loc); }

// os.path.realpath(path).replace("\\", os.sep).replace("/", os.sep).rstrip(os.sep)
Object canonical(Handle path) {
    Object real = call(os_path(name::realpath), {path});
    Object replace_backslash = attr(real, name::replace);
    Object with_backslash_sep = call(replace_backslash, {k_backslash, os_sep()});
    Object replace_slash = attr(with_backslash_sep, name::replace);
    Object with_sep = call(replace_slash, {k_slash, os_sep()});
    Object rstrip = attr(with_sep, name::rstrip);
    return call(rstrip, {os_sep()});
}

// path_remove_endsep(os.path.join(parent, sub)), the function looked up by name first.
Object joined_canonical(Handle parent, Handle sub) {
    Object remove_endsep = global(name::path_remove_endsep);
    Object joined = call(os_path(name::join), {parent, sub});
    return call(remove_endsep, {joined});
}

// if not os.path.exists(directory): os.makedirs(directory)
void make_missing_dirs(Handle directory) {
    if (!truthy(call(os_path(name::exists), {directory})))
        call_method(global(name::os), name::makedirs, {directory});
}

// os.path.join(get_home(), folder)
Object home_folder(Handle folder) {
    Object join = os_path(name::join);
    Object home = call(global(name::get_home));
    return call(join, {home, folder});
}

Object path_remove_endsep(Object path) { return canonical(path); }

Object path_add_endsep(Object path) {
    Object canon = canonical(path);
    return add(canon, os_sep());
}

// The nearest ancestor of the directory holding `path` (that directory included) whose last
// component equals parent_dir_name; the empty text once the walk reaches the top.
Object get_path_parent_path(Object path, Object parent_dir_name) {
    Object dirname = os_path(name::dirname);
    Object real = call(os_path(name::realpath), {path});
    Object d = call(dirname, {real});
    Object ds = call(os_path(name::split), {d});
    for (;;) {
        check_interrupts();
        if (truthy(eq(getitem(ds, k_one), k_empty))) return Object::borrow(k_empty.get());
        if (truthy(eq(getitem(ds, k_one), parent_dir_name))) return d;
        // A bytes path ends at the top too, where its last component is the empty bytes.
        Object last = getitem(ds, k_one);
        if (PyBytes_Check(last.get()) && PyBytes_GET_SIZE(last.get()) == 0) return last;
        d = getitem(ds, k_zero);
        ds = call(os_path(name::split), {d});
    }
}

// The file itself is never created; its missing parent directories are, on request.
Object get_sub_path_file(Object parent_dir, Object sub_path_file, Object pdir_create) {
    if (!truthy(pdir_create)) return joined_canonical(parent_dir, sub_path_file);
    Object fsub_path = joined_canonical(parent_dir, sub_path_file);
    Object p_fsub_path = call(os_path(name::dirname), {fsub_path});
    make_missing_dirs(p_fsub_path);
    return fsub_path;
}

Object get_sub_path_dir(Object parent_dir, Object sub_path_dir, Object dir_create) {
    if (!truthy(dir_create)) return joined_canonical(parent_dir, sub_path_dir);
    Object fsub_path = joined_canonical(parent_dir, sub_path_dir);
    make_missing_dirs(fsub_path);
    return fsub_path;
}

Object get_home() { return call(os_path(name::expanduser), {k_tilde}); }

// "Desktop" when it exists, else "桌面", existing or not.
Object get_home_desktop() {
    Object dp = home_folder(k_desktop);
    if (truthy(call(os_path(name::exists), {dp}))) return dp;
    return home_folder(k_desktop_zh);
}

void body() {
    set_global(name::os, import_module(name::os));
    def<path_remove_endsep>({.name = "path_remove_endsep", .vars = {"path"}});
    def<path_add_endsep>({.name = "path_add_endsep", .vars = {"path"}});
    def<get_path_parent_path>(
        {.name = "get_path_parent_path", .vars = {"path", "parent_dir_name", "d", "ds"}});
    def<get_sub_path_file>(
        {.name = "get_sub_path_file",
         .vars = {"parent_dir", "sub_path_file", "pdir_create", "fsub_path", "p_fsub_path"},
         .defaults = {boolean(true)},
         .doc = "Get dir sub file path,not end with '' or '/'\n\n    :param parent_dir: 父路径\n"
                "    :param sub_path_file: 子文件路径\n    :param pdir_create: 是否创建父路径\n"
                "    :return:\n    "});
    def<get_sub_path_dir>(
        {.name = "get_sub_path_dir",
         .vars = {"parent_dir", "sub_path_dir", "dir_create", "fsub_path"},
         .defaults = {boolean(true)},
         .doc = "Get dir sub dir path,not end with '' or '/'\n\n    :param parent_dir: 父路径\n"
                "    :param sub_path_dir: 子文件夹路径\n    :param dir_create: 是否创建文件夹\n"
                "    :return:\n    "});
    def<get_home>({.name = "get_home", .vars = {}, .doc = "Get home path,not end with '' or '/'"});
    def<get_home_desktop>(
        {.name = "get_home_desktop", .vars = {"dp"}, .doc = "Get Desktop path,not end with '' or '/'"});
}

}  // namespace

TALLOWKIT_MODULE(path, "tallowkit.io.path", nullptr, body)
