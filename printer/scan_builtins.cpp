#include "printer/scan_builtins.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "base/port_ops.h"
#include "base/settings.h"
#include "core/builtin_args.h"
#include "printer/scan_format.h"
#include "printer/status_stores.h"

namespace {

constexpr int32_t MODE_RAW = 0xFFFF;
constexpr int32_t MODE_UNTIL_S = 0x20;
constexpr int32_t MODE_BLOCK = 0xF00;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t WAVE_PROMPT = 0x81;
constexpr uint8_t LAST_BLOCK = 0x40;  // standard protocol
constexpr uint8_t MORE_BLOCKS = 0x41;  // NCR protocol
constexpr int32_t HEADER_SIZE = 5;
constexpr int32_t INFO_SIZE = 34;

bool verbose() { return run_options.status_analyze_mode != 0; }

void send(std::initializer_list<uint32_t> bytes) {
    for (uint32_t b : bytes) current_port.port_send_byte(static_cast<int32_t>(b & 0xFF));
}
void send(std::string_view bytes) {
    for (char c : bytes) current_port.port_send_byte(static_cast<uint8_t>(c));
}
void send_ack() { current_port.port_send_byte(ACK); }

// The next byte as it comes; -1 after Esc (or when the receiver took it for
// something else, which ends a transfer the same way).
int32_t take_byte() {
    int32_t c = current_port.port_recv_reply(MODE_RAW);
    return c >= 0 && c <= 255 ? c : -1;
}

// The next complete block reply; false when the wait was cancelled.
bool wait_block() { return current_port.port_recv_reply(MODE_BLOCK) > 256; }

// The last block reply with its closing NUL.
std::string_view block_with_nul() {
    const char *text = reinterpret_cast<const char *>(block_reply);
    return {text, std::strlen(text) + 1};
}
// Its hex text or data: from the fourth byte up to the NUL.
std::string_view block_data() {
    std::string_view text = block_with_nul();
    text.remove_suffix(1);
    return text.size() > 3 ? text.substr(3) : std::string_view();
}
// Its block kind; a block too short to carry one is marked neither last nor more.
uint8_t block_kind() {
    std::string_view text = block_with_nul();
    return text.size() > 3 ? static_cast<uint8_t>(text[2]) : 0;
}

void progress_mark(int32_t k) { std::fputs(k % 2 ? "\bO" : "\b-", stderr); }
void erase_progress_mark() {
    if (!verbose()) std::fputs("\b", stderr);
}

// The output file: opened before anything is sent; a failed write is
// reported once, naming the file, and every later write is refused.
class ScanFile {
public:
    ScanFile() = default;
    ScanFile(const ScanFile &) = delete;
    ScanFile &operator=(const ScanFile &) = delete;
    ~ScanFile() { close(); }

    bool open(std::string path) {
        path_ = std::move(path);
        file_ = std::fopen(path_.c_str(), "wb");
        return file_ != nullptr;
    }
    // Writes and flushes, so a full disk is noticed before the block is acknowledged.
    bool write(const void *bytes, size_t n) {
        if (failed_) return false;
        if ((n > 0 && std::fwrite(bytes, 1, n, file_) != n) || std::fflush(file_) != 0) return fail();
        return true;
    }
    bool write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }
    bool write(const std::vector<uint8_t> &bytes) { return write(bytes.data(), bytes.size()); }
    // The result to return: a failure to write wins over the protocol's own code.
    int32_t close(int32_t result = 0) {
        if (file_) {
            if (std::fclose(file_) != 0) fail();
            file_ = nullptr;
        }
        return failed_ ? SCAN_WRITE_FAILED : result;
    }

private:
    bool fail() {
        if (!failed_) std::fprintf(stderr, "Can't write file <%s>: %s\n", path_.c_str(), std::strerror(errno));
        failed_ = true;
        return false;
    }

    std::string path_;
    std::FILE *file_ = nullptr;
    bool failed_ = false;
};

// Large replies are expected only while the data blocks come.
struct LargeReceive {
    LargeReceive() { current_port.port_set_large_receive(1); }
    ~LargeReceive() { current_port.port_set_large_receive(0); }
    LargeReceive(const LargeReceive &) = delete;
    LargeReceive &operator=(const LargeReceive &) = delete;
};

// Appends n bytes as they come; false when a wait was cancelled.
bool take_bytes(int32_t n, std::vector<uint8_t> *out) {
    for (int32_t i = 0; i < n; ++i) {
        int32_t c = take_byte();
        if (c < 0) return false;
        out->push_back(static_cast<uint8_t>(c));
    }
    return true;
}

// A raw block header: plain bytes are dropped until an "S", then four more.
bool read_scan_header(uint8_t *header) {
    if (current_port.port_recv_reply(MODE_UNTIL_S) != 'S') return false;
    header[0] = 'S';
    for (int i = 1; i < HEADER_SIZE; ++i) {
        int32_t c = take_byte();
        if (c < 0) return false;
        header[i] = static_cast<uint8_t>(c);
    }
    return true;
}

int32_t block_length(const uint8_t *header) { return header[3] + 256 * header[4]; }

// A whole raw information block into info; its length, or -1.
int32_t read_info_block(uint8_t (&info)[INFO_SIZE]) {
    if (!read_scan_header(info)) return -1;
    int32_t n = block_length(info) + HEADER_SIZE;
    if (n > INFO_SIZE) {
        std::fprintf(stderr, "Information is too long %d\n", n);
        return -1;
    }
    for (int32_t i = HEADER_SIZE; i < n; ++i) {
        int32_t c = take_byte();
        if (c < 0) return -1;
        info[i] = static_cast<uint8_t>(c);
    }
    return n;
}

enum class Info { File, Size };

void store_info(Info which, std::string_view bytes) {
    if (verbose()) {
        if (std::FILE *f = std::fopen(which == Info::File ? "FILEINFO.BLK" : "SIZEINFO.BLK", "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    NODE *var = variable(which == Info::File ? "SCANFILEINFO" : "SCANSIZEINFO");
    if (var->type != T_VAR) return;  // the name is taken by an array or a function
    NODE *old = var->left;
    var->left = make_str_node(bytes.data(), bytes.size(), 0);
    unref(old);
}

// Parses the size information, shows it with -v, and starts a picture file
// with its header when asked and possible.
bool take_size_info(std::string_view bytes, bool bmp, ScanFile &file) {
    ScanSizeInfo s;
    if (!parse_scan_size(bytes, &s)) return true;
    if (verbose()) {
        std::printf(" Start point X=%d\n Start point Y=%d\n", s.start_x, s.start_y);
        std::printf(" End   point X=%d\n End   point Y=%d\n", s.end_x, s.end_y);
        std::printf(" Num of data X=%d\n Num of data Y=%d\n", s.data_x, s.data_y);
    }
    if (!bmp) return true;
    auto header = scan_bmp_header(s.data_x, s.data_y);
    return file.write(header.data(), header.size());
}

int32_t standard_raw(ScanFile &file, bool bmp) {
    uint8_t info[INFO_SIZE];
    int32_t n = read_info_block(info);
    if (n < 0) return 1;
    store_info(Info::File, {reinterpret_cast<char *>(info), static_cast<size_t>(n)});
    send_ack();
    if ((n = read_info_block(info)) < 0) return 2;
    std::string_view size_block(reinterpret_cast<char *>(info), static_cast<size_t>(n));
    store_info(Info::Size, size_block);
    if (!take_size_info(size_block.substr(HEADER_SIZE), bmp, file)) return SCAN_WRITE_FAILED;
    send_ack();
    LargeReceive large;
    std::vector<uint8_t> data;
    int32_t previous = n;
    for (int32_t k = 1;; ++k) {
        if (verbose())
            std::printf(" BLK#%03d %d\n", k, previous);
        else
            progress_mark(k);
        uint8_t header[HEADER_SIZE];
        if (!read_scan_header(header)) return 3;
        data.clear();
        bool whole = take_bytes(block_length(header), &data);
        if (!file.write(data)) return SCAN_WRITE_FAILED;
        if (!whole) return 3;
        send_ack();
        if (header[2] == LAST_BLOCK) break;
        previous = block_length(header);
    }
    erase_progress_mark();
    return 0;
}

int32_t standard_hex(ScanFile &file, bool bmp) {
    if (!wait_block()) return 1;
    store_info(Info::File, block_with_nul());
    send_ack();
    if (!wait_block()) return 2;
    std::string_view size_block = block_with_nul();
    store_info(Info::Size, size_block);
    if (!take_size_info(size_block.substr(3), bmp, file)) return SCAN_WRITE_FAILED;
    send_ack();
    LargeReceive large;
    std::vector<uint8_t> data;
    for (int32_t k = 1;; ++k) {
        if (verbose())
            std::printf(" BLK#=%03d\n", k);
        else
            progress_mark(k);
        if (!wait_block()) return 3;
        data.clear();
        decode_scan_hex(block_data(), &data);
        if (!file.write(data)) return SCAN_WRITE_FAILED;
        send_ack();
        if (block_kind() == LAST_BLOCK) break;
    }
    erase_progress_mark();
    return 0;
}

int32_t standard_transfer(ScanFile &file, int32_t mode, bool bmp) {
    return file.close(mode != 0 ? standard_raw(file, bmp) : standard_hex(file, bmp));
}

int32_t ncr_transfer(ScanFile &file, bool raw) {
    for (int i = 0; i < 2; ++i) {  // file and size information: passed over
        if (!wait_block()) return -1;
        send_ack();
    }
    std::vector<uint8_t> data;
    for (int32_t k = 1;; ++k) {
        uint8_t kind;
        data.clear();
        if (raw) {
            uint8_t header[HEADER_SIZE];
            if (!read_scan_header(header)) return -1;
            kind = header[2];
            int32_t length = block_length(header);
            if (verbose())
                std::printf(" BLK#=%03d LEN=%d\n", k, length);
            else
                progress_mark(k);
            bool whole = take_bytes(length, &data);
            if (!file.write(data)) return SCAN_WRITE_FAILED;
            if (!whole) return -1;
        } else {
            if (verbose())
                std::printf(" BLK#=%03d\n", k);
            else
                progress_mark(k);
            if (!wait_block()) return -1;
            kind = block_kind();
            decode_scan_hex(block_data(), &data);
            if (!file.write(data)) return SCAN_WRITE_FAILED;
        }
        if (kind != MORE_BLOCKS) break;  // no ACK follows the last block
        send_ack();
    }
    erase_progress_mark();
    return 0;
}

// One byte of a hex wave record: two digits; -1 when cancelled.
int32_t take_hex_byte() {
    int32_t high = take_byte();
    if (high < 0) return -1;
    int32_t low = take_byte();
    if (low < 0) return -1;
    return scan_hex_byte(static_cast<uint8_t>(high), static_cast<uint8_t>(low));
}

// The record after its "U": 2 bytes, the length, the data, a final byte.
// False when a wait was cancelled; what came is in record.
bool take_wave(bool raw, std::vector<uint8_t> &record) {
    auto take = raw ? take_byte : take_hex_byte;
    for (int i = 0; i < 4; ++i) {
        int32_t b = take();
        if (b < 0) return false;
        record.push_back(static_cast<uint8_t>(b));
    }
    int32_t length = record[2] + 256 * record[3];
    for (int32_t i = 0; i < length; ++i) {
        if (!raw && i % 40 == 0) current_port.port_send_byte(WAVE_PROMPT);
        int32_t b = take();
        if (b < 0) return false;
        record.push_back(static_cast<uint8_t>(b));
    }
    int32_t last = take_byte();  // never hex
    if (last < 0) return false;
    record.push_back(static_cast<uint8_t>(last));
    return true;
}

int32_t wave_transfer(ScanFile &file, bool raw) {
    if (take_byte() != 'U') return 1;
    std::vector<uint8_t> record;
    bool whole = take_wave(raw, record);
    if (!file.write(record)) return SCAN_WRITE_FAILED;
    if (!whole) return 1;
    send_ack();
    return 0;
}

// Requests answered by one block reply, returned with its NUL (the previous
// block when the wait is cancelled).
NODE *block_answer() {
    current_port.port_recv_reply(MODE_BLOCK);
    return text_result(block_with_nul());
}

NODE *one_byte_request(NODE *list, uint32_t function) {
    BuiltinArgs args(list);
    uint32_t n = static_cast<uint32_t>(arg_number(args));
    if (unwinding()) return null_string;
    send({0x1D, 0x28, 0x47, 0x02, 0x00, function, n});
    return block_answer();
}

// The bytes of s before its first NUL.
std::string_view up_to_nul(const std::string &s) { return std::string_view(s).substr(0, s.find('\0')); }

// GS ( G 65 with its parameters, as GS_LP_G_65 and NCR_GS_LP_G_65 send it.
void send_function_65(uint32_t a, uint32_t b, uint32_t c, std::string_view s) {
    uint32_t p = static_cast<uint32_t>(s.size()) + 5;
    send({0x1D, 0x28, 0x47, p, p >> 8, 0x41, a, a >> 8, b, c});
    send(s);
}

struct Transfer65 {
    std::string path, s;
    int32_t mode = 0;
    uint32_t a = 0, b = 0, c = 0;
};

bool read_65(NODE *list, Transfer65 &t) {
    BuiltinArgs args(list);
    t.path = arg_text(args);
    t.mode = arg_number(args);
    t.a = static_cast<uint32_t>(arg_number(args));
    t.b = static_cast<uint32_t>(arg_number(args));
    t.c = static_cast<uint32_t>(arg_number(args));
    t.s = arg_text(args);
    return !unwinding();
}

}  // namespace

NODE *do_GS_LP_G_32(NODE *list) { return one_byte_request(list, 0x20); }
NODE *do_GS_LP_G_67(NODE *list) { return one_byte_request(list, 0x43); }
NODE *do_GS_LP_G_71(NODE *list) { return one_byte_request(list, 0x47); }

NODE *do_GS_LP_G_60(NODE *list) {
    BuiltinArgs args(list);
    uint32_t a = static_cast<uint32_t>(arg_number(args));
    uint32_t b = static_cast<uint32_t>(arg_number(args));
    if (unwinding()) return null_string;
    send({0x1D, 0x28, 0x47, 0x04, 0x00, 0x3C, a, a >> 8, b});
    return block_answer();
}

NODE *do_GS_LP_G_61(NODE *list) {
    BuiltinArgs args(list);
    uint32_t a = static_cast<uint32_t>(arg_number(args));
    if (unwinding()) return null_string;
    send({0x1D, 0x28, 0x47, 0x03, 0x00, 0x3D, a, a >> 8});
    return block_answer();
}

NODE *do_GS_LP_G_64(NODE *list) {
    BuiltinArgs args(list);
    uint32_t a = static_cast<uint32_t>(arg_number(args));
    uint32_t b = static_cast<uint32_t>(arg_number(args));
    uint32_t c = static_cast<uint32_t>(arg_number(args));
    std::string s = arg_text(args);
    if (unwinding()) return null_string;
    // The length field has 16 bits; so does what is sent of s.
    uint32_t k = static_cast<uint32_t>(s.size()) & 0xFFFF;
    uint32_t p = k + 9;
    send({0x1D, 0x28, 0x47, p, p >> 8, 0x40, a, a >> 8, 0x30, b, c, 0x30, k, k >> 8});
    send(std::string_view(s).substr(0, k));
    return block_answer();
}

NODE *do_GS_LP_G_65(NODE *list) {
    Transfer65 t;
    if (!read_65(list, t)) return null_string;
    ScanFile file;
    if (!file.open(t.path)) return number_result(SCAN_NO_FILE);
    send_function_65(t.a, t.b, t.c, up_to_nul(t.s));
    return number_result(standard_transfer(file, t.mode, false));
}

NODE *do_NCR_GS_LP_G_65(NODE *list) {
    Transfer65 t;
    if (!read_65(list, t)) return null_string;
    ScanFile file;
    if (!file.open(t.path)) return number_result(SCAN_NO_FILE);
    send_function_65(t.a, t.b, t.c, up_to_nul(t.s));
    return number_result(file.close(ncr_transfer(file, t.mode != 0)));
}

NODE *do_GS_LP_G_66(NODE *list) {
    BuiltinArgs args(list);
    bool three = args.has(3) && !args.has(4);
    std::string path = arg_text(args);
    int32_t mode = arg_number(args);
    uint32_t a = static_cast<uint32_t>(arg_number(args));
    uint32_t b = three ? 0 : static_cast<uint32_t>(arg_number(args));
    if (unwinding()) return null_string;
    ScanFile file;
    if (!file.open(path)) return number_result(SCAN_NO_FILE);
    if (three)
        send({0x1D, 0x28, 0x47, 0x03, 0x00, 0x42, a, a >> 8});
    else
        send({0x1D, 0x28, 0x47, 0x04, 0x00, 0x42, a, a >> 8, b});
    return number_result(standard_transfer(file, mode, true));
}

NODE *do_scan(NODE *list) {
    BuiltinArgs args(list);
    std::string path = arg_text(args);
    int32_t mode = arg_number(args);
    std::string s = arg_text(args);
    if (unwinding()) return null_string;
    ScanFile file;
    if (!file.open(path)) return number_result(SCAN_NO_FILE);
    send({0x1C, 0x28, 0x67, 0x02, 0x00, 0x3C, mode != 0 ? 0x30u : 0x31u});
    send({0x1D, 0x28, 0x47, 0x02, 0x00, 0x50, 0x20});
    std::string_view text = up_to_nul(s);
    uint32_t p = static_cast<uint32_t>(text.size()) + 5;
    send({0x1D, 0x28, 0x47, p, p >> 8, 0x41, 0x01, 0x00, 0x30, 0x30});
    send(text);
    return number_result(standard_transfer(file, mode, false));
}

NODE *do_GS_LP_G_70(NODE *list) {
    BuiltinArgs args(list);
    std::string path = arg_text(args);
    uint32_t n = static_cast<uint32_t>(arg_number(args));
    if (unwinding()) return null_string;
    ScanFile file;
    if (!file.open(path)) return number_result(SCAN_NO_FILE);
    send({0x1D, 0x28, 0x47, 0x04, 0x00, 0x46, n, 0x49, 0x44});
    // No ACK: the printer sends its text blocks one after the other.
    bool more = wait_block();
    while (more && file.write(block_data()))
        more = block_kind() != LAST_BLOCK && wait_block();
    return number_result(file.close(0));
}

NODE *do_wave(NODE *list) {
    BuiltinArgs args(list);
    std::string path = arg_text(args);
    int32_t mode = arg_number(args);
    if (unwinding()) return null_string;
    ScanFile file;
    if (!file.open(path)) return number_result(SCAN_NO_FILE);
    send({0x1C, 0x7C, 0x7F, 0x4B, 0x65, 0x9A, 0xB2, 0x00, 0x00});
    return number_result(file.close(wave_transfer(file, mode != 0)));
}
