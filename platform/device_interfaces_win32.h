// Device interfaces by class (Windows only): the path of the n-th present
// device whose driver offers an interface class, through the device-setup
// calls. Those are looked up in SETUPAPI.DLL at run time, so the program
// still starts where the library is missing (then no device is found);
// tests hand in fakes instead.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include <string>

struct DeviceSetupCalls {
    HDEVINFO(WINAPI *get_class_devs)(const GUID *, PCSTR, HWND, DWORD);
    BOOL(WINAPI *enum_interfaces)(HDEVINFO, PSP_DEVINFO_DATA, const GUID *, DWORD, PSP_DEVICE_INTERFACE_DATA);
    BOOL(WINAPI *interface_detail)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD,
                                   PDWORD, PSP_DEVINFO_DATA);
    BOOL(WINAPI *destroy_list)(HDEVINFO);
};

// The standard USB printer class, and the printer maker's own USB driver.
constexpr GUID USB_PRINTER_INTERFACE = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr GUID MAKER_USB_INTERFACE = {0x5DD901C0, 0xBCF4, 0x11D1, {0x97, 0x38, 0x00, 0x80, 0x29, 0xE6, 0xA5, 0xB3}};

// The system's calls; every member is null when SETUPAPI.DLL or a function
// is missing. The library stays loaded for the rest of the run.
const DeviceSetupCalls &system_device_setup();

// "" when there is no such device (or any call fails); index counts from 0.
std::string device_interface_path(const DeviceSetupCalls &calls, const GUID &interface_class, int index);
