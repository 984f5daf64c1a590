#include "startup/globals.h"

SerialSettings serial_settings;

int32_t asb_watch_mode = 0;
int32_t terminal_mode = 0;
int32_t interactive_mode = 0;
int32_t status_analyze_mode = 0;
int32_t output_file_mode = 0;
int32_t write_block_size = 0;
std::FILE *log_file = nullptr;
int32_t exit_status = 0;

PortKind port_kind = PortKind::File;
int32_t port_number = -1;
std::string target_name;
std::array<uint8_t, 4> target_ip = {0, 0, 0, 0};
