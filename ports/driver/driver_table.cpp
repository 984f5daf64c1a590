#include "ports/driver/driver_table.h"

#include <mutex>


namespace {

std::recursive_mutex table_lock;
std::array<std::unique_ptr<PortDriver>, DRIVER_SLOTS> driver_table;
DriverKinds driver_kinds{};

// Runs op on the driver in the slot, or answers -1 (and a zero count).
template <typename Op>
int32_t with_driver(int32_t handle, int32_t *count, Op op) {
    std::lock_guard<std::recursive_mutex> hold(table_lock);
    if (count) *count = 0;
    if (handle < 0 || handle >= DRIVER_SLOTS || !driver_table[handle]) return -1;
    return op(*driver_table[handle]);
}

}  // namespace

void drv_set_kinds(const DriverKinds &kinds) {
    std::lock_guard<std::recursive_mutex> hold(table_lock);
    driver_kinds = kinds;
}

int32_t drv_create(int32_t kind) {
    std::lock_guard<std::recursive_mutex> hold(table_lock);
    if (kind < 0 || kind >= DRIVER_KINDS) return -1;
    for (int32_t slot = 0; slot < DRIVER_SLOTS; ++slot) {
        if (driver_table[slot]) continue;
        if (DriverMaker make = driver_kinds[kind]) driver_table[slot] = make(slot, static_cast<PortKind>(kind));
        return slot;
    }
    return -1;
}

int32_t drv_destroy(int32_t handle) {
    return with_driver(handle, nullptr, [&](PortDriver &) {
        driver_table[handle].reset();  // deleting a driver closes it
        return 1;
    });
}

int32_t drv_destroy_all() {
    std::lock_guard<std::recursive_mutex> hold(table_lock);
    int32_t n = 0;
    for (auto &slot : driver_table)
        if (slot) {
            slot.reset();
            ++n;
        }
    return n;
}

int32_t drv_open(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) { return d.open(); });
}

int32_t drv_write(int32_t handle, int32_t tag, const uint8_t *data, int32_t length, int32_t *written) {
    return with_driver(handle, written, [&](PortDriver &d) { return d.write(tag, data, length, written); });
}

int32_t drv_read(int32_t handle, uint8_t *data, int32_t length, int32_t *got) {
    return with_driver(handle, got, [&](PortDriver &d) { return d.read(data, length, got); });
}

int32_t drv_close(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) { return d.close(); });
}

int32_t drv_reset(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) {
        d.send_held_back();
        return d.reset();
    });
}

int32_t drv_os_handle(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) { return d.os_handle(); });
}

int32_t drv_configure(int32_t handle, const PortSettings &settings) {
    return with_driver(handle, nullptr, [&](PortDriver &d) { return d.configure(settings); });
}

int32_t drv_set_callbacks(int32_t handle, const DriverCallbacks &callbacks) {
    return with_driver(handle, nullptr, [&](PortDriver &d) {
        d.set_callbacks(callbacks);
        return 1;
    });
}

int32_t drv_pending_output(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) { return d.pending_output(); });
}

int32_t drv_set_block_size(int32_t handle, int32_t n) {
    return with_driver(handle, nullptr, [&](PortDriver &d) { return d.set_block_size(n); });
}

int32_t drv_set_receive_size(int32_t handle, int32_t n) {
    return with_driver(handle, nullptr, [&](PortDriver &d) { return d.set_receive_size(n); });
}

int32_t drv_pending_input(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) { return d.pending_input(); });
}

int32_t drv_clear_input(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) {
        d.clear_input();
        return 1;
    });
}

int32_t drv_ignore_flow(int32_t handle, int32_t flag) {
    return with_driver(handle, nullptr, [&](PortDriver &d) {
        d.send_held_back();
        return d.ignore_flow(flag);
    });
}

int32_t drv_waiting_for_device(int32_t handle) {
    return with_driver(handle, nullptr, [](PortDriver &d) { return d.waiting_for_device(); });
}

const OpenFailure *drv_open_failure(int32_t handle) {
    const OpenFailure *failure = nullptr;
    with_driver(handle, nullptr, [&](PortDriver &d) {
        failure = d.open_failure();
        return 1;
    });
    return failure;
}

int32_t drv_wait_output_space(int32_t handle, int32_t ms) {
    return with_driver(handle, nullptr, [&](PortDriver &d) {
        d.wait_output_space(ms);
        return 1;
    });
}

int32_t drv_wait_input(int32_t handle, int32_t ms) {
    return with_driver(handle, nullptr, [&](PortDriver &d) {
        d.wait_input(ms);
        return 1;
    });
}
