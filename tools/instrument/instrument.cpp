// A stand-in for the measuring instrument: speaks the instrument's command
// protocol on a pseudo-terminal, so that the tool and its tests can talk to
// it through an ordinary serial port.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

const char Usage[] =
    "Usage: instrument [options]\n"
    "\n"
    "Opens a pseudo-terminal and answers the instrument's commands on it:\n"
    "  :Connect  ->  OK\n"
    "  :Read     ->  one line per stored group, then end\n"
    "  :Del      ->  DELOK, and the store is emptied\n"
    "Each command is a line ended by a line feed; a carriage return before the\n"
    "line feed and one colon before the command word are expected, other lines\n"
    "are ignored.\n"
    "\n"
    "Standard output: the first line is the path of the terminal to open; then\n"
    "one line \"received HEX\" for every command line received, HEX being its\n"
    "bytes in hexadecimal, line end included.\n"
    "The program ends on SIGTERM or SIGINT (Ctrl+C); it does not read its\n"
    "standard input, so it can run in the background.\n"
    "\n"
    "Stored groups:\n"
    "  --groups FILE      store the lines of FILE, one group per line (empty\n"
    "                     lines are empty groups); may be given several times\n"
    "  --defaults         store the built-in groups too (the default when no\n"
    "                     --groups is given): a four-wire and a three-wire\n"
    "                     installation wired correctly, then three wired\n"
    "                     wrongly (four-wire: currents B and C swapped, A\n"
    "                     reversed; three-wire: C reversed)\n"
    "  --count N          store N groups: the groups above over and over\n"
    "  --list             print the stored groups, one per line, and exit\n"
    "\n"
    "Replies:\n"
    "  --colon            put \":\" before every reply line\n"
    "  --lf-cr            end reply lines with LF CR instead of CR LF\n"
    "\n"
    "Delivery of a reply (the last of these given counts):\n"
    "  --whole            in one write (default)\n"
    "  --bytes            one byte per write\n"
    "  --packets N        writes of N bytes (the last one may be shorter)\n"
    "  --random SEED      writes of 1 to 16 bytes, sizes drawn from SEED\n"
    "  --delay MS         wait MS milliseconds before every write but the\n"
    "                     first of a reply\n"
    "\n"
    "Failures:\n"
    "  --hangup-after N   during a read, send N group lines and the first half\n"
    "                     of the next line; once they are taken from the line,\n"
    "                     close the terminal and exit, as when the cable is\n"
    "                     pulled (no effect when fewer than N groups are stored)\n"
    "  --help             print this text\n";

// Built-in store: what the instrument reads at five installations on a
// balanced supply. Fields: frequency; currents IA IB IC IN; voltages UA UB UC
// (three-wire: UAB in the A place, UCB in the C place); power angles
// UA→IA UB→IB UC→IC (three-wire: UAB→IA and UCB→IC); voltage phase angles
// C>A B>C A>B, where C>A is the lag from UA to UC (three-wire: from UAB to
// UCB); current phase angles C>A B>C A>B likewise; wiring code (1
// three-wire, 2 four-wire); spare field. Angles in tens of degrees, power
// angles from -180 to 180 degrees, phase angles from 0 to 360.
const char *const DefaultGroups[] = {
    // Four-wire, wired correctly, load angle about 25 degrees.
    "50.00 1.5000 1.4900 1.5100 0.0200 220.10 219.80 220.40 2.5 2.4 2.6 24.0 12.0 12.0 24.1 12.2 11.9 2 0",
    // Three-wire, wired correctly, load angle about 20 degrees.
    "49.98 1.2000 0.0000 1.2100 0.0000 100.20 0.00 99.90 5.0 0.0 -0.9 30.0 0.0 0.0 24.1 0.0 0.0 1 0",
    // Four-wire, the current leads of phases B and C swapped: the meter
    // nearly stops.
    "50.02 4.2000 4.1500 4.2300 0.0500 231.00 229.50 230.20 1.8 13.9 -9.9 24.0 12.0 12.0 12.3 24.2 24.1 2 0",
    // Four-wire, phase A's current leads reversed: a third is registered.
    "50.01 2.5000 2.4800 2.5200 0.0300 219.60 220.30 220.00 -15.8 2.1 2.3 24.0 12.0 12.0 6.1 12.2 29.9 2 0",
    // Three-wire, phase C's current leads reversed: the meter runs backwards.
    "49.99 0.8000 0.0000 0.8100 0.0000 100.50 0.00 100.10 4.5 0.0 16.6 30.0 0.0 0.0 6.1 0.0 0.0 1 0",
};

enum class Delivery { Whole, Bytes, Packets, Random };

struct Options
{
    std::vector<std::string> groups;
    bool defaults = false;
    bool groupsGiven = false;
    long count = -1;
    bool list = false;
    bool colon = false;
    bool lfCr = false;
    Delivery delivery = Delivery::Whole;
    long packetSize = 1;
    unsigned long seed = 1;
    long delayMs = 0;
    long hangupAfter = -1;
};

volatile sig_atomic_t terminated = 0;

void onTerminate(int)
{
    terminated = 1;
}

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "instrument: %s\n", message.c_str());
    std::exit(2);
}

long number(const char *text, const char *option)
{
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0)
        fail(std::string("bad number for ") + option + ": " + text);
    return value;
}

void readGroupFile(const char *path, std::vector<std::string> &groups)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        fail(std::string("cannot read ") + path);
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        groups.push_back(line);
    }
}

Options parse(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc)
                fail("missing value for " + arg);
            return argv[++i];
        };
        if (arg == "--groups") {
            readGroupFile(value(), options.groups);
            options.groupsGiven = true;
        } else if (arg == "--defaults") {
            options.defaults = true;
        } else if (arg == "--count") {
            options.count = number(value(), "--count");
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "--colon") {
            options.colon = true;
        } else if (arg == "--lf-cr") {
            options.lfCr = true;
        } else if (arg == "--whole") {
            options.delivery = Delivery::Whole;
        } else if (arg == "--bytes") {
            options.delivery = Delivery::Bytes;
        } else if (arg == "--packets") {
            options.delivery = Delivery::Packets;
            options.packetSize = number(value(), "--packets");
            if (options.packetSize == 0)
                fail("--packets needs at least 1");
        } else if (arg == "--random") {
            options.delivery = Delivery::Random;
            options.seed = static_cast<unsigned long>(number(value(), "--random"));
        } else if (arg == "--delay") {
            options.delayMs = number(value(), "--delay");
        } else if (arg == "--hangup-after") {
            options.hangupAfter = number(value(), "--hangup-after");
        } else if (arg == "--help") {
            std::fputs(Usage, stdout);
            std::exit(0);
        } else {
            std::fputs(Usage, stderr);
            fail("unknown option " + arg);
        }
    }
    if (!options.groupsGiven || options.defaults) {
        for (const char *group : DefaultGroups)
            options.groups.emplace_back(group);
    }
    if (options.count >= 0 && !options.groups.empty()) {
        std::vector<std::string> repeated;
        for (long i = 0; i < options.count; ++i)
            repeated.push_back(options.groups[static_cast<size_t>(i) % options.groups.size()]);
        options.groups = std::move(repeated);
    }
    return options;
}

void sleepMs(long ms)
{
    timespec pause{ ms / 1000, (ms % 1000) * 1000000L };
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR && !terminated) {
    }
}

class Instrument
{
public:
    explicit Instrument(Options options)
        : m_options(std::move(options)), m_random(m_options.seed)
    {
    }

    int run();

private:
    void openTerminal();
    bool handleInput();
    void handleCommand(std::string line);
    void reply(const std::vector<std::string> &lines, long hangupAfterLine);
    void deliver(const std::string &bytes);
    bool writeAll(const char *data, size_t size);
    [[noreturn]] void hangUp();

    Options m_options;
    std::mt19937 m_random;
    int m_master = -1;
    int m_slave = -1; // kept open so that the master never sees a hang-up
    std::string m_received;
};

void Instrument::openTerminal()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        fail(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    const char *path = ptsname(m_master);
    if (!path)
        fail("no name for the pseudo-terminal");
    m_slave = open(path, O_RDWR | O_NOCTTY);
    if (m_slave < 0)
        fail(std::string("cannot open ") + path + ": " + std::strerror(errno));

    termios settings{};
    if (tcgetattr(m_slave, &settings) != 0)
        fail(std::string("cannot read the line settings: ") + std::strerror(errno));
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    if (tcsetattr(m_slave, TCSANOW, &settings) != 0)
        fail(std::string("cannot set raw mode: ") + std::strerror(errno));

    std::printf("%s\n", path);
    std::fflush(stdout);
}

int Instrument::run()
{
    openTerminal();
    while (!terminated) {
        // Standard input is not read: the program may run in the background.
        pollfd fds[1] = { { m_master, POLLIN, 0 } };
        if (poll(fds, 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            fail(std::string("poll: ") + std::strerror(errno));
        }
        if (fds[0].revents && !handleInput())
            break;
    }
    close(m_master);
    close(m_slave);
    return 0;
}

bool Instrument::handleInput()
{
    char buffer[512];
    const ssize_t n = read(m_master, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0)
        return false;
    m_received.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = m_received.find('\n')) != std::string::npos) {
        const std::string line = m_received.substr(0, end + 1);
        m_received.erase(0, end + 1);
        std::printf("received ");
        for (unsigned char c : line)
            std::printf("%02X", c);
        std::printf("\n");
        std::fflush(stdout);
        handleCommand(line);
    }
    return true;
}

void Instrument::handleCommand(std::string line)
{
    line.pop_back(); // the line feed
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty() || line.front() != ':')
        return;
    line.erase(0, 1);

    if (line == "Connect") {
        reply({ "OK" }, -1);
    } else if (line == "Del") {
        m_options.groups.clear();
        reply({ "DELOK" }, -1);
    } else if (line == "Read") {
        std::vector<std::string> lines = m_options.groups;
        lines.emplace_back("end");
        const long stored = static_cast<long>(m_options.groups.size());
        const long hangup = m_options.hangupAfter >= 0 && m_options.hangupAfter <= stored
                                ? m_options.hangupAfter
                                : -1;
        reply(lines, hangup);
    }
}

// Sends the reply lines; when hangupAfterLine >= 0, only that many lines are
// sent before the line is hung up.
void Instrument::reply(const std::vector<std::string> &lines, long hangupAfterLine)
{
    const std::string lineEnd = m_options.lfCr ? "\n\r" : "\r\n";
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (static_cast<long>(i) == hangupAfterLine) {
            bytes += lines[i].substr(0, lines[i].size() / 2); // cut in the middle
            break;
        }
        if (m_options.colon)
            bytes += ':';
        bytes += lines[i] + lineEnd;
    }
    deliver(bytes);
    if (hangupAfterLine >= 0)
        hangUp();
}

void Instrument::deliver(const std::string &bytes)
{
    size_t at = 0;
    while (at < bytes.size() && !terminated) {
        size_t piece = bytes.size() - at;
        switch (m_options.delivery) {
        case Delivery::Whole:
            break;
        case Delivery::Bytes:
            piece = 1;
            break;
        case Delivery::Packets:
            piece = static_cast<size_t>(m_options.packetSize);
            break;
        case Delivery::Random:
            piece = std::uniform_int_distribution<size_t>(1, 16)(m_random);
            break;
        }
        piece = std::min(piece, bytes.size() - at);
        if (at > 0 && m_options.delayMs > 0)
            sleepMs(m_options.delayMs);
        if (!writeAll(bytes.data() + at, piece))
            return;
        at += piece;
    }
}

bool Instrument::writeAll(const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(m_master, data, size);
        if (n < 0) {
            if (errno == EINTR && !terminated)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void Instrument::hangUp()
{
    // Let the other side take what was sent, as a cable pulled after the
    // last byte went through: closing discards what is still queued. Bytes
    // written reach the terminal's queue a little later, so the queue must
    // stay empty for a while before it counts as taken.
    int emptyChecks = 0;
    for (int waited = 0; waited < 3000 && emptyChecks < 5 && !terminated; waited += 10) {
        sleepMs(10);
        int queued = 0;
        if (ioctl(m_slave, FIONREAD, &queued) != 0)
            break;
        emptyChecks = queued == 0 ? emptyChecks + 1 : 0;
    }
    close(m_slave);
    close(m_master);
    std::exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    Options options = parse(argc, argv);
    if (options.list) {
        for (const std::string &group : options.groups)
            std::printf("%s\n", group.c_str());
        return 0;
    }

    struct sigaction action{};
    action.sa_handler = onTerminate;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
#ifdef __linux__
    // A test that crashes must not leave its instrument running.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    signal(SIGPIPE, SIG_IGN);

    return Instrument(std::move(options)).run();
}
