// replace_os.hpp: the interpreter's `os` as the replacement code uses it (inside the frame only).
#pragma once

#include "ops.hpp"

#include <utility>

namespace tk {

namespace os_names {
inline const Name path{"path"};
inline const Name lstat{"lstat"};
inline const Name stat{"stat"};
inline const Name readlink{"readlink"};
inline const Name split{"split"};
inline const Name join{"join"};
inline const Name basename{"basename"};
inline const Name abspath{"abspath"};
inline const Name isdir{"isdir"};
inline const Name islink{"islink"};
inline const Name exists{"exists"};
inline const Name lexists{"lexists"};
inline const Name open{"open"};
inline const Name close{"close"};
inline const Name fsync{"fsync"};
inline const Name replace{"replace"};
inline const Name rename{"rename"};
inline const Name unlink{"unlink"};
inline const Name rmdir{"rmdir"};
inline const Name mkdir{"mkdir"};
inline const Name chown{"chown"};
inline const Name chmod{"chmod"};
inline const Name listxattr{"listxattr"};
inline const Name getxattr{"getxattr"};
inline const Name setxattr{"setxattr"};
inline const Name truncate{"truncate"};
inline const Name listdir{"listdir"};
inline const Name sep{"sep"};
inline const Name altsep{"altsep"};
inline const Name curdir{"curdir"};
inline const Name rstrip{"rstrip"};
inline const Name startswith{"startswith"};
inline const Name endswith{"endswith"};
inline const Name st_mode{"st_mode"};
inline const Name st_uid{"st_uid"};
inline const Name st_gid{"st_gid"};
inline const Name st_nlink{"st_nlink"};
inline const Name st_dev{"st_dev"};
inline const Name st_ino{"st_ino"};
inline const Name st_size{"st_size"};
inline const Name O_WRONLY{"O_WRONLY"};
inline const Name O_RDONLY{"O_RDONLY"};
inline const Name O_CREAT{"O_CREAT"};
inline const Name O_EXCL{"O_EXCL"};
inline const Name O_CLOEXEC{"O_CLOEXEC"};
inline const Name O_BINARY{"O_BINARY"};
inline const Name proc{"/proc"};
// exception attributes read on every failure: interned, so that no new text is made each time
inline const Name errno_{"errno"};
inline const Name filename{"filename"};
inline const Name filename2{"filename2"};
inline const Name args{"args"};
}  // namespace os_names

// File types as st_mode gives them on every host (the values of Python's stat module).
inline constexpr long long k_type_mask = 0170000;
inline constexpr long long k_regular = 0100000;
inline constexpr long long k_directory = 0040000;
inline constexpr long long k_link = 0120000;

// st.st_mode & k_type_mask; -1 (no error) when it cannot be read.
long long file_type(Handle st);

// os.sep as str or bytes, like `path`; nullptr (no error) when it cannot be had.
Object separator_like(Handle path) noexcept;

// Raises OSError(error, strerror(error), path): the subclass that the errno gives.
[[noreturn]] void raise_errno(int error, Handle path, Loc loc);

// The file a path names: `target` with symbolic links followed, `st` its lstat (nullptr when
// it does not exist); not `usable` when it cannot be replaced by a rename (a link loop, a link
// into /proc such as /dev/stdout, a path that cannot be examined).
struct Resolved {
    Object target;
    Object st;
    bool usable = false;
};

class Os {
public:
    explicit Os(Loc loc);
    Object call_os(const Name& function, std::initializer_list<Handle> args) const;
    Object call_path(const Name& function, std::initializer_list<Handle> args) const;
    // os.<function>(args...); nullptr with `error` set to the errno of an OSError it raised.
    Object attempt(const Name& function, std::initializer_list<Handle> args, int& error) const;
    // os.fspath(o); nullptr for an object that is no path (a stream).
    Object fspath(Handle o) const;
    long long int_of(Handle o, const Name& field) const;
    Object join(Handle a, Handle b) const { return call_path(os_names::join, {a, b}); }
    std::pair<Object, Object> split(Handle path) const;
    Object without_trailing_separators(Handle path) const;
    Resolved resolve(Handle path) const;
    bool same_file(Handle other, Handle st) const;
    bool opens_for_writing(Handle target) const;
    long long create_flags() const;  // O_WRONLY | O_CREAT | O_EXCL (and O_CLOEXEC, O_BINARY)
    // A new file or directory of `mode` (less the umask) with a fresh name beside `base` in
    // `dir`; nullptr with `error` set when none can be made there. A full disk or quota
    // raises, as an OSError naming `destination`: writing in place would not fit either.
    Object make_temp(Handle dir, Handle base, bool directory, long long mode,
                     Handle destination, int& error) const;
    // Gives `temp` the owner, group and extended attributes (and the mode) of the existing
    // file; false when the owner or group cannot be given.
    bool carry_over(Handle target, Handle st, Handle temp, bool keep_mode) const;
    bool sync_file(Handle path, int& error) const;
    void sync_directory_of(Handle path) const;  // errors dropped: not every host can

    Loc loc;

private:
    Object optional(const Name& function) const;  // os.<function>, nullptr where there is none
    bool on_proc(Handle dir) const;
    Object os_;
    Object path_;
};

}  // namespace tk
