// QR_v0 (text): the text as a QR code symbol at level M in byte mode, drawn
// on the host and sent as a raster image, 6 dots per module.
#include <string>

#include "base/diag.h"
#include "base/port_ops.h"
#include "core/builtin_args.h"
#include "printer/image_builtins.h"
#include "printer/qr_encode.h"

namespace {
constexpr size_t kMaxText = 7089;
}

NODE *do_QR_v0(NODE *list) {
    BuiltinArgs args(list);
    std::string text = arg_text(args);
    if (unwinding()) return null_string;
    const size_t length = text.size();
    if (length > kMaxText) text.resize(kMaxText);
    int version = qr::choose_version(text.size());
    if (version == 0) {
        warning("QR_v0: a text of %zu bytes does not fit in a QR code symbol (at most %d)", length,
                static_cast<int>(qr::kByteCapacityM[qr::kMaxVersion - 1]));
        return number_result(-1);
    }
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t *>(text.data()), text.size());
    return number_result(qr::encode(bytes, version, qr::kByte, qr::kLevelM, -1, 6, current_port.port_send_byte));
}
