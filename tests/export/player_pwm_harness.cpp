// Runs a player sketch on a simulated AVR at 16 MHz and records what it writes to its PWM
// compare register, for the player tests.
//
//   player_pwm_harness ELF MCU REGISTER RUN_MS ISR_SYMBOL [AT_MS COMMAND]...
//
// REGISTER is the compare register's data address; ISR_SYMBOL is "-" or the symbol of the
// interrupt to time. At each AT_MS of simulated time the program types COMMAND and a line feed
// on UART 0, two byte times apart, and it runs until RUN_MS. Two forms of COMMAND do otherwise:
//   raw:BAUD:HEX HEX ...   sends those bytes and nothing more, one every byte time at BAUD (ten
//                          bits a byte), as a MIDI stream comes in
//   pin:PORT:BIT:LEVEL     drives the pin of port letter PORT, bit BIT, to LEVEL (0 or 1)
// It prints, one a line:
//   command CYCLE TEXT     when a command's first byte went in
//   write CYCLE VALUE      each write to the register
//   isr COUNT MEAN WORST   with ISR_SYMBOL: the cycles the interrupt took, from the first
//                          instruction of its vector to the end of its RETI
//   end CYCLE VALUE        the register when the run ended
#include <simavr/avr_ioport.h>
#include <simavr/avr_uart.h>
#include <simavr/sim_avr.h>
#include <simavr/sim_elf.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kFrequency = 16'000'000;
constexpr std::uint16_t kReti = 0x9518;
// Two byte times at 115,200 baud (ten bits a byte).
constexpr avr_cycle_count_t kByteGap = 2 * 10 * kFrequency / 115'200;

struct Command {
    avr_cycle_count_t at;
    std::string text;
    std::string bytes; // what goes in on the serial port
    avr_cycle_count_t gap = kByteGap;
    char port = 0; // a pin to drive instead: its port letter, bit and level
    int bit = 0;
    int level = 0;
};

// The command as typed: its bytes and their gap, or the pin it drives.
Command parseCommand(avr_cycle_count_t at, const std::string& text) {
    Command command{at, text, text + "\n"};
    if (text.rfind("raw:", 0) == 0) {
        char* rest = nullptr;
        const unsigned long baud = std::strtoul(text.c_str() + 4, &rest, 10);
        command.gap = 10 * kFrequency / (baud == 0 ? 1 : baud);
        command.bytes.clear();
        while (rest != nullptr && *rest != '\0') {
            char* end = nullptr;
            const unsigned long value = std::strtoul(rest + 1, &end, 16);
            if (end == rest + 1) {
                break;
            }
            command.bytes.push_back(static_cast<char>(value));
            rest = end;
        }
    } else if (text.rfind("pin:", 0) == 0 && text.size() >= 9) {
        command.port = text[4];
        command.bit = std::atoi(text.c_str() + 6);
        command.level = text.back() == '1' ? 1 : 0;
        command.bytes.clear();
    }
    return command;
}

struct Watch {
    avr_io_write_t saved = nullptr;
    void* savedParam = nullptr;
};

void logWrite(avr_t* avr, avr_io_addr_t addr, std::uint8_t value, void* param) {
    const auto* watch = static_cast<const Watch*>(param);
    std::printf("write %llu %u\n", static_cast<unsigned long long>(avr->cycle), value);
    if (watch->saved != nullptr) {
        watch->saved(avr, addr, value, watch->savedParam);
    } else {
        avr->data[addr] = value;
    }
}

// Time passes in simulated cycles only: the simulator would otherwise sleep in real time.
void noSleep(avr_t*, avr_cycle_count_t) {}

int fail(const std::string& message) {
    std::fprintf(stderr, "player_pwm_harness: %s\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6 || argc % 2 != 0) {
        return fail("usage: ELF MCU REGISTER RUN_MS ISR_SYMBOL [AT_MS COMMAND]...");
    }
    const char* elf = argv[1];
    const char* mcu = argv[2];
    const auto reg = static_cast<avr_io_addr_t>(std::strtoul(argv[3], nullptr, 0));
    const avr_cycle_count_t runUntil = std::strtoull(argv[4], nullptr, 10) * (kFrequency / 1000);
    const std::string isrSymbol = std::strcmp(argv[5], "-") == 0 ? "" : argv[5];
    std::vector<Command> commands;
    for (int i = 6; i + 1 < argc; i += 2) {
        commands.push_back(
            parseCommand(std::strtoull(argv[i], nullptr, 10) * (kFrequency / 1000), argv[i + 1]));
    }

    static elf_firmware_t firmware;
    if (elf_read_firmware(elf, &firmware) != 0) {
        return fail(std::string("cannot read ") + elf);
    }
    avr_t* avr = avr_make_mcu_by_name(mcu);
    if (avr == nullptr) {
        return fail(std::string("no simulated ") + mcu);
    }
    avr_init(avr);
    avr->frequency = kFrequency;
    avr->sleep = noSleep;
    avr_load_firmware(avr, &firmware);

    // The serial port only takes input: what the sketch prints is not this run's business. The
    // ATmega32U4's one UART (the Leonardo's Serial1, its RX pin) is USART1.
    const char uart = std::strcmp(mcu, "atmega32u4") == 0 ? '1' : '0';
    std::uint32_t uartFlags = 0;
    avr_ioctl(avr, AVR_IOCTL_UART_GET_FLAGS(uart), &uartFlags);
    uartFlags &= ~static_cast<std::uint32_t>(AVR_UART_FLAG_STDIO);
    avr_ioctl(avr, AVR_IOCTL_UART_SET_FLAGS(uart), &uartFlags);
    avr_irq_t* uartInput = avr_io_getirq(avr, AVR_IOCTL_UART_GETIRQ(uart), UART_IRQ_INPUT);

    Watch watch;
    auto& io = avr->io[AVR_DATA_TO_IO(reg)].w;
    watch.saved = io.c;
    watch.savedParam = io.param;
    io.c = logWrite;
    io.param = &watch;

    // The interrupt's entry in flash, from the symbol table.
    std::int64_t isrAddress = -1;
    for (std::uint32_t i = 0; i < firmware.symbolcount && !isrSymbol.empty(); ++i) {
        if (isrSymbol == firmware.symbol[i]->symbol) {
            isrAddress = firmware.symbol[i]->addr;
        }
    }
    if (!isrSymbol.empty() && isrAddress < 0) {
        return fail("no symbol " + isrSymbol + " in " + elf);
    }

    // The command being typed, and how much of it (with its line feed) is in.
    std::size_t current = 0;
    std::size_t typed = 0;
    avr_cycle_count_t nextByte = commands.empty() ? 0 : commands.front().at;
    bool inIsr = false;
    avr_cycle_count_t isrStart = 0;
    unsigned long long isrCount = 0;
    unsigned long long isrTotal = 0;
    avr_cycle_count_t isrWorst = 0;
    while (avr->cycle < runUntil) {
        if (current < commands.size() && avr->cycle >= nextByte) {
            const Command& command = commands[current];
            if (typed == 0) {
                std::printf("command %llu %s\n", static_cast<unsigned long long>(avr->cycle),
                            command.text.c_str());
            }
            if (command.port != 0) {
                avr_raise_irq(
                    avr_io_getirq(avr, AVR_IOCTL_IOPORT_GETIRQ(command.port), command.bit),
                    command.level);
            } else if (typed < command.bytes.size()) {
                avr_raise_irq(uartInput, static_cast<std::uint8_t>(command.bytes[typed]));
            }
            nextByte = avr->cycle + command.gap;
            if (++typed >= command.bytes.size()) {
                typed = 0;
                if (++current < commands.size()) {
                    nextByte = std::max(nextByte, commands[current].at);
                }
            }
        }
        const avr_flashaddr_t pc = avr->pc;
        const bool reti = inIsr && (avr->flash[pc] | (avr->flash[pc + 1] << 8)) == kReti;
        if (!inIsr && static_cast<std::int64_t>(pc) == isrAddress) {
            inIsr = true;
            isrStart = avr->cycle;
        }
        const int state = avr_run(avr);
        if (reti) {
            inIsr = false;
            const avr_cycle_count_t took = avr->cycle - isrStart;
            ++isrCount;
            isrTotal += took;
            isrWorst = took > isrWorst ? took : isrWorst;
        }
        if (state == cpu_Done || state == cpu_Crashed) {
            return fail("the program stopped at cycle " + std::to_string(avr->cycle));
        }
    }
    if (!isrSymbol.empty()) {
        std::printf("isr %llu %.1f %llu\n", isrCount,
                    isrCount ? static_cast<double>(isrTotal) / static_cast<double>(isrCount) : 0.0,
                    static_cast<unsigned long long>(isrWorst));
    }
    std::printf("end %llu %u\n", static_cast<unsigned long long>(avr->cycle), avr->data[reg]);
    return 0;
}
