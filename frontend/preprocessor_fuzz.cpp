// libFuzzer target: any bytes as a script (it may include itself and x.inc)
// must end with status 0, 1 or 2, never a crash, a hang or a stray read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "frontend/preprocessor.h"

namespace {

struct Workspace {
    std::string dir;
    std::FILE *sink = nullptr;
    Workspace() {
        const char *tmp = std::getenv("TMPDIR");
        std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/vordel-ppfuzz-XXXXXX";
        if (!mkdtemp(templ.data()) || chdir(templ.c_str()) != 0) std::abort();
        dir = templ;
        std::FILE *inc = std::fopen("x.inc", "wb");
        if (!inc) std::abort();
        std::fputs("#define INC_F(a, b) a ## b #a\n#define INC_V 3\n#if INC_V > 2\ninc\n#endif\n", inc);
        std::fclose(inc);
        sink = std::fopen("/dev/null", "w");
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
    options.messages = ws.sink;
    int status = preprocess("in.vd", "out.tmp", options);
    if (status < 0 || status > 2) std::abort();
    return 0;
}
