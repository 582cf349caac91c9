// A simulated Arduino Uno as a user plugs it in: an ATmega328P at 16 MHz holding only its
// bootloader, its UART on a pseudo-terminal, for uploads by the real avrdude.
//
//   uno_bootloader_harness BOOTLOADER_HEX PORT_LINK FLASH_OUT RUN_MS
//
// PORT_LINK is made a symbolic link to the pseudo-terminal; "ready" on stdout says it is there.
// The chip starts in the bootloader as after a press of the reset button (an external reset in
// MCUSR, at the BOOTRST address), runs up to where it listens and stays still there until the
// first byte arrives, then runs in step with the wall clock, as the bootloader's one-second
// watchdog expects. When the bootloader hands over to the application, the flash below it is
// written to FLASH_OUT ("uploaded" on stdout) and the application is started afresh from that
// flash. It then runs, at the wall clock's pace, until RUN_MS of simulated time after the last
// byte that reached it, and prints one a line:
//   command CYCLE           the first byte of each line that reached the application
//   write CYCLE VALUE       each write to OCR2B, the player's output level
//   resets N                how often the application started again (0: it ran undisturbed)
//   end CYCLE VALUE
// It gives up (status 3) when nothing happens for a minute.
#include <simavr/avr_uart.h>
#include <simavr/sim_avr.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::uint32_t kFrequency = 16'000'000;
constexpr avr_flashaddr_t kBootloaderStart = 0x7E00; // BOOTRST with the Uno's 512-byte section
constexpr unsigned kMcusr = 0x54;
constexpr unsigned kWdtcsr = 0x60;
constexpr std::uint8_t kExternalReset = 0x02;
constexpr unsigned kUartStatus = 0xC0;    // UCSR0A
constexpr unsigned kLevelRegister = 0xB4; // OCR2B
constexpr auto kGiveUp = std::chrono::seconds(60);

using Clock = std::chrono::steady_clock;

int fail(const std::string& message, int status = 2) {
    std::fprintf(stderr, "uno_bootloader_harness: %s\n", message.c_str());
    return status;
}

struct Watch {
    avr_io_write_t saved = nullptr;
    void* savedParam = nullptr;
    bool logging = false;
};

void logWrite(avr_t* avr, avr_io_addr_t addr, std::uint8_t value, void* param) {
    const auto* watch = static_cast<const Watch*>(param);
    if (watch->logging) {
        std::printf("write %llu %u\n", static_cast<unsigned long long>(avr->cycle), value);
    }
    if (watch->saved != nullptr) {
        watch->saved(avr, addr, value, watch->savedParam);
    } else {
        avr->data[addr] = value;
    }
}

// The chip's UART on a pseudo-terminal, carried in the simulation's own thread: a byte the chip
// sends is on the terminal at once, and one from the terminal goes in when the UART takes it.
// (libsimavrparts' uart_pty carries them in a thread of its own, which a machine busy with
// builds delays by hundreds of milliseconds: avrdude's drains then miss the answers to its
// first greetings and it goes out of step.)
struct Bridge {
    int master = -1;
    std::string slave;
    avr_irq_t* input = nullptr;
    bool uartReady = true;
};

void chipSent(avr_irq_t*, std::uint32_t value, void* param) {
    const auto* bridge = static_cast<const Bridge*>(param);
    const auto byte = static_cast<std::uint8_t>(value);
    // A terminal nobody reads fills up: then the byte is lost, as on a line nobody listens to.
    for (int tries = 0; write(bridge->master, &byte, 1) < 0 && errno == EAGAIN && tries < 100;
         ++tries) {
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
}

void uartReady(avr_irq_t*, std::uint32_t, void* param) {
    static_cast<Bridge*>(param)->uartReady = true;
}

void uartFull(avr_irq_t*, std::uint32_t, void* param) {
    static_cast<Bridge*>(param)->uartReady = false;
}

// Hands the UART the terminal's next byte when it takes one.
void carryIn(Bridge& bridge) {
    std::uint8_t byte = 0;
    if (bridge.uartReady && read(bridge.master, &byte, 1) == 1) {
        avr_raise_irq(bridge.input, byte);
    }
}

bool openBridge(avr_t* avr, Bridge& bridge) {
    int slave = -1;
    char name[256];
    if (openpty(&bridge.master, &slave, name, nullptr, nullptr) != 0) {
        return false;
    }
    // The terminal passes bytes as they are, as a serial line does.
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    close(slave);
    fcntl(bridge.master, F_SETFL, O_NONBLOCK);
    bridge.slave = name;
    bridge.input = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUTPUT),
                            chipSent, &bridge);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XON),
                            uartReady, &bridge);
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_OUT_XOFF),
                            uartFull, &bridge);
    return true;
}

struct Listening {
    avr_io_read_t saved = nullptr;
    void* savedParam = nullptr;
    bool seen = false;
};

std::uint8_t watchStatusRead(avr_t* avr, avr_io_addr_t addr, void* param) {
    auto* listening = static_cast<Listening*>(param);
    listening->seen = true;
    return listening->saved != nullptr ? listening->saved(avr, addr, listening->savedParam)
                                       : avr->data[addr];
}

// The bytes that reach the application: each line's first one is printed as a command, and
// the run goes on for RUN_MS after the last.
struct Arrival {
    avr_t* avr = nullptr;
    bool logging = false;
    bool lineStart = true;
    avr_cycle_count_t last = 0;
};

void byteArrived(avr_irq_t*, std::uint32_t value, void* param) {
    auto* arrival = static_cast<Arrival*>(param);
    if (!arrival->logging) {
        return;
    }
    if (arrival->lineStart) {
        std::printf("command %llu\n", static_cast<unsigned long long>(arrival->avr->cycle));
    }
    arrival->lineStart = value == '\n';
    arrival->last = arrival->avr->cycle;
}

// Runs one instruction, then sleeps while the simulation is ahead of the wall clock since
// `start` (the chip's cycle `startCycle`).
int stepInTime(avr_t* avr, Bridge& bridge, Clock::time_point start, avr_cycle_count_t startCycle) {
    const int state = avr_run(avr);
    if ((avr->cycle & 0x3FF) < 8) {
        carryIn(bridge);
        const auto simulated =
            std::chrono::nanoseconds((avr->cycle - startCycle) * 1000 / (kFrequency / 1'000'000));
        const auto ahead = simulated - (Clock::now() - start);
        if (ahead > std::chrono::microseconds(200)) {
            std::this_thread::sleep_for(ahead);
        }
    }
    return state;
}

// Loads the data records of an Intel HEX file into flash. simavr's own reader refuses the
// start-address record that Debian's bootloader files end with.
bool loadHex(const char* path, avr_t* avr) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return false;
    }
    char line[600];
    bool loaded = false;
    while (std::fgets(line, sizeof line, file) != nullptr) {
        unsigned count = 0;
        unsigned address = 0;
        unsigned type = 0;
        if (line[0] != ':' || std::sscanf(line + 1, "%2x%4x%2x", &count, &address, &type) != 3) {
            continue;
        }
        if (type != 0) {
            continue;
        }
        for (unsigned i = 0; i < count && address + i <= avr->flashend; ++i) {
            unsigned byte = 0;
            if (std::sscanf(line + 9 + 2 * i, "%2x", &byte) != 1) {
                std::fclose(file);
                return false;
            }
            avr->flash[address + i] = static_cast<std::uint8_t>(byte);
        }
        loaded = true;
    }
    std::fclose(file);
    return loaded;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        return fail("usage: BOOTLOADER_HEX PORT_LINK FLASH_OUT RUN_MS");
    }
    const std::string link = argv[2];
    const std::string flashOut = argv[3];
    const avr_cycle_count_t runFor = std::strtoull(argv[4], nullptr, 10) * (kFrequency / 1000);

    // A board answers avrdude within microseconds, and avrdude discards answers that come after
    // its 250 ms drains: on a machine busy with builds this process, whose threads carry the
    // bytes, goes first. Without the right to, it runs as it is.
    setpriority(PRIO_PROCESS, 0, -10);

    avr_t* avr = avr_make_mcu_by_name("atmega328p");
    if (avr == nullptr) {
        return fail("no simulated atmega328p");
    }
    avr_init(avr);
    avr->frequency = kFrequency;
    if (!loadHex(argv[1], avr)) {
        return fail(std::string("cannot read ") + argv[1]);
    }
    avr->reset_pc = kBootloaderStart;
    avr->pc = kBootloaderStart;
    avr->codeend = avr->flashend;
    avr->data[kMcusr] = kExternalReset;

    // What the chip prints goes to the terminal only, not to this program's output.
    std::uint32_t uartFlags = 0;
    avr_ioctl(avr, AVR_IOCTL_UART_GET_FLAGS('0'), &uartFlags);
    uartFlags &= ~static_cast<std::uint32_t>(AVR_UART_FLAG_STDIO);
    avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS('0'), &uartFlags);
    static Bridge bridge;
    if (!openBridge(avr, bridge)) {
        return fail("no pseudo-terminal");
    }
    Arrival arrival;
    arrival.avr = avr;
    avr_irq_register_notify(avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ('0'), UART_IRQ_INPUT),
                            byteArrived, &arrival);
    Watch watch;
    auto& io = avr->io[AVR_DATA_TO_IO(kLevelRegister)].w;
    watch.saved = io.c;
    watch.savedParam = io.param;
    io.c = logWrite;
    io.param = &watch;

    // A real board is reset by the DTR pulse when avrdude opens the port, and optiboot flashes
    // the LED before it listens, while early bytes overrun the UART's two-byte buffer and are
    // lost. simavr's UART keeps every byte instead, and a loaded machine simulates the flashes
    // slower than real time: answers to avrdude's first, discarded greetings would then arrive
    // late and put it out of step. So the bootloader runs up to its first look at the UART at
    // once, and waits there, still, for avrdude's first byte.
    Listening listening;
    auto& status = avr->io[AVR_DATA_TO_IO(kUartStatus)].r;
    listening.saved = status.c;
    listening.savedParam = status.param;
    status.c = watchStatusRead;
    status.param = &listening;
    while (!listening.seen) {
        const int state = avr_run(avr);
        if (state == cpu_Done || state == cpu_Crashed) {
            return fail("the bootloader stopped before it listened", 3);
        }
    }
    unlink(link.c_str());
    if (symlink(bridge.slave.c_str(), link.c_str()) != 0) {
        return fail("cannot link " + link + " to " + bridge.slave);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const Clock::time_point waitingSince = Clock::now();
    // A port opened and closed again (a check before the upload) hangs up the terminal's own
    // side, which is no byte.
    pollfd master{bridge.master, POLLIN, 0};
    while (poll(&master, 1, 1) >= 0 && (master.revents & POLLIN) == 0) {
        if (Clock::now() - waitingSince > kGiveUp) {
            unlink(link.c_str());
            return fail("no upload began", 3);
        }
        if ((master.revents & POLLHUP) != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // The bootloader, in step with the wall clock, until it starts the application below it.
    Clock::time_point start = Clock::now();
    avr_cycle_count_t startCycle = avr->cycle;
    while (avr->pc >= kBootloaderStart) {
        const int state = stepInTime(avr, bridge, start, startCycle);
        if (state == cpu_Done || state == cpu_Crashed || Clock::now() - start > kGiveUp) {
            unlink(link.c_str());
            return fail("the bootloader stopped at " + std::to_string(avr->pc), 3);
        }
    }
    if (std::FILE* out = std::fopen(flashOut.c_str(), "wb")) {
        std::fwrite(avr->flash, 1, kBootloaderStart, out);
        std::fclose(out);
    } else {
        return fail("cannot write " + flashOut);
    }
    std::printf("uploaded\n");
    std::fflush(stdout);

    // The application afresh, as after power-up: no reset cause, no watchdog.
    avr->reset_pc = 0;
    avr_reset(avr);
    avr->data[kMcusr] = 0;
    avr->data[kWdtcsr] = 0;
    avr->pc = 0;
    arrival.logging = true;
    watch.logging = true;
    unsigned resets = 0;
    bool away = false;
    start = Clock::now();
    startCycle = avr->cycle;
    while (arrival.last == 0 || avr->cycle < arrival.last + runFor) {
        if (avr->pc == 0 && away) {
            ++resets;
        }
        away = avr->pc != 0;
        const int state = stepInTime(avr, bridge, start, startCycle);
        if (state == cpu_Done || state == cpu_Crashed) {
            return fail("the application stopped at cycle " + std::to_string(avr->cycle), 3);
        }
        if (arrival.last == 0 && Clock::now() - start > kGiveUp) {
            unlink(link.c_str());
            return fail("no command reached the application", 3);
        }
    }
    std::printf("resets %u\nend %llu %u\n", resets, static_cast<unsigned long long>(avr->cycle),
                avr->data[kLevelRegister]);
    unlink(link.c_str());
    return 0;
}
