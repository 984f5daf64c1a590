#include "startup/usage.h"

#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/console.h"

namespace {

constexpr const char *options_part[] = {
    "  usage:\n",
    "    vordel [<options>] <script filename> [<target>]\n",
    "  Options\n",
    "    serial control\n",
    "      -b<board_rate>     (384/38400 192/19200 9600 4800 2400 1200)\n",
    "      -d<data_length>    (8 7)\n",
    "      -p<parity bit>     (O E N : ODD EVEN NONE)\n",
    "      -s<stop_bits>      (1 2)\n",
    "      -f<flow>           (D R C X N : DTR/DSR RTS/CTS XON/XOFF NONE)\n",
    "      -q<IRQ No>         (3 4 5 7 10 11                 COM1:IRQ4\n",
    "    mode                                                COM2:IRQ3\n",
    "      -a                 ASB watching mode              COM3:IRQ11\n",
    "      -t                 terminal mode                  COM4:IRQ10\n",
    "      -o                 output file mode\n",
    "      -i                 interactive mode\n",
    "    etc\n",
    "      -l                 append log to a log file(VORDEL.LOG)\n",
    "      -V<var>=<value>    set variable\n",
    "      -c<filename>       customize ASB by file\n",
    "      -I<path>           include path\n",
    "      -v                 display status analyze\n",
    "      -z<num>            write block size\n",
};

constexpr const char *targets_part[] = {
    "  Target\n",
    "    COM | COM[1-4]  : serial\n",
    "    LPT | LPT[1-2]  : pararell\n",
    "    USB | ZQUSB     : USB\n",
    "    192.168.192.168 : Ethernet\n",
    "    <filename>      : output to a binary file\n",
    "  Environment\n",
    "    set VORDEL=baud_rate,data_length,parity,stop_bits,flow_control\n",
    "    set VORDELINC=include path\n",
    "    set VORDELCUST=<path of custom ASB file>\n",
    "  Example\n",
    "    set VORDEL=192,8,N,1,D\n",
    "    vordel -fX hoge com1\n",
};

void write_lines(std::span<const char *const> lines) {
    for (const char *line : lines) std::fputs(line, stderr);
}

void more_pause() {
    cursor_save();
    std::fputs("more...", stderr);
    std::fflush(stderr);
    console_getch();
    cursor_restore();
    clear_line();
}

}  // namespace

void usage() {
    write_lines(options_part);
    more_pause();
    write_lines(targets_part);
    std::exit(0);
}
