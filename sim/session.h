// One simulated printer on one line. The session reads what the host sends
// (command reader), answers it (scripted replies first, then the reply logic
// over the printer model) and runs the control commands that change the
// state or inject faults. It sees its line only through the Line interface,
// so every transport drives the same session. Everything runs on the
// caller's thread; a change made by a control command applies from the next
// byte received.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/control.h"
#include "sim/reader.h"
#include "sim/replies.h"
#include "sim/udp_replies.h"

class Line {
public:
    virtual ~Line() = default;
    virtual void send(std::span<const uint8_t> bytes) = 0;  // to the host, in order
    virtual void hold(int ms) = 0;  // stop reading for ms milliseconds; 0 reads again
    virtual void drop() = 0;        // close the line as a pulled cable would
};

struct SessionOptions {
    std::FILE *out = stdout;   // answers to control commands (show, echo, help)
    std::FILE *err = stderr;   // trace lines and complaints
    std::FILE *log = nullptr;  // every received byte, raw
    bool trace = false;
    uint32_t seed = 1;  // of the garbage bytes
};

struct Counters {
    uint64_t bytes = 0, commands = 0, replies = 0;
};

class Session : private CommandVisitor {
public:
    Session(Line &line, SessionOptions options);

    void receive(std::span<const uint8_t> bytes);
    // Nothing arrived for a while: bytes held back for a scripted request
    // that may still match are read as they are.
    void idle();
    bool holding_bytes() const { return reader_.holding(); }
    // The line was replaced: a partly received command is forgotten.
    void line_reset() {
        reader_.reset();
        waiting_.clear();
        awaited_ = 0;
        logic_.forget_records();
    }

    // Runs one control command line; false when it asks to end (quit).
    // Complaints go to the error stream; the session goes on.
    bool control(std::string_view line);
    bool add_reply(std::string_view text, std::string *error);  // REQUEST=REPLY
    bool set_state(std::string_view assignment, std::string *error);
    bool set_scan(std::string_view assignment, std::string *error) {
        return set_scan_setting(logic_.scan(), assignment, error);
    }
    void set_silent(bool on) { silent_ = on; }
    void set_udp_silent(bool on) { udp_.silent = on; }
    // The answers to one datagram on the control port (none, one or two).
    std::vector<std::vector<uint8_t>> control_datagram(std::span<const uint8_t> request);
    // A trace line about the transport itself.
    void note(const std::string &text);
    // Every received byte goes to sink too (the preview).
    void copy_received(std::function<void(std::span<const uint8_t>)> sink) { copy_ = std::move(sink); }

    const PrinterState &state() const { return state_; }
    const Counters &counters() const { return counters_; }
    std::string summary() const;  // "N bytes received, N commands, N replies"

    struct Verb {
        const char *name;
        bool (Session::*run)(std::span<const std::string_view> args);
        const char *usage;
    };

private:
    void on_text(std::span<const uint8_t> bytes) override;
    void on_command(const Command &command) override;
    void on_request(size_t index, std::span<const uint8_t> bytes) override;
    void send_replies(const Replies &replies, const std::string &cause);
    void send_waiting(std::deque<Reply> &queue, std::string text);
    void feed_reader(std::span<const uint8_t> bytes);
    void update_requests();
    void trace(const std::string &line);
    void complain(const std::string &text);

    bool do_set(std::span<const std::string_view> args);
    bool do_hold(std::span<const std::string_view> args);
    bool do_silent(std::span<const std::string_view> args);
    bool do_garbage(std::span<const std::string_view> args);
    bool do_drop(std::span<const std::string_view> args);
    bool do_send(std::span<const std::string_view> args);
    bool do_reply(std::span<const std::string_view> args);
    bool do_scan(std::span<const std::string_view> args);
    bool do_udp(std::span<const std::string_view> args);
    bool do_show(std::span<const std::string_view> args);
    bool do_echo(std::span<const std::string_view> args);
    bool do_help(std::span<const std::string_view> args);
    bool do_quit(std::span<const std::string_view> args);

    static const Verb verbs[];

    Line &line_;
    SessionOptions options_;
    PrinterState state_;
    ReplyLogic logic_{state_};
    CommandReader reader_{*this};
    std::vector<ScriptedReply> scripted_;
    // The rest of a transfer, sent once the host's byte awaited_ arrives.
    std::deque<Reply> waiting_;
    uint8_t awaited_ = 0;
    bool silent_ = false;
    uint8_t emulation_ = 0;  // the command set the reader's patterns were made for
    UdpOptions udp_;
    bool quit_ = false;
    Counters counters_;
    std::mt19937 random_;
    std::function<void(std::span<const uint8_t>)> copy_;
};
