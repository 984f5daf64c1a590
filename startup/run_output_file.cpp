// Output-file mode: copies a file of prepared print data to the target block
// by block, or shows it as a byte dump when no target is given.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "platform/files.h"
#include "ports/file/dump.h"
#include "startup/break_handler.h"
#include "startup/diag.h"
#include "startup/globals.h"
#include "startup/run_modes.h"
#include "startup/target.h"
#include "startup/usage.h"

namespace {

constexpr int32_t DEFAULT_BLOCK_SIZE = 1024;
// Input is read ahead in large pieces however small the blocks are.
constexpr size_t INPUT_BUFFER_SIZE = 256 * 1024;

struct InputFile {
    std::FILE *f = nullptr;
    std::vector<char> buffer;
    ~InputFile() {
        if (f) std::fclose(f);
    }
};

struct Block {
    std::unique_ptr<uint8_t[]> data;
    size_t size;
};

Block allocate_block(int32_t size) {
    if (size < 1) fatal("Failed to allocate buffer");
    Block block{std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(size)]),
                static_cast<size_t>(size)};
    if (!block.data) fatal("Failed to allocate buffer");
    return block;
}

// Copies until a short read; false when the file reported a read error.
bool copy_blocks(std::FILE *in, const Block &block) {
    for (;;) {
        size_t n = std::fread(block.data.get(), 1, block.size, in);
        if (n > 0 && !current_port.port_send(block.data.get(), static_cast<int32_t>(n)))
            fatal("Can't write file <%s>", target_name.c_str());
        if (n < block.size) return !std::ferror(in);
    }
}

}  // namespace

int run_output_file(int argc, char **argv) {
    if (argc < 1 || argc > 2) usage();
    const char *input_name = argv[0];
    if (is_port_target(input_name)) fatal("set filename");
    Block block = allocate_block(write_block_size ? write_block_size : DEFAULT_BLOCK_SIZE);
    if (argc == 2) select_target(argv[1]);
    // Opening the target truncates it: copying a file onto itself would empty it.
    if (argc == 2 && port_kind == PortKind::File && same_file(input_name, argv[1]))
        fatal("can't copy file <%s> onto itself", input_name);

    InputFile input;
    input.f = std::fopen(input_name, "rb");
    if (!input.f) fatal("can't open file <%s>", input_name);
    input.buffer.resize(INPUT_BUFFER_SIZE);
    std::setvbuf(input.f, input.buffer.data(), _IOFBF, input.buffer.size());

    register_break_handler();
    std::fputs(dump_separator, stderr);
    if (!current_port.port_open()) std::exit(1);
    if (write_block_size) current_port.port_set_block_size(write_block_size);

    if (!copy_blocks(input.f, block)) fatal("Can't read file <%s>", input_name);
    if (!current_port.port_close(1)) fatal("Can't write file <%s>", target_name.c_str());
    std::fputs(dump_separator, stderr);
    return 0;
}
