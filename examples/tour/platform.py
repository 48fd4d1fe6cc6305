"""Platform detection."""
import tallowkit.base.platform as platform


def show(workdir):
    print("operating system:", platform.get_os_type())
    print("windows / linux / mac:", platform.is_windows(), platform.is_linux(), platform.is_mac())
