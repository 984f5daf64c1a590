#include "platform/device_interfaces_win32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// One fake device list at a time; the handle is this record's address.
struct FakeSetup {
    std::vector<std::string> paths;
    GUID asked{};
    DWORD asked_flags = 0;
    bool list_fails = false;
    bool detail_fails = false;
    int open_lists = 0;
} fake;

HDEVINFO WINAPI fake_get_class_devs(const GUID *guid, PCSTR, HWND, DWORD flags) {
    if (fake.list_fails) return INVALID_HANDLE_VALUE;
    fake.asked = *guid;
    fake.asked_flags = flags;
    ++fake.open_lists;
    return reinterpret_cast<HDEVINFO>(&fake);
}

BOOL WINAPI fake_enum(HDEVINFO, PSP_DEVINFO_DATA, const GUID *, DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
    if (index >= fake.paths.size()) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    data->Reserved = index;
    return TRUE;
}

BOOL WINAPI fake_detail(HDEVINFO, PSP_DEVICE_INTERFACE_DATA data, PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail,
                        DWORD size, PDWORD needed, PSP_DEVINFO_DATA) {
    const std::string &path = fake.paths[data->Reserved];
    DWORD want = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    if (needed) *needed = want;
    if (!detail || size < want || fake.detail_fails) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return FALSE;
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL WINAPI fake_destroy(HDEVINFO) {
    --fake.open_lists;
    return TRUE;
}

const DeviceSetupCalls fakes = {fake_get_class_devs, fake_enum, fake_detail, fake_destroy};

class DeviceInterfaces : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeSetup{}; }
    void TearDown() override { EXPECT_EQ(fake.open_lists, 0) << "device list left open"; }
};

TEST_F(DeviceInterfaces, PicksTheIndexedPresentDeviceOfTheClass) {
    std::string longer(300, 'x');
    fake.paths = {"\\\\?\\usb#vid_04b8&pid_0202#first", "\\\\?\\usb#second#" + longer};
    EXPECT_EQ(device_interface_path(fakes, USB_PRINTER_INTERFACE, 0), fake.paths[0]);
    EXPECT_TRUE(IsEqualGUID(fake.asked, USB_PRINTER_INTERFACE));
    EXPECT_EQ(fake.asked_flags, static_cast<DWORD>(DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    EXPECT_EQ(device_interface_path(fakes, MAKER_USB_INTERFACE, 1), fake.paths[1]);
    EXPECT_TRUE(IsEqualGUID(fake.asked, MAKER_USB_INTERFACE));
}

TEST_F(DeviceInterfaces, NoDeviceOrAFailingCallGivesNoPath) {
    fake.paths = {"only"};
    EXPECT_EQ(device_interface_path(fakes, USB_PRINTER_INTERFACE, 1), "");
    EXPECT_EQ(device_interface_path(fakes, USB_PRINTER_INTERFACE, -1), "");
    fake.detail_fails = true;
    EXPECT_EQ(device_interface_path(fakes, USB_PRINTER_INTERFACE, 0), "");
    fake.list_fails = true;
    EXPECT_EQ(device_interface_path(fakes, USB_PRINTER_INTERFACE, 0), "");
    DeviceSetupCalls missing = fakes;
    missing.interface_detail = nullptr;
    EXPECT_EQ(device_interface_path(missing, USB_PRINTER_INTERFACE, 0), "");
}

// Wine has no USB printers: the real calls must load and find none.
TEST_F(DeviceInterfaces, SystemCallsLoadAndAnswer) {
    const DeviceSetupCalls &calls = system_device_setup();
    ASSERT_NE(calls.get_class_devs, nullptr);
    ASSERT_NE(calls.destroy_list, nullptr);
    device_interface_path(calls, USB_PRINTER_INTERFACE, 0);
}

}  // namespace
