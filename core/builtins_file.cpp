// File and directory builtins: fopen, fclose, fputc, fgetc, fputs, fgets,
// fseek, ftell, remove/unlink, mkdir, rmdir.
//  - A handle is a small positive number naming a slot of the open-file table
//    (0 is a failed open); a number no fopen returned, or one already closed,
//    makes the builtin answer its failure value.
//  - Open files are flushed and closed when the program ends
//    (close_script_files, core/script_files.h).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/builtin_args.h"
#include "core/builtins.h"
#include "core/script_files.h"
#include "platform/files.h"

namespace {

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct OpenFile {
    FilePtr file;
    std::string name;
};

std::vector<OpenFile> open_files;  // handle h is slot h - 1

int32_t add_file(std::FILE *f, const std::string &name) {
    for (size_t i = 0; i < open_files.size(); ++i) {
        if (!open_files[i].file) {
            open_files[i] = {FilePtr(f), name};
            return static_cast<int32_t>(i + 1);
        }
    }
    open_files.push_back({FilePtr(f), name});
    return static_cast<int32_t>(open_files.size());
}

std::FILE *file_of(int32_t handle) {
    if (handle < 1 || static_cast<size_t>(handle) > open_files.size()) return nullptr;
    return open_files[static_cast<size_t>(handle) - 1].file.get();
}

std::FILE *handle_arg(BuiltinArgs &args) { return file_of(arg_number(args)); }

constexpr size_t kLineMax = 255;

namespace fs = std::filesystem;

bool is_directory_entry(const fs::path &p) {
    std::error_code ec;
    return fs::symlink_status(p, ec).type() == fs::file_type::directory;
}

// 0 when the entry named by the argument is gone, -1 otherwise.
NODE *remove_entry(NODE *list, bool directory) {
    BuiltinArgs args(list);
    fs::path p(arg_text(args));
    if (unwinding()) return null_string;
    std::error_code ec;
    if (is_directory_entry(p) != directory) return number_result(-1);
    return number_result(fs::remove(p, ec) && !ec ? 0 : -1);
}

}  // namespace

NODE *do_fopen(NODE *list) {
    BuiltinArgs args(list);
    std::string name = arg_text(args);
    std::string mode = arg_text(args);
    if (unwinding()) return null_string;
    std::FILE *f = mode.empty() ? nullptr : std::fopen(name.c_str(), mode.c_str());
    return number_result(f ? add_file(f, name) : 0);
}

NODE *do_fclose(NODE *list) {
    BuiltinArgs args(list);
    int32_t handle = arg_number(args);
    if (file_of(handle) == nullptr) return number_result(-1);
    std::FILE *f = open_files[static_cast<size_t>(handle) - 1].file.release();
    return number_result(std::fclose(f) == 0 ? 0 : -1);
}

NODE *do_fputc(NODE *list) {
    BuiltinArgs args(list);
    int32_t c = arg_number(args);
    std::FILE *f = handle_arg(args);
    if (unwinding()) return null_string;
    if (f == nullptr) return number_result(-1);
    int r = std::fputc(c & 0xFF, f);
    return number_result(r == EOF ? -1 : r);
}

NODE *do_fgetc(NODE *list) {
    BuiltinArgs args(list);
    std::FILE *f = handle_arg(args);
    int r = f ? std::fgetc(f) : EOF;
    return number_result(r == EOF ? -1 : r);
}

NODE *do_fputs(NODE *list) {
    BuiltinArgs args(list);
    std::string s = arg_text(args);
    std::FILE *f = handle_arg(args);
    if (unwinding()) return null_string;
    if (f == nullptr) return number_result(-1);
    return number_result(std::fputs(s.c_str(), f) < 0 ? -1 : 0);
}

NODE *do_fgets(NODE *list) {
    BuiltinArgs args(list);
    std::FILE *f = handle_arg(args);
    // One locked read per line rather than per byte. The line may hold NUL
    // bytes: the buffer is filled with newlines first, so the terminator
    // fgets writes is the last NUL in it. A line that ends in its newline or
    // fills the buffer ends at the first NUL.
    char buf[kLineMax + 1];
    std::memset(buf, '\n', sizeof buf);
    if (f == nullptr || std::fgets(buf, sizeof buf, f) == nullptr) return text_result("[EOF]");
    size_t len = std::strlen(buf);
    if (len < kLineMax && (len == 0 || buf[len - 1] != '\n')) {
        len = sizeof buf - 1;
        while (buf[len] != '\0') --len;
    }
    return text_result(std::string_view(buf, len));
}

NODE *do_fseek(NODE *list) {
    BuiltinArgs args(list);
    std::FILE *f = handle_arg(args);
    int32_t offset = arg_number(args);
    int32_t whence = arg_number(args);
    if (f == nullptr || whence < SEEK_SET || whence > SEEK_END) return number_result(-1);
    return number_result(std::fseek(f, offset, whence) == 0 ? 0 : -1);
}

NODE *do_ftell(NODE *list) {
    BuiltinArgs args(list);
    std::FILE *f = handle_arg(args);
    long at = f ? std::ftell(f) : -1;
    return number_result(at < 0 || at > INT32_MAX ? -1 : static_cast<int32_t>(at));
}

NODE *do_remove(NODE *list) { return remove_entry(list, false); }
NODE *do_rmdir(NODE *list) { return remove_entry(list, true); }

NODE *do_mkdir(NODE *list) {
    BuiltinArgs args(list);
    fs::path p(arg_text(args));
    if (unwinding()) return null_string;
    std::error_code ec;
    bool made = fs::create_directory(p, ec);
    return number_result(made && !ec ? 0 : -1);
}

std::vector<std::string> close_script_files() {
    std::vector<std::string> unwritten;
    for (OpenFile &open : open_files) {
        std::FILE *f = open.file.get();
        if (f == nullptr || !try_lock_stream(f)) continue;
        bool failed = std::fflush(f) != 0 || std::ferror(f) != 0;
        unlock_stream(f);
        failed |= std::fclose(open.file.release()) != 0;
        if (failed) unwritten.push_back(open.name);
    }
    return unwritten;
}
