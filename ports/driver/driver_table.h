// The driver table and the flat driver API the port layer calls.
//  - 256 slots; a driver is addressed by its slot index (the handle).
//  - Every call with a handle outside 0..255 or on an empty slot answers -1
//    and stores 0 in its count out-parameter.
//  - Which class serves which kind is the table of makers installed with
//    drv_set_kinds (the port layer installs the device drivers; tests install
//    fakes). A kind outside 0..4 gives -1; a kind without a maker, or a maker
//    that makes nothing, still gives the slot index, whose slot stays empty,
//    so the following calls on it answer -1.
//  - The API is meant for the interpreter thread; a mutex also lets the break
//    handler's close come from its own thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "ports/driver/port_driver.h"

constexpr int32_t DRIVER_SLOTS = 256;
constexpr int32_t DRIVER_KINDS = 5;  // PortKind 0..4

using DriverMaker = std::unique_ptr<PortDriver> (*)(int32_t handle, PortKind kind);
using DriverKinds = std::array<DriverMaker, DRIVER_KINDS>;

void drv_set_kinds(const DriverKinds &kinds);

int32_t drv_create(int32_t kind);
int32_t drv_destroy(int32_t handle);
int32_t drv_destroy_all();  // empties the table; the number of drivers deleted
int32_t drv_open(int32_t handle);
int32_t drv_write(int32_t handle, int32_t tag, const uint8_t *data, int32_t length, int32_t *written);
int32_t drv_read(int32_t handle, uint8_t *data, int32_t length, int32_t *got);
int32_t drv_close(int32_t handle);
int32_t drv_reset(int32_t handle);
int32_t drv_os_handle(int32_t handle);
int32_t drv_configure(int32_t handle, const PortSettings &settings);
int32_t drv_set_callbacks(int32_t handle, const DriverCallbacks &callbacks);
int32_t drv_pending_output(int32_t handle);
int32_t drv_set_block_size(int32_t handle, int32_t n);
int32_t drv_set_receive_size(int32_t handle, int32_t n);
int32_t drv_pending_input(int32_t handle);
int32_t drv_clear_input(int32_t handle);
int32_t drv_ignore_flow(int32_t handle, int32_t flag);
// 1 while the driver waits for its vanished device to come back.
int32_t drv_waiting_for_device(int32_t handle);
// Why the driver's last open failed; nullptr when unknown or on a bad handle.
const OpenFailure *drv_open_failure(int32_t handle);

// Waits up to ms for room in the send queue (drv_wait_output_space) or for
// received bytes (drv_wait_input); early on any change. A plain sleep for
// drivers without queues. -1 on a bad handle.
int32_t drv_wait_output_space(int32_t handle, int32_t ms);
int32_t drv_wait_input(int32_t handle, int32_t ms);
