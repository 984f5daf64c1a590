// Port-line builtins: isDSR, isCTS, reset, busy, ready, recv, recvlen. They
// only call current_port, so every target kind answers in its own way.
#include "base/port_ops.h"
#include "base/recv_ring.h"
#include "core/builtin_args.h"
#include "core/builtins.h"

NODE *do_isDSR(NODE *) { return number_result(current_port.port_get_dsr()); }

NODE *do_isCTS(NODE *) { return number_result(current_port.port_get_cts()); }

NODE *do_reset(NODE *) { return number_result(current_port.port_reset()); }

NODE *do_busy(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    current_port.port_set_host_busy(n != 0 ? 1 : 0);
    return number_result(1);
}

NODE *do_ready(NODE *list) {
    BuiltinArgs args(list);
    int32_t n = arg_number(args);
    if (unwinding()) return null_string;
    current_port.port_wait_ready();
    return number_result(static_cast<int8_t>(n & 0xFF));
}

NODE *do_recv(NODE *) { return number_result(recv_ring_pop()); }

NODE *do_recvlen(NODE *) { return number_result(recv_ring_count()); }
