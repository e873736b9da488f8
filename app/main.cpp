// Program entry of tavik-config: options, the application object, the start
// window and the hidden monitor, then the message loop.
#include "DataCheck.h"
#include "HeadlessOptions.h"
#include "TavikApplication.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "engine/Transcript.h"
#include "forms/backup/SettingsFile.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Memoform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/Welcomeform.h"
#include "forms/widgets/Remembered.h"
#include "platform/Secret.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"
#include "sim/PtyServer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr char kVersion[] = "1.0.0";

void PrintUsage(FILE* out, const char* program) {
    std::fprintf(out,
                 "Usage: %s [options]\n"
                 "Configures the 24+2-port managed switch through its serial console.\n\n"
                 "Options:\n"
                 "  --port COMn=PATH  use the device PATH for COMn (COM1 to COM255), e.g.\n"
                 "                    --port COM1=/dev/ttyUSB0; may be repeated (--backup\n"
                 "                    and --restore use the first). Serial devices\n"
                 "                    present are listed without it, as COM5 on\n"
                 "                    (COM1..COM4 are /dev/ttyS0..3). PATH may be a\n"
                 "                    console server's port: tcp://HOST:PORT (raw) or\n"
                 "                    telnet://HOST:PORT (telnet, RFC 2217); both are\n"
                 "                    cleartext on the network\n"
                 "  --demo            run against a simulated switch on COM1\n"
                 "  --transcript FILE write the console session to FILE (time, direction,\n"
                 "                    bytes as text; passwords as *) for a support case\n"
                 "  --check-data      say where the data files are and whether they can\n"
                 "                    be read, then exit\n"
                 "%s"
                 "  --help            show this help and exit\n"
                 "  --version         show the version and exit\n"
                 "Qt's standard options (-platform NAME, -display DISPLAY, -style NAME ...)\n"
                 "are passed to Qt.\n",
                 program, kHeadlessUsage);
}

// Qt's own options, which the application object takes out of argv: accepted
// here and left for it ("-platform offscreen", "--display :1" ...).
bool IsQtOption(const std::string& arg, bool& takesValue) {
    static const char* const kWithValue[] = {
        "platform",     "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
        "qwindowtitle", "qwindowicon",        "style",         "stylesheet", "session",
        "display",      "geometry",           "title",         "name",       "fontengine"};
    static const char* const kFlags[] = {"reverse", "widgetcount", "nograb",
                                         "dograb",  "sync",        "testability"};
    takesValue = false;
    if (arg.size() < 2 || arg[0] != '-') return false;
    std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
    // The QML debugger takes its value after "=" only.
    if (name.rfind("qmljsdebugger=", 0) == 0) return true;
    const auto eq = name.find('=');
    const bool inlineValue = eq != std::string::npos;
    if (inlineValue) name.resize(eq);
    for (const char* option : kWithValue) {
        if (name != option) continue;
        takesValue = !inlineValue;
        return true;
    }
    for (const char* option : kFlags)
        if (name == option && !inlineValue) return true;
    return false;
}

struct Arguments {
    bool demo = false;
    bool checkData = false;
    std::string transcript;
    bool help = false;
    bool version = false;
    HeadlessOptions headless;
    std::string error;
};

Arguments ParseArguments(int argc, char** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool takesValue = false;
        if (arg != "--port" && arg != "--demo" && arg != "--transcript" &&
            IsQtOption(arg, takesValue)) {
            if (takesValue && ++i >= argc) {
                args.error = arg + " needs a value";
                break;
            }
        } else if (arg == "--demo") {
            args.demo = true;
        } else if (arg == "--transcript" || arg.rfind("--transcript=", 0) == 0) {
            if (arg == "--transcript" && i + 1 >= argc) {
                args.error = "--transcript needs a file";
                break;
            }
            args.transcript = arg == "--transcript" ? argv[++i] : arg.substr(13);
        } else if (arg == "--check-data") {
            args.checkData = true;
        } else if (arg == "--help" || arg == "-h") {
            args.help = true;
        } else if (arg == "--version") {
            args.version = true;
        } else if (arg == "--port" || arg.rfind("--port=", 0) == 0) {
            std::string value;
            if (arg == "--port") {
                if (i + 1 >= argc) {
                    args.error = "--port needs COMn=PATH";
                    break;
                }
                value = argv[++i];
            } else {
                value = arg.substr(std::strlen("--port="));
            }
            // COM1 to COM255: the start window lists the names given here too.
            std::string name;
            if (!platform::MapPortOption(value, &name)) {
                args.error = "bad --port value '" + value +
                             "' (expected COMn=PATH, n 1 to 255; a network PATH is "
                             "tcp://HOST:PORT or telnet://HOST:PORT, PORT 1 to 65535)";
                break;
            }
            // A headless run connects to the first name given, whole.
            if (args.headless.port.empty()) args.headless.port = name;
        } else if (TakeHeadlessOption(argc, argv, i, args.headless, args.error)) {
            if (!args.error.empty()) break;
        } else {
            args.error = "unknown option '" + arg + "'";
            break;
        }
    }
    if (args.error.empty() && !args.headless.active() && !args.headless.withoutRun.empty())
        args.error = args.headless.withoutRun + " is for --backup and --restore";
    return args;
}

} // namespace

int main(int argc, char** argv) {
    const Arguments args = ParseArguments(argc, argv);
    if (!args.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[0], args.error.c_str());
        PrintUsage(stderr, argv[0]);
        return 2;
    }
    if (args.help) {
        PrintUsage(stdout, argv[0]);
        return 0;
    }
    if (args.version) {
        std::printf("tavik-config %s\n", kVersion);
        return 0;
    }

    // Passwords are typed in the windows and read by headless runs: none may
    // end up in a core file.
    platform::KeepSecretsInProcess();
    const bool headlessRun = args.headless.active();
    HeadlessJob job;
    if (headlessRun) {
        std::string error;
        if (!MakeHeadlessJob(args.headless, job, error)) {
            std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
            return ExitUsage;
        }
        // The whole settings file is read and checked before the port is
        // opened: a bad file types nothing and never touches the switch.
        BackupDocument wanted;
        if (job.restore && !ReadSettingsFile(job.file, wanted, error)) {
            std::fprintf(stderr, "failed: %s: %s\n", job.file.toLocal8Bit().constData(),
                         error.c_str());
            return ExitBadFile;
        }
        // No display is needed: the windows are drawn nowhere, and no box
        // may wait for a click.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QuietHeadlessMessages();
        platform::SetMessageBoxesShown(false);
    }
    // Without a window system: it only reads files.
    if (args.checkData) {
        QCoreApplication core(argc, argv);
        return CheckDataFiles(stdout);
    }

    TavikApplication app(argc, argv);
    TavikApplication::setApplicationName(QStringLiteral("tavik-config"));
    TavikApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // Windows are hidden and shown as the console moves; the program ends
    // only through the start or login window's Exit.
    TavikApplication::setQuitOnLastWindowClosed(false);
    if (headlessRun) app.ReportErrorsTo(stderr);

    std::unique_ptr<sim::PtyServer> simulated;
    if (args.demo) {
        simulated = std::make_unique<sim::PtyServer>();
        std::string error;
        if (!simulated->start(sim::Options{}, std::string(), &error)) {
            std::fprintf(stderr, "%s: cannot start the simulated switch: %s\n", argv[0],
                         error.c_str());
            return 1;
        }
        platform::MapPortName("COM1", simulated->devicePath());
    }

    std::string transcriptError;
    if (!args.transcript.empty() && !StartTranscript(args.transcript, transcriptError)) {
        std::fprintf(stderr, "%s: cannot write the transcript: %s\n", argv[0],
                     transcriptError.c_str());
        return ExitUsage;
    }

    // The port and language of the last run come back; a headless run is
    // another user and neither reads nor changes them.
    if (!headlessRun) EnableRememberedChoices();

    InstallSettingsFileButtons();
    // The start window first: it is the main window.
    new TfrmWelcome;
    frmMemo.set(new TfrmMemo);
    if (simulated)
        frmWelcome->SetSimulatedNote(QStringLiteral(
            "Demo: COM1 is a simulated switch built into this program, not real hardware."));
    frmWelcome->Show();
    std::unique_ptr<HeadlessRun> headless;
    if (headlessRun) {
        headless = std::make_unique<HeadlessRun>(std::move(job));
        platform::WipeSecret(job.password);
        QTimer::singleShot(0, headless.get(), [&headless] { headless->Start(); });
    } else {
        // Once the loop runs, so the messages stand in front of a drawn window.
        QTimer::singleShot(0, frmWelcome.get(), [] {
            if (TfrmWelcome* welcome = frmWelcome.get()) welcome->StartUpChecks();
        });
    }

    int result = app.exec();
    headless.reset();
    if (headlessRun && app.InternalError()) result = ExitFailed;

    // Whatever way the loop ended, nothing may still read the line.
    if (IsLinkOpen()) CloseComPort();
    DestroyParser();
    ReleaseSharedTables();
    // Every window still held goes, the start window last.
    ClearSessionWindows();
    frmLogin.clear();
    frmMessage.clear();
    frmMemo.clear();
    frmWelcome.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (simulated) simulated->stop();
    if (!StopTranscript()) {
        std::fprintf(stderr, "%s: the transcript %s could not be written in full\n", argv[0],
                     args.transcript.c_str());
        if (result == ExitOk) result = ExitFailed;
    }
    return result;
}
