#include "platform/device_interfaces_win32.h"

#include <vector>

namespace {

template <typename F>
void look_up(HMODULE library, const char *name, F &slot) {
    slot = reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(library, name)));
}

DeviceSetupCalls load_calls() {
    DeviceSetupCalls calls{};
    HMODULE library = LoadLibraryA("SETUPAPI.DLL");
    if (!library) return calls;
    look_up(library, "SetupDiGetClassDevsA", calls.get_class_devs);
    look_up(library, "SetupDiEnumDeviceInterfaces", calls.enum_interfaces);
    look_up(library, "SetupDiGetDeviceInterfaceDetailA", calls.interface_detail);
    look_up(library, "SetupDiDestroyDeviceInfoList", calls.destroy_list);
    return calls;
}

}  // namespace

const DeviceSetupCalls &system_device_setup() {
    static const DeviceSetupCalls calls = load_calls();
    return calls;
}

std::string device_interface_path(const DeviceSetupCalls &calls, const GUID &interface_class, int index) {
    if (index < 0 || !calls.get_class_devs || !calls.enum_interfaces || !calls.interface_detail ||
        !calls.destroy_list)
        return "";
    HDEVINFO list = calls.get_class_devs(&interface_class, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) return "";
    std::string path;
    SP_DEVICE_INTERFACE_DATA entry{};
    entry.cbSize = sizeof entry;
    if (calls.enum_interfaces(list, nullptr, &interface_class, static_cast<DWORD>(index), &entry)) {
        DWORD size = 0;
        calls.interface_detail(list, &entry, nullptr, 0, &size, nullptr);
        if (size >= sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            // DWORD-aligned storage: the record starts with its size field.
            std::vector<DWORD> storage(size / sizeof(DWORD) + 1);
            auto *detail = reinterpret_cast<PSP_DEVICE_INTERFACE_DETAIL_DATA_A>(storage.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (calls.interface_detail(list, &entry, detail, size, nullptr, nullptr)) path = detail->DevicePath;
        }
    }
    calls.destroy_list(list);
    return path;
}
