// libFuzzer target: any bytes as a script (it may include itself and x.inc)
// must end with status 0, 1 or 2 and no internal consistency report, never a
// crash, a hang or a stray read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "frontend/preprocessor.h"

namespace {

struct Workspace {
    std::string dir;
    Workspace() {
        const char *tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vordel-ppfuzz-XXXXXX";
        if (!mkdtemp(templ.data()) || chdir(templ.c_str()) != 0) std::abort();
        dir = templ;
        std::FILE *inc = std::fopen("x.inc", "wb");
        if (!inc) std::abort();
        std::fputs("#define INC_F(a, b) a ## b #a\n#define INC_V 3\n#if INC_V > 2\ninc\n#endif\n", inc);
        std::fclose(inc);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Workspace ws;
    // New files rather than truncated ones: truncating forces a flush on ext4.
    std::remove("in.vd");
    std::remove("out.tmp");
    std::FILE *in = std::fopen("in.vd", "wb");
    if (!in) std::abort();
    std::fwrite(data, 1, size, in);
    std::fclose(in);
    PreprocessOptions options;
    options.max_output_bytes = 1 << 20;  // macros that double each other stay cheap
    char *said = nullptr;
    size_t said_size = 0;
    options.messages = open_memstream(&said, &said_size);
    if (!options.messages) std::abort();
    int status = preprocess("in.vd", "out.tmp", options);
    std::fclose(options.messages);
    // An internal consistency report is a fault of ours, whatever the input.
    std::string messages = "\n" + std::string(said, said_size);
    bool internal = messages.find("\ncpp error (") != std::string::npos;
    std::free(said);
    if (status < 0 || status > 2 || internal) std::abort();
    return 0;
}
