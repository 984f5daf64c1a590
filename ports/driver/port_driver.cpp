#include "ports/driver/port_driver.h"

#include "platform/clock.h"

void PortDriver::wait_output_space(int32_t ms) { sleep_ms(ms); }
void PortDriver::wait_input(int32_t ms) { sleep_ms(ms); }
