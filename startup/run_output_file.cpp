// Output-file mode: copies a file of prepared print data to the target block
// by block, or shows it as a byte dump when no target is given.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "base/diag.h"
#include "base/port_ops.h"
#include "base/settings.h"
#include "platform/files.h"
#include "ports/file/dump.h"
#include "startup/break_handler.h"
#include "startup/run_modes.h"
#include "startup/target.h"
#include "startup/usage.h"

namespace {

constexpr int32_t DEFAULT_BLOCK_SIZE = 1024;
// The input is read in pieces of about this size, however small the blocks.
constexpr size_t READ_AHEAD = 256 * 1024;

// Blocks of the write block size, read ahead: every block but the last is
// full, and a block is sent as soon as its bytes are in.
struct BlockBuffer {
    std::unique_ptr<uint8_t[]> data;
    size_t block;
    size_t capacity;  // a whole number of blocks
};

BlockBuffer allocate_blocks(int32_t block_size) {
    if (block_size < 1) fatal("Failed to allocate buffer");
    size_t block = static_cast<size_t>(block_size);
    size_t capacity = block * std::max<size_t>(1, READ_AHEAD / block);
    BlockBuffer b{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[capacity]), block, capacity};
    if (!b.data) fatal("Failed to allocate buffer");
    return b;
}

// A file target reports write errors (disk full, device gone) through its
// send and close results; losing bytes silently is not an option there.
void check_written(int32_t result) {
    if (!result && run_options.target.kind == PortKind::File) fatal("Can't write file <%s>", run_options.target.name.c_str());
}

void send(const uint8_t *bytes, size_t n) {
    check_written(current_port.port_send(bytes, static_cast<int32_t>(n)));
}

// Copies to the end of the input; false when the input reported a read error.
bool copy_blocks(ReadFile &in, BlockBuffer &b) {
    uint8_t *data = b.data.get();
    size_t filled = 0;
    for (;;) {
        long n = in.read_some(data + filled, b.capacity - filled);
        if (n <= 0) {
            if (filled > 0) send(data, filled);
            return n == 0;
        }
        filled += static_cast<size_t>(n);
        size_t sent = 0;
        for (; filled - sent >= b.block; sent += b.block) send(data + sent, b.block);
        if (sent > 0 && sent < filled) std::memmove(data, data + sent, filled - sent);
        filled -= sent;
    }
}

}  // namespace

int run_output_file(int argc, char **argv) {
    if (argc < 1 || argc > 2) usage();
    const char *input_name = argv[0];
    if (is_port_target(input_name)) fatal("set filename");
    BlockBuffer blocks = allocate_blocks(run_options.write_block_size ? run_options.write_block_size : DEFAULT_BLOCK_SIZE);
    if (argc == 2) select_target(argv[1]);
    // Opening the target truncates it: copying a file onto itself would empty it.
    if (argc == 2 && run_options.target.kind == PortKind::File && same_file(input_name, argv[1]))
        fatal("can't copy file <%s> onto itself", input_name);

    ReadFile input;
    if (!input.open(input_name)) fatal("can't open file <%s>", input_name);

    register_break_handler();
    std::fputs(dump_separator, stderr);
    if (!current_port.port_open(run_options.target)) std::exit(1);
    if (run_options.write_block_size) current_port.port_set_block_size(run_options.write_block_size);

    if (!copy_blocks(input, blocks)) fatal("Can't read file <%s>", input_name);
    check_written(current_port.port_close(1));
    std::fputs(dump_separator, stderr);
    return 0;
}
