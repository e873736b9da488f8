#include "sim/CommandLine.h"

#include <QCommandLineParser>

#include <charconv>

namespace sim {

namespace {

bool ParseMs(const std::string& text, int& out) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < 0 || v > 600000) return false;
    out = v;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

bool UnescapeKeys(const std::string& text, std::string& keys, std::string& error) {
    keys.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            keys += text[i];
            continue;
        }
        if (++i >= text.size()) {
            error = "--pretype: a backslash ends the keys";
            return false;
        }
        switch (text[i]) {
        case 't':
            keys += '\t';
            break;
        case 'b':
            keys += '\b';
            break;
        case 'r':
            keys += '\r';
            break;
        case 'n':
            keys += '\n';
            break;
        case 'e':
            keys += '\x1b';
            break;
        case '\\':
            keys += '\\';
            break;
        case 'x': {
            const int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) {
                error = "--pretype: \\x needs two hex digits";
                return false;
            }
            keys += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            error = std::string("--pretype: unknown escape \\") + text[i];
            return false;
        }
    }
    return true;
}

namespace {

QString Name(const char* name) {
    return QString::fromLatin1(name);
}

void DeclareOptions(QCommandLineParser& parser) {
    const QString value = QStringLiteral("value");
    for (const char* name : {"link", "replay", "state", "dump-state", "start", "boot-delay-ms",
                             "save-delay-ms", "self-test-interval-ms", "login-pause-ms",
                             "modules", "fault", "pretype"})
        parser.addOption(QCommandLineOption(Name(name), QString(), value));
    // The pause's old name is still taken.
    parser.addOption(QCommandLineOption({Name("result-pause-ms"), Name("restart-pause-ms")},
                                        QString(), value));
    parser.addOption(QCommandLineOption(Name("no-pacing")));
    parser.addOption(QCommandLineOption(QStringList{Name("h"), Name("help")}));
}

std::string Text(const QString& value) {
    return value.toLocal8Bit().toStdString();
}

// A pause or delay option, when given: a number of milliseconds.
bool ReadMs(const QCommandLineParser& parser, const char* name, int& target, std::string& error) {
    if (!parser.isSet(Name(name))) return true;
    const std::string v = Text(parser.value(Name(name)));
    if (ParseMs(v, target)) return true;
    error = std::string("--") + name + ": \"" + v + "\" is not a number of milliseconds";
    return false;
}

bool ReadStart(const QCommandLineParser& parser, Options& options, std::string& error) {
    if (!parser.isSet(Name("start"))) return true;
    const std::string v = Text(parser.value(Name("start")));
    if (v != "login" && v != "boot") {
        error = "--start: \"" + v + "\" (use login or boot)";
        return false;
    }
    options.bootAtStart = v == "boot";
    return true;
}

bool ReadModules(const QCommandLineParser& parser, Options& options, std::string& error) {
    if (!parser.isSet(Name("modules"))) return true;
    const std::string v = Text(parser.value(Name("modules")));
    const size_t comma = v.find(',');
    const std::string m1 = v.substr(0, comma);
    const std::string m2 = comma == std::string::npos ? "" : v.substr(comma + 1);
    if (!IsModuleType(m1) || !IsModuleType(m2)) {
        error = "--modules: \"" + v + "\" (two of 1000TX, 1000FX, 100FX, NC)";
        return false;
    }
    options.modules = {m1, m2};
    return true;
}

// Faults accumulate over every --fault given.
bool ReadFaults(const QCommandLineParser& parser, Options& options, std::string& error) {
    for (const QString& list : parser.values(Name("fault")))
        if (!ParseFaultList(Text(list), options.faults, error)) return false;
    return true;
}

bool ReadOptions(const QCommandLineParser& parser, CommandLine& out, std::string& error) {
    out.help = parser.isSet(Name("help"));
    out.options.pacing = !parser.isSet(Name("no-pacing"));
    out.linkPath = Text(parser.value(Name("link")));
    out.replayFile = Text(parser.value(Name("replay")));
    out.stateFile = Text(parser.value(Name("state")));
    out.dumpFile = Text(parser.value(Name("dump-state")));
    Options& o = out.options;
    return ReadStart(parser, o, error) && ReadMs(parser, "boot-delay-ms", o.bootDelayMs, error) &&
           ReadMs(parser, "save-delay-ms", o.saveDelayMs, error) &&
           ReadMs(parser, "result-pause-ms", o.restartPauseMs, error) &&
           ReadMs(parser, "self-test-interval-ms", o.selfTestIntervalMs, error) &&
           ReadMs(parser, "login-pause-ms", o.loginPauseMs, error) &&
           ReadModules(parser, o, error) && ReadFaults(parser, o, error) &&
           (!parser.isSet(Name("pretype")) ||
            UnescapeKeys(Text(parser.value(Name("pretype"))), o.pretype, error));
}

} // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    QStringList list{QStringLiteral("tavik-switch-sim")};
    for (const std::string& arg : args)
        list << QString::fromLocal8Bit(arg.c_str());
    QCommandLineParser parser;
    DeclareOptions(parser);
    if (!parser.parse(list)) {
        error = Text(parser.errorText());
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument " + Text(parser.positionalArguments().first());
        return false;
    }
    return ReadOptions(parser, out, error);
}

const char* UsageText() {
    return "Usage: tavik-switch-sim [options]\n"
           "Serves a simulated 24+2-port managed switch console on a pseudo-terminal\n"
           "(9600 baud, 8N1) and prints the device path.\n"
           "\n"
           "  --link PATH               make PATH a symbolic link to the device (removed at exit)\n"
           "  --start login|boot        login: the login screen is already drawn (default);\n"
           "                            boot: run the power-on self-test first\n"
           "  --boot-delay-ms N         with --start boot, wait N ms before booting (default 0)\n"
           "  --modules T1,T2           module slot types: 1000TX, 1000FX, 100FX or NC\n"
           "                            (default 1000TX,1000TX)\n"
           "  --state FILE              initial configuration (JSON, see docs/state-format.md)\n"
           "  --dump-state FILE         write the whole configuration as JSON after every\n"
           "                            change a Save stores, and at exit\n"
           "  --pretype KEYS            keys applied before serving, output discarded, pauses\n"
           "                            skipped; escapes \\t \\b \\r \\e \\\\ \\xHH (\\x01 = "
           "Ctrl-A)\n"
           "  --no-pacing               send output at once instead of at 9600 baud\n"
           "  --save-delay-ms N         delay between the saving message and the result (300)\n"
           "  --result-pause-ms N       pause after the restart message (1000)\n"
           "  --self-test-interval-ms N time between self-test lines (150)\n"
           "  --login-pause-ms N        pause before the login screen after a self-test (500)\n"
           "  --fault LIST              faults on the line, e.g. seed=7,drop-output=0.001,\n"
           "                            flip-keys=0.01,delay-output=0.01,delay-ms=300,\n"
           "                            hangup-after=5000, hangup-at=edit:port,\n"
           "                            power-cycle-at=port (chances 0..1 per byte;\n"
           "                            screens as the console's places: login, main,\n"
           "                            static, port, edit:port, prompt ...); repeatable.\n"
           "                            Targeted faults, each once, counted from the\n"
           "                            console's first arrival at a screen:\n"
           "                            drop-key-at=misc:5 loses the 5th key typed from\n"
           "                            then on; drop-output-at=login:password:13 loses\n"
           "                            the 13th byte sent from the drawing of that screen\n"
           "                            on; flip-output-at=port:130:1 flips bit 1 (0-7) of\n"
           "                            the 130th such byte\n"
           "  --replay FILE             instead of the switch, play back the switch's side of\n"
           "                            a transcript (tavik-config --transcript FILE): each\n"
           "                            answer once as many keys arrived as were typed\n"
           "  --help                    this text\n"
           "\n"
           "Signals: SIGUSR1 power-cycles the switch; SIGINT or SIGTERM ends the program\n"
           "(the link is removed and the state dumped).\n";
}

} // namespace sim
