// tallowkit.base.platform: which operating system the interpreter runs on.
#include "tallowkit.hpp"

using namespace tk;

namespace {

namespace name {
const Name platform{"platform"};
const Name system{"system"};
const Name Windows{"Windows"};
const Name Linux{"Linux"};
const Name Mac{"Mac"};
const Name Java{"Java"};
const Name OtherOS{"OtherOS"};
}  // namespace name

namespace str {
const Name Darwin{"Darwin"};
const Name Other_OS{"Other OS"};
}  // namespace str

// The system name as the standard library reports it, asked anew on every call.
Object system_name() { return call_method(global(name::platform), name::system); }

// platform.system() == <constant>, with the system name as the left operand.
Object system_is(const Name& constant) {
    Object system = system_name();
    return eq(system, global(constant));
}

Object get_os_type() { return system_name(); }
Object is_windows() { return system_is(name::Windows); }
Object is_linux() { return system_is(name::Linux); }
Object is_mac() { return system_is(name::Mac); }

void body() {
    set_global(name::platform, import_module(name::platform));
    set_global(name::Windows, name::Windows);
    set_global(name::Linux, name::Linux);
    set_global(name::Mac, str::Darwin);
    set_global(name::Java, name::Java);
    set_global(name::OtherOS, str::Other_OS);
    def<get_os_type>({.name = "get_os_type", .vars = {}, .doc = "获取操作系统名称\n\n    :return:\n    "});
    def<is_windows>({.name = "is_windows", .vars = {}, .doc = "判断是否是Windows操作系统\n\n    :return:\n    "});
    def<is_linux>({.name = "is_linux", .vars = {}, .doc = "判断是否是Linux操作系统\n\n    :return:\n    "});
    def<is_mac>({.name = "is_mac", .vars = {}, .doc = "判断是否是Mac操作系统\n\n    :return:\n    "});
}

}  // namespace

TALLOWKIT_MODULE(platform, "tallowkit.base.platform", nullptr, body)
