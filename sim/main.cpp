// vordel-sim: a printer on the other end of the line for vordel and its
// tests. Options, then the transport serves one session until stopped.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "platform/descriptors.h"
#include "platform/sockets.h"
#include "sim/control.h"
#include "sim/net_line.h"
#include "sim/pty_line.h"
#include "sim/render.h"
#include "sim/serve_loop.h"
#include "sim/session.h"

namespace {

constexpr const char *usage_text =
    "usage: vordel-sim --serial [options]\n"
    "       vordel-sim --net [ADDRESS] [options]\n"
    "       vordel-sim --render OUT.png [--paper 58|80] FILE\n"
    "  --serial            serve on a pseudo-terminal; its device path is printed\n"
    "                      first on standard output as \"serial PATH\"\n"
    "  --net [ADDRESS]     serve TCP port 9100 and UDP port 3289 on this IPv4 address\n"
    "                      (default 127.0.0.1), printed first as \"net ADDRESS\"\n"
    "  --udp-silent        answer nothing on the UDP control port\n"
    "  --link PATH         make PATH a symbolic link to that device\n"
    "  --log FILE          write every received byte to FILE\n"
    "  --trace             one line per command and per reply on standard error\n"
    "  --reply REQ=REPLY   answer the bytes REQ (hex) with REPLY (hex, - for nothing)\n"
    "  --set NAME=VALUE    start with this state (control command \"show\" lists them)\n"
    "  --hold MS           read nothing for the first MS milliseconds\n"
    "  --silent            answer nothing\n"
    "  --seed N            seed of the garbage bytes\n"
    "  --scan NAME=VALUE   the scanner: size=WxH, block=N, encoding=raw|hex,\n"
    "                      protocol=standard|ncr, jam=N, wave=N\n"
    "  --render OUT.png    draw what is printed as one picture (a dashed line at cuts)\n"
    "  --render-dir DIR    draw one picture per paper cut: DIR/receipt-0001.png, ...\n"
    "  --paper 58|80       paper width in mm for the pictures (default 80: 576 dots)\n"
    "  --text-cells        draw characters as filled cells instead of font glyphs\n"
    "  FILE                draw the print data in FILE instead of serving\n"
    "  --help              this text\n"
    "Control commands, one a line on standard input (\"help\" lists them):\n"
    "  set, hold, silent, garbage, drop, send, reply, scan, udp, show, echo, help, quit\n";

struct Settings {
    bool serial = false;
    bool net = false;
    bool udp_silent = false;
    Ipv4 address{127, 0, 0, 1};
    bool trace = false;
    bool silent = false;
    bool text_cells = false;
    long hold_ms = 0;
    long paper_mm = 80;
    std::string render, render_dir, input;
    long seed = -1;
    std::string link, log;
    std::vector<std::string> replies, states, scans;
};

struct Option {
    const char *name;
    bool takes_value;
    bool (*apply)(Settings &, std::string_view value, std::string *error);
};

bool count_value(std::string_view v, long max, long *out, const char *what, std::string *error) {
    if (parse_count(v, max, out)) return true;
    *error = std::string("bad ") + what + " '" + std::string(v) + "'";
    return false;
}

constexpr Option options[] = {
    {"--serial", false, [](Settings &s, std::string_view, std::string *) { return s.serial = true; }},
    {"--udp-silent", false, [](Settings &s, std::string_view, std::string *) { return s.udp_silent = true; }},
    {"--trace", false, [](Settings &s, std::string_view, std::string *) { return s.trace = true; }},
    {"--silent", false, [](Settings &s, std::string_view, std::string *) { return s.silent = true; }},
    {"--link", true, [](Settings &s, std::string_view v, std::string *) { s.link = v; return true; }},
    {"--log", true, [](Settings &s, std::string_view v, std::string *) { s.log = v; return true; }},
    {"--reply", true,
     [](Settings &s, std::string_view v, std::string *) { s.replies.emplace_back(v); return true; }},
    {"--set", true,
     [](Settings &s, std::string_view v, std::string *) { s.states.emplace_back(v); return true; }},
    {"--scan", true,
     [](Settings &s, std::string_view v, std::string *) { s.scans.emplace_back(v); return true; }},
    {"--text-cells", false, [](Settings &s, std::string_view, std::string *) { return s.text_cells = true; }},
    {"--render", true,
     [](Settings &s, std::string_view v, std::string *e) {
         s.render = v;
         if (v.empty()) *e = "--render needs a file name";
         return !v.empty();
     }},
    {"--render-dir", true,
     [](Settings &s, std::string_view v, std::string *e) {
         s.render_dir = v;
         if (v.empty()) *e = "--render-dir needs a folder name";
         return !v.empty();
     }},
    {"--paper", true,
     [](Settings &s, std::string_view v, std::string *e) {
         if (v == "58" || v == "80") return s.paper_mm = v == "58" ? 58 : 80, true;
         *e = "bad paper width '" + std::string(v) + "' (58 or 80)";
         return false;
     }},
    {"--hold", true,
     [](Settings &s, std::string_view v, std::string *e) {
         return count_value(v, 24L * 3600 * 1000, &s.hold_ms, "hold time", e);
     }},
    {"--seed", true,
     [](Settings &s, std::string_view v, std::string *e) { return count_value(v, 0xFFFFFFFFL, &s.seed, "seed", e); }},
};

// 0 to run, 1 after --help, -1 after a complaint.
int parse_options(int argc, char **argv, Settings &settings) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage_text, stdout);
            return 1;
        }
        if (!arg.starts_with("-")) {
            if (!settings.input.empty()) {
                std::fprintf(stderr, "vordel-sim: one FILE to draw, not '%s' too\n", argv[i]);
                return -1;
            }
            settings.input = arg;
            continue;
        }
        std::string_view name = arg.substr(0, arg.find('='));
        const Option *option = nullptr;
        for (const Option &o : options)
            if (name == o.name) option = &o;
        if (!option && name != "--net") {
            std::fprintf(stderr, "vordel-sim: unknown option '%s'\n%s", argv[i], usage_text);
            return -1;
        }
        std::string_view value;
        if (name == "--net") {  // the address may be left out
            settings.net = true;
            std::string address = name.size() < arg.size() ? std::string(arg.substr(name.size() + 1))
                                  : i + 1 < argc && argv[i + 1][0] != '-' ? argv[++i]
                                                                          : "127.0.0.1";
            if (!ipv4_from_text(address, &settings.address)) {
                std::fprintf(stderr, "vordel-sim: bad IPv4 address '%s'\n", address.c_str());
                return -1;
            }
            continue;
        }
        if (option->takes_value) {
            if (name.size() < arg.size()) {
                value = arg.substr(name.size() + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                std::fprintf(stderr, "vordel-sim: %s needs a value\n", option->name);
                return -1;
            }
        } else if (name.size() < arg.size()) {
            std::fprintf(stderr, "vordel-sim: %s takes no value\n", option->name);
            return -1;
        }
        std::string error;
        if (!option->apply(settings, value, &error)) {
            std::fprintf(stderr, "vordel-sim: %s\n", error.c_str());
            return -1;
        }
    }
    const bool picture = !settings.render.empty(), folder = !settings.render_dir.empty();
    const char *complaint = nullptr;
    if (picture && folder)
        complaint = "--render and --render-dir exclude each other";
    else if (settings.serial && settings.net)
        complaint = "one transport: --serial or --net";
    else if (!settings.input.empty() && (settings.serial || settings.net))
        complaint = "a FILE to draw or a transport, not both";
    else if (!settings.input.empty() && !picture && !folder)
        complaint = "a FILE is drawn with --render OUT.png or --render-dir DIR";
    else if (settings.input.empty() && !settings.serial && !settings.net)
        complaint = "choose a transport (--serial or --net)";
    if (complaint) {
        std::fprintf(stderr, "vordel-sim: %s\n%s", complaint, usage_text);
        return -1;
    }
    return 0;
}

// The session's start-up state from the options; false after a complaint.
bool configure(Session &session, const Settings &settings) {
    std::string error;
    for (const std::string &r : settings.replies)
        if (!session.add_reply(r, &error)) {
            std::fprintf(stderr, "vordel-sim: --reply: %s\n", error.c_str());
            return false;
        }
    for (const std::string &s : settings.states)
        if (!session.set_state(s, &error)) {
            std::fprintf(stderr, "vordel-sim: --set: %s\n", error.c_str());
            return false;
        }
    for (const std::string &s : settings.scans)
        if (!session.set_scan(s, &error)) {
            std::fprintf(stderr, "vordel-sim: --scan: %s\n", error.c_str());
            return false;
        }
    session.set_silent(settings.silent);
    session.set_udp_silent(settings.udp_silent);
    return true;
}

// The picture side: glyphs, paper and the renderer that feeds it.
struct Preview {
    std::unique_ptr<Glyphs> glyphs;
    std::unique_ptr<PngPaper> paper;
    std::unique_ptr<Renderer> renderer;

    explicit Preview(const Settings &s) {
        const int dots = s.paper_mm == 58 ? 384 : 576;
        glyphs = s.text_cells ? cell_glyphs() : open_font_glyphs(stderr);
        const bool folder = !s.render_dir.empty();
        paper = std::make_unique<PngPaper>(dots, folder ? s.render_dir : s.render, folder, stderr);
        renderer = std::make_unique<Renderer>(*paper, *glyphs, dots, stderr);
    }
    bool finish() {
        renderer->finish();
        return paper->finish();
    }
};

int render_file(const Settings &settings) {
    std::FILE *in = std::fopen(settings.input.c_str(), "rb");
    if (!in) {
        std::fprintf(stderr, "vordel-sim: can't read %s: %s\n", settings.input.c_str(), std::strerror(errno));
        return 1;
    }
    Preview preview(settings);
    std::vector<uint8_t> buffer(1 << 16);
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        preview.renderer->feed(std::span(buffer.data(), got));
    bool read_ok = !std::ferror(in);
    if (!read_ok)
        std::fprintf(stderr, "vordel-sim: can't read %s: %s\n", settings.input.c_str(), std::strerror(errno));
    std::fclose(in);
    return preview.finish() && read_ok ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
    Settings settings;
    int parsed = parse_options(argc, argv, settings);
    if (parsed != 0) return parsed > 0 ? 0 : 2;
    if (!settings.input.empty()) return render_file(settings);
    ignore_stray_signals();

    std::FILE *log = nullptr;
    if (!settings.log.empty() && !(log = std::fopen(settings.log.c_str(), "wb"))) {
        std::fprintf(stderr, "vordel-sim: can't write %s: %s\n", settings.log.c_str(), std::strerror(errno));
        return 1;
    }
    PtyLine pty(settings.link);
    NetLine net(settings.address);
    Transport &line = settings.net ? static_cast<Transport &>(net) : pty;
    SessionOptions session_options;
    session_options.log = log;
    session_options.trace = settings.trace;
    session_options.seed = static_cast<uint32_t>(settings.seed >= 0 ? settings.seed : std::time(nullptr));
    std::unique_ptr<Preview> preview;
    if (!settings.render.empty() || !settings.render_dir.empty()) {
        preview = std::make_unique<Preview>(settings);
    }
    Session session(line, session_options);
    if (preview) session.copy_received([&](std::span<const uint8_t> bytes) { preview->renderer->feed(bytes); });
    int status = 2;
    if (configure(session, settings)) {
        status = 1;
        if (settings.net ? net.open() : pty.open()) {
            line.hold(static_cast<int>(settings.hold_ms));
            status = serve(line, session);
        }
    }
    if (preview && !preview->finish() && status == 0) status = 1;
    if (log) std::fclose(log);
    if (status != 2) std::fprintf(stderr, "vordel-sim: %s\n", session.summary().c_str());
    return status;
}
