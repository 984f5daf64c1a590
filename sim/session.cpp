#include "sim/session.h"

#include <algorithm>

namespace {

constexpr long max_hold_ms = 24L * 3600 * 1000;
constexpr long max_garbage = 1L << 20;
constexpr size_t traced_params = 8;

std::string hex_list(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (uint8_t b : bytes) {
        if (!out.empty()) out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// "GS v 0 0 2 0 16 0 ... (37 bytes)": the name, then the bytes after it in
// decimal, cut short for long commands.
std::string describe(const Command &c) {
    std::string text = command_name(*c.spec, c.bytes);
    bool selector = c.spec->rule == Rule::Selector16 || c.spec->rule == Rule::Selector32;
    size_t from = std::min(c.bytes.size(), size_t{c.spec->prefix_len} + (selector ? 1 : 0));
    uint64_t after = c.length - from;
    size_t shown = after > traced_params ? traced_params - 3 : static_cast<size_t>(after);
    for (size_t i = from; i < from + shown && i < c.bytes.size(); ++i) text += ' ' + std::to_string(c.bytes[i]);
    if (shown < after) text += " ... (" + std::to_string(c.length) + " bytes)";
    if (!c.spec->known) text += " (unknown)";
    return text;
}

}  // namespace

const Session::Verb Session::verbs[] = {
    {"set", &Session::do_set, "set NAME=VALUE...   change the printer's state (see show)"},
    {"hold", &Session::do_hold, "hold MS             stop reading for MS milliseconds"},
    {"silent", &Session::do_silent, "silent on|off       answer nothing / answer again"},
    {"garbage", &Session::do_garbage, "garbage N           send N random bytes"},
    {"drop", &Session::do_drop, "drop                close the line; a new one is announced"},
    {"send", &Session::do_send, "send HEX...         send these bytes"},
    {"reply", &Session::do_reply, "reply REQUEST=REPLY answer REQUEST with REPLY (- for nothing)"},
    {"scan", &Session::do_scan, "scan [NAME=VALUE...] show or change the scanner (size, block, encoding, ...)"},
    {"udp", &Session::do_udp, "udp silent|refuse|split [on|off]  control port: no answers, handshake refused, split answers"},
    {"show", &Session::do_show, "show                print the printer's state"},
    {"echo", &Session::do_echo, "echo TEXT           print TEXT (a marker for scripts)"},
    {"help", &Session::do_help, "help                list the control commands"},
    {"quit", &Session::do_quit, "quit                end the simulator"},
};

Session::Session(Line &line, SessionOptions options)
    : line_(line), options_(options), random_(options.seed) {}

void Session::receive(std::span<const uint8_t> bytes) {
    counters_.bytes += bytes.size();
    if (options_.log) {
        std::fwrite(bytes.data(), 1, bytes.size(), options_.log);
        std::fflush(options_.log);
    }
    for (uint8_t b : bytes)
        if (awaited_ && b == awaited_) {
            awaited_ = 0;
            send_waiting(waiting_, byte_reply(b).what);
        }
    feed_reader(bytes);
    if (copy_) copy_(bytes);
}

// While FS + records wait for their acknowledgements, 81h is one and not
// print data.
void Session::feed_reader(std::span<const uint8_t> bytes) {
    while (logic_.awaiting_ack()) {
        auto ack = std::find(bytes.begin(), bytes.end(), ReplyLogic::record_ack);
        if (ack == bytes.end()) break;
        size_t at = static_cast<size_t>(ack - bytes.begin());
        reader_.feed(bytes.first(at));
        send_replies(logic_.acknowledged(), "ack");
        bytes = bytes.subspan(at + 1);
    }
    reader_.feed(bytes);
}

void Session::idle() { reader_.release(); }

std::string Session::summary() const {
    return std::to_string(counters_.bytes) + " bytes received, " + std::to_string(counters_.commands) +
           " commands, " + std::to_string(counters_.replies) + " replies";
}

void Session::on_text(std::span<const uint8_t> bytes) {
    if (options_.trace) trace("text " + std::to_string(bytes.size()) + " bytes");
}

void Session::on_command(const Command &command) {
    ++counters_.commands;
    Replies replies = logic_.answer(command);
    if (options_.trace || !replies.empty()) send_replies(replies, options_.trace ? describe(command) : "");
}

void Session::on_request(size_t index, std::span<const uint8_t> bytes) {
    ++counters_.commands;
    if (index >= scripted_.size()) {
        std::string name;
        Replies replies = logic_.answer_emulation(bytes, &name);
        send_replies(replies, name);
        return;
    }
    const ScriptedReply &scripted = scripted_[index];
    Replies replies;
    if (!scripted.silent) replies.push_back({scripted.reply, scripted.reply.size() == 1
                                                                 ? byte_reply(scripted.reply[0]).what
                                                                 : std::to_string(scripted.reply.size()) + " bytes"});
    std::string cause = "scripted " + hex_list(bytes);
    if (scripted.silent && options_.trace) cause += " -> nothing";
    send_replies(replies, cause);
}

void Session::send_replies(const Replies &replies, const std::string &cause) {
    if (std::any_of(replies.begin(), replies.end(), [](const Reply &r) { return r.await != 0; })) {
        // A new transfer replaces one the host gave up on.
        waiting_.assign(replies.begin(), replies.end());
        awaited_ = 0;
        send_waiting(waiting_, cause);
        return;
    }
    std::string text = cause;
    for (size_t i = 0; i < replies.size(); ++i) {
        text += i == 0 ? " -> " : ", ";
        text += replies[i].what;
        if (silent_) continue;
        line_.send(replies[i].bytes);
        ++counters_.replies;
    }
    if (silent_ && !replies.empty()) text += " (silent)";
    if (options_.trace) trace(text);
}

// Sends from the front of queue up to a reply that waits for the host.
void Session::send_waiting(std::deque<Reply> &queue, std::string text) {
    for (bool first = true; !queue.empty(); first = false) {
        Reply r = std::move(queue.front());
        queue.pop_front();
        text += first ? " -> " : ", ";
        text += r.what;
        if (silent_) {
            queue.clear();
            text += " (silent)";
            break;
        }
        line_.send(r.bytes);
        ++counters_.replies;
        if (r.await && !queue.empty()) {
            awaited_ = r.await;
            text += " (waits for " + byte_reply(r.await).what + ")";
            break;
        }
    }
    if (options_.trace) trace(text);
}

void Session::trace(const std::string &line) {
    std::fprintf(options_.err, "%s\n", line.c_str());
}

void Session::complain(const std::string &text) {
    std::fprintf(options_.err, "vordel-sim: %s\n", text.c_str());
}

std::vector<std::vector<uint8_t>> Session::control_datagram(std::span<const uint8_t> request) {
    std::string what;
    auto answers = answer_control(request, state_, udp_, &what);
    if (!answers.empty()) ++counters_.replies;
    if (options_.trace) trace("udp " + what);
    return answers;
}

void Session::note(const std::string &text) {
    if (options_.trace) trace(text);
}

bool Session::add_reply(std::string_view text, std::string *error) {
    ScriptedReply reply;
    if (!parse_scripted_reply(text, &reply, error)) return false;
    auto same = std::find_if(scripted_.begin(), scripted_.end(),
                             [&](const ScriptedReply &r) { return r.request == reply.request; });
    if (same != scripted_.end())
        *same = std::move(reply);
    else
        scripted_.push_back(std::move(reply));
    update_requests();
    return true;
}

// Scripted requests come first: they win over an emulated one of the same bytes.
void Session::update_requests() {
    std::vector<std::vector<uint8_t>> patterns;
    for (const ScriptedReply &r : scripted_) patterns.push_back(r.request);
    emulation_ = state_[Field::Emulation];
    for (auto &p : ReplyLogic::emulation_patterns(emulation_)) patterns.push_back(std::move(p));
    reader_.set_requests(std::move(patterns));
}

bool Session::set_state(std::string_view assignment, std::string *error) {
    if (!::set_state(state_, assignment, error)) return false;
    if (state_[Field::Emulation] != emulation_) update_requests();
    send_replies(logic_.state_changed(), "state");
    return true;
}

bool Session::control(std::string_view text) {
    std::vector<std::string_view> words = split_words(text);
    if (words.empty() || words[0][0] == '#') return true;
    if (options_.trace) trace("control: " + std::string(text));
    for (const Verb &verb : verbs) {
        if (words[0] != verb.name) continue;
        if (!(this->*verb.run)(std::span(words).subspan(1))) complain(std::string("usage: ") + verb.usage);
        return !quit_;
    }
    complain("unknown control command '" + std::string(words[0]) + "' (try help)");
    return true;
}

bool Session::do_set(std::span<const std::string_view> args) {
    if (args.empty()) return false;
    for (std::string_view assignment : args) {
        std::string error;
        if (!set_state(assignment, &error)) complain(error);
    }
    return true;
}

bool Session::do_hold(std::span<const std::string_view> args) {
    long ms = 0;
    if (args.size() != 1 || !parse_count(args[0], max_hold_ms, &ms)) return false;
    line_.hold(static_cast<int>(ms));
    return true;
}

bool Session::do_silent(std::span<const std::string_view> args) {
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) return false;
    silent_ = args[0] == "on";
    return true;
}

bool Session::do_garbage(std::span<const std::string_view> args) {
    long n = 0;
    if (args.size() != 1 || !parse_count(args[0], max_garbage, &n)) return false;
    std::vector<uint8_t> bytes(static_cast<size_t>(n));
    for (uint8_t &b : bytes) b = static_cast<uint8_t>(random_());
    line_.send(bytes);
    if (options_.trace) trace("garbage -> " + std::to_string(n) + " bytes");
    return true;
}

bool Session::do_drop(std::span<const std::string_view> args) {
    if (!args.empty()) return false;
    line_.drop();
    return true;
}

bool Session::do_send(std::span<const std::string_view> args) {
    std::string joined;
    for (std::string_view a : args) joined += std::string(a) + ' ';
    std::vector<uint8_t> bytes;
    if (!parse_hex(joined, &bytes) || bytes.empty()) return false;
    line_.send(bytes);
    if (options_.trace) trace("send -> " + hex_list(bytes));
    return true;
}

bool Session::do_reply(std::span<const std::string_view> args) {
    if (args.size() != 1) return false;
    std::string error;
    if (!add_reply(args[0], &error)) complain(error);
    return true;
}

bool Session::do_scan(std::span<const std::string_view> args) {
    for (std::string_view assignment : args) {
        std::string error;
        if (!set_scan(assignment, &error)) complain(error);
    }
    if (args.empty()) {
        std::fprintf(options_.out, "%s\n", describe_scan_settings(logic_.scan()).c_str());
        std::fflush(options_.out);
    }
    return true;
}

bool Session::do_udp(std::span<const std::string_view> args) {
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "on" && args[1] != "off")) return false;
    bool on = args.size() == 1 || args[1] == "on";
    if (args[0] == "silent")
        udp_.silent = on;
    else if (args[0] == "refuse")
        udp_.refuse = on;
    else if (args[0] == "split")
        udp_.split = on;
    else
        return false;
    return true;
}

bool Session::do_show(std::span<const std::string_view> args) {
    if (!args.empty()) return false;
    std::fprintf(options_.out, "%s\n", describe_state(state_).c_str());
    std::fflush(options_.out);
    return true;
}

bool Session::do_echo(std::span<const std::string_view> args) {
    std::string text;
    for (std::string_view a : args) {
        if (!text.empty()) text += ' ';
        text += a;
    }
    std::fprintf(options_.out, "%s\n", text.c_str());
    std::fflush(options_.out);
    return true;
}

bool Session::do_help(std::span<const std::string_view>) {
    for (const Verb &verb : verbs) std::fprintf(options_.out, "%s\n", verb.usage);
    std::fflush(options_.out);
    return true;
}

bool Session::do_quit(std::span<const std::string_view>) {
    quit_ = true;
    return true;
}
