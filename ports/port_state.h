// The port layer's run state in one place: the byte dump's line numbers, the
// run-time ticks and the open binary output file. Zero at program start; only
// the no-target open resets the dump counters.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <vector>

struct PortState {
    int32_t sent_count = 0;      // ports/file/dump.h
    int32_t received_count = 0;
    uint32_t run_start_ticks = 0;  // ports/file/comm_log.h
    uint32_t run_end_ticks = 0;
    // ports/file/file_target.cpp: sends from the interpreter and a close from
    // the break handler's thread may meet, so the file is guarded.
    std::timed_mutex file_lock;
    std::FILE *out_file = nullptr;
    std::vector<char> out_buffer;

    ~PortState();
};

extern PortState port_state;
