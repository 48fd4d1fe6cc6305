// tallowkit.io.file: one-call helpers for whole text files, through the interpreter's open, os
// and shutil.
#include "tallowkit.hpp"

#include <charconv>
#include <cstring>

using namespace tk;

namespace {

namespace name {
const Name os{"os"};
const Name shutil{"shutil"};
const Name mknod{"mknod"};
const Name close{"close"};
const Name read{"read"};
const Name readlines{"readlines"};
const Name readline{"readline"};
const Name rstrip{"rstrip"};
const Name write{"write"};
const Name writelines{"writelines"};
const Name remove{"remove"};
const Name rename{"rename"};
const Name encoding{"encoding"};
}  // namespace name

namespace mode {
const Name write{"w"};
const Name append{"a"};
const Name read{"r"};
const Name read_universal{"rU"};
}  // namespace mode

const Name k_newline{"\n"};
const Name k_utf8{"utf-8"};
const Builtin open_{"open"};

// The mode that read_all_text reads with: "rU", except on interpreters that reject it (3.11 on),
// where "r" reads the same text (text mode already translates every line end).
PyObject* read_all_mode = nullptr;

bool rejects_universal_mode() {
    char version[16];
    compat::runtime_version(version, sizeof version);
    // from_chars, not strtol: newer C library headers bind strtol to a glibc 2.38 symbol
    const char* end = version + std::strlen(version);
    int major = 0, minor = 0;
    const char* rest = std::from_chars(version, end, major).ptr;
    if (rest < end && *rest == '.') std::from_chars(rest + 1, end, minor);
    return major > 3 || (major == 3 && minor >= 11);
}

// open(file_path, mode, encoding=encoding)
Object open_text(Handle file_path, Handle mode, Handle encoding, Loc loc = Loc::current()) {
    return call_kw(open_, {file_path, mode}, {{name::encoding, encoding}}, loc);
}

// Text writers rename without fsync: the rename alone keeps the old file against every
// exception, and fsync would add as much again as the write itself (bench/replace.py).
constexpr ReplaceOptions text_options{.keep_mode = true, .sync = false};

// f = open(file_path, mode, encoding=encoding); for s in ss: f.writelines(s + "\n"); f.close()
void write_lines(Handle file_path, Handle ss, Handle encoding, Handle mode,
                 Replacement* out = nullptr) {
    Object f = open_text(file_path, mode, encoding);
    if (out) out->close_on_failure(f);
    for (Object s : iterate(ss)) {
        Object writelines = attr(f, name::writelines);
        Object line = add(s, k_newline);
        call(writelines, {line});
    }
    call_method(f, name::close);
}

Object make_file(Object file_path) {
    call_method(global(name::os), name::mknod, {file_path});
    return none();
}

Object create_file(Object file_path, Object ret) {
    Object f = call(open_, {file_path, mode::write});
    if (truthy(ret)) return f;
    call_method(f, name::close);
    return none();
}

Object read_all_text(Object file_path, Object encoding) {
    Object f = open_text(file_path, read_all_mode, encoding);
    Object content = call_method(f, name::read);
    call_method(f, name::close);
    return content;
}

Object read_all_lines(Object file_path, Object encoding) {
    Object f = open_text(file_path, mode::read, encoding);
    Object content = call_method(f, name::readlines);
    call_method(f, name::close);
    Object ls = new_list();
    for (Object l : iterate(content)) {
        append(ls, call_method(l, name::rstrip, {k_newline}));
    }
    return ls;
}

// n is readline's size limit: the first line, cut to n characters when n >= 0.
Object read_one_line(Object file_path, Object n, Object encoding) {
    Object f = open_text(file_path, mode::read, encoding);
    Object content = call_method(f, name::readline, {n});
    call_method(f, name::close);
    return content;
}

// The writers build the new content beside the file and rename it over the old in one step;
// the appenders cut a failed append back off.
Object write_all_text(Object file_path, Object s, Object encoding) {
    Replacement out(file_path, text_options);
    Object f = open_text(out.path(), mode::write, encoding);
    out.close_on_failure(f);
    call_method(f, name::write, {s});
    call_method(f, name::close);
    out.commit();
    return none();
}

Object write_all_lines(Object file_path, Object ss, Object encoding) {
    Replacement out(file_path, text_options);
    write_lines(out.path(), ss, encoding, mode::write, &out);
    out.commit();
    return none();
}

// writelines of a text writes it whole; of an iterable of texts, back to back.
Object append_all_text(Object file_path, Object s, Object encoding) {
    AppendRollback rollback(file_path);
    Object f = open_text(file_path, mode::append, encoding);
    call_method(f, name::writelines, {s});
    call_method(f, name::close);
    rollback.commit();
    return none();
}

Object append_all_lines(Object file_path, Object ss, Object encoding) {
    AppendRollback rollback(file_path);
    write_lines(file_path, ss, encoding, mode::append);
    rollback.commit();
    return none();
}

Object delete_file(Object file_path) {
    call_method(global(name::os), name::remove, {file_path});
    return none();
}

// The library's result (the destination) is dropped.
Object copy_file(Object old_file_path, Object new_file_path) {
    copy_file_whole(global(name::shutil), old_file_path, new_file_path);
    return none();
}

Object move_file(Object old_file_path, Object new_file_path) {
    move_whole(global(name::shutil), old_file_path, new_file_path);
    return none();
}

Object rename_file(Object old_file_path, Object new_file_path) {
    call_method(global(name::os), name::rename, {old_file_path, new_file_path});
    return none();
}

void body() {
    set_global(name::os, import_module(name::os));
    set_global(name::shutil, import_module(name::shutil));
    read_all_mode = rejects_universal_mode() ? mode::read.get() : mode::read_universal.get();
    Object utf8 = Object::borrow(k_utf8.get());
    def<make_file>({.name = "make_file",
                    .vars = {"file_path"},
                    .doc = "创建空文件\n\n    :param file_path:文件路径\n    :return:\n    "});
    def<create_file>(
        {.name = "create_file",
         .vars = {"file_path", "ret", "f"},
         .defaults = {boolean(false)},
         .doc = "创建空文件\n\n    :param file_path:文件路径\n    :param ret:是否返回文件引用\n"
                "    :return:\n    "});
    def<read_all_text>({.name = "read_all_text",
                        .vars = {"file_path", "encoding", "f", "content"},
                        .defaults = {utf8},
                        .doc = "读取文件全部内容\n\n    :param encoding:\n    :param file_path:\n"
                               "    :return:文件全部内容\n\n    "});
    def<read_all_lines>({.name = "read_all_lines",
                         .vars = {"file_path", "encoding", "f", "content", "ls", "l"},
                         .defaults = {utf8},
                         .doc = "读取文件中的所有行\n\n    :param encoding:\n    :param file_path:\n"
                                "    :return:文件中的所有行\n    "});
    def<read_one_line>({.name = "read_one_line",
                        .vars = {"file_path", "n", "encoding", "f", "content"},
                        .defaults = {utf8},
                        .doc = "读取文件某一行\n\n    :param encoding:\n    :param file_path:\n"
                               "    :param n:\n    :return:文件中的所有行\n    "});
    def<write_all_text>(
        {.name = "write_all_text",
         .vars = {"file_path", "s", "encoding", "f"},
         .defaults = {utf8},
         .doc = "写入文件全部内容\n\n    :param encoding:\n    :param file_path:\n    "});
    def<write_all_lines>({.name = "write_all_lines",
                          .vars = {"file_path", "ss", "encoding", "f", "s"},
                          .defaults = {utf8},
                          .doc = "写入所有行\n\n    :param encoding:\n    :param file_path:\n    "});
    def<append_all_text>({.name = "append_all_text",
                          .vars = {"file_path", "s", "encoding", "f"},
                          .defaults = {utf8},
                          .doc = "追加所有内容\n\n    :param encoding:\n    :param file_path:\n    "});
    def<append_all_lines>({.name = "append_all_lines",
                           .vars = {"file_path", "ss", "encoding", "f", "s"},
                           .defaults = {utf8},
                           .doc = "追加所有行\n\n    :param encoding:\n    :param file_path:\n    "});
    def<delete_file>(
        {.name = "delete_file", .vars = {"file_path"}, .doc = "\n\n    :param file_path:\n    "});
    const char* two_paths_doc = "\n\n    :param new_file_path:\n    :param old_file_path:\n    ";
    def<copy_file>({.name = "copy_file", .vars = {"old_file_path", "new_file_path"}, .doc = two_paths_doc});
    def<move_file>({.name = "move_file", .vars = {"old_file_path", "new_file_path"}, .doc = two_paths_doc});
    def<rename_file>(
        {.name = "rename_file", .vars = {"old_file_path", "new_file_path"}, .doc = two_paths_doc});
}

}  // namespace

TALLOWKIT_MODULE(file, "tallowkit.io.file", nullptr, body)
