// Program entry of tavik-config: options, the application object, the start
// window and the hidden monitor, then the message loop.
#include "DataCheck.h"
#include "HeadlessOptions.h"
#include "RunReport.h"
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

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kVersion[] = "1.0.0";

void PrintUsage(FILE* out, const char* program) {
    std::fprintf(out,
                 "Usage: %s [options]\n"
                 "Configures the 24+2-port managed switch through its serial console.\n\n"
                 "Options:\n"
                 "  --port COMn=PATH  use the device PATH for COMn (COM1 to COM255), e.g.\n"
                 "                    --port COM1=/dev/ttyUSB0; may be repeated (--backup,\n"
                 "                    --restore and --check use the first). Serial devices\n"
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

// Qt's own options, which the application object takes out of argv: known
// here, so that they pass, and left in argv for it ("-platform offscreen",
// "--display :1" ...).
void AddQtOptions(QCommandLineParser& parser) {
    static const char* const kWithValue[] = {
        "platform",     "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry",
        "qwindowtitle", "qwindowicon",        "style",         "stylesheet", "session",
        "display",      "geometry",           "title",         "name",       "fontengine",
        "qmljsdebugger"};
    static const char* const kFlags[] = {"reverse", "widgetcount", "nograb",
                                         "dograb",  "sync",        "testability"};
    for (const char* option : kWithValue)
        parser.addOption(QCommandLineOption(QString::fromLatin1(option), QString(),
                                            QStringLiteral("value")));
    for (const char* option : kFlags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(option)));
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

void DeclareOptions(QCommandLineParser& parser) {
    // Qt's options are single-dash words ("-platform"), not bundled letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    AddQtOptions(parser);
    AddHeadlessOptions(parser);
    const QString value = QStringLiteral("value");
    parser.addOption(QCommandLineOption(QStringLiteral("port"), QString(), value));
    parser.addOption(QCommandLineOption(QStringLiteral("transcript"), QString(), value));
    for (const char* flag : {"demo", "check-data", "version"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(flag)));
    parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
}

// Every --port mapped (COM1 to COM255: the start window lists the names
// given here too); a headless run connects to the first name given, whole.
bool MapPorts(const QStringList& values, Arguments& args) {
    for (const QString& text : values) {
        const std::string value = text.toLocal8Bit().toStdString();
        std::string name;
        if (!platform::MapPortOption(value, &name)) {
            args.error = "bad --port value '" + value +
                         "' (expected COMn=PATH, n 1 to 255; a network PATH is "
                         "tcp://HOST:PORT or telnet://HOST:PORT, PORT 1 to 65535)";
            return false;
        }
        if (args.headless.port.empty()) args.headless.port = name;
    }
    return true;
}

// The command line, read before the application object exists: --help,
// --version and --check-data need no display.
Arguments ParseArguments(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    DeclareOptions(parser);
    Arguments args;
    if (!parser.parse(list)) {
        args.error = parser.errorText().toLocal8Bit().toStdString();
        return args;
    }
    if (!parser.positionalArguments().isEmpty()) {
        args.error = "unexpected argument '" +
                     parser.positionalArguments().first().toLocal8Bit().toStdString() + "'";
        return args;
    }
    args.demo = parser.isSet(QStringLiteral("demo"));
    args.checkData = parser.isSet(QStringLiteral("check-data"));
    args.help = parser.isSet(QStringLiteral("help"));
    args.version = parser.isSet(QStringLiteral("version"));
    args.transcript = parser.value(QStringLiteral("transcript")).toLocal8Bit().toStdString();
    if (!MapPorts(parser.values(QStringLiteral("port")), args) ||
        !ReadHeadlessOptions(parser, args.headless, args.error))
        return args;
    if (!args.headless.active() && !args.headless.withoutRun.empty())
        args.error = args.headless.withoutRun + " is for --backup, --restore and --check";
    return args;
}

} // namespace

int main(int argc, char** argv) {
    // With --json every end of a headless run, a refused command line
    // included, is also one JSON object on stdout.
    const bool json = WantsRunReport(argc, argv);
    auto ended = [json](int code, const std::string& message,
                        const std::vector<std::string>& changed = {}) {
        if (json) std::printf("%s\n", RunReportJson(code, changed, message).c_str());
        return code;
    };
    const Arguments args = ParseArguments(argc, argv);
    if (!args.error.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[0], args.error.c_str());
        PrintUsage(stderr, argv[0]);
        return ended(ExitUsage, args.error);
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
            return ended(ExitUsage, error);
        }
        // The whole settings file is read and checked before the port is
        // opened: a bad file types nothing and never touches the switch.
        BackupDocument wanted;
        if ((job.restore || job.check) && !ReadSettingsFile(job.file, wanted, error)) {
            const std::string reason = job.file.toLocal8Bit().toStdString() + ": " + error;
            std::fprintf(stderr, "failed: %s\n", reason.c_str());
            return ended(ExitBadFile, reason);
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
            return ended(ExitFailed, "cannot start the simulated switch: " + error);
        }
        platform::MapPortName("COM1", simulated->devicePath());
    }

    std::string transcriptError;
    if (!args.transcript.empty() && !StartTranscript(args.transcript, transcriptError)) {
        std::fprintf(stderr, "%s: cannot write the transcript: %s\n", argv[0],
                     transcriptError.c_str());
        return ended(ExitUsage, "cannot write the transcript: " + transcriptError);
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
    const bool checkRun = job.check;
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
    std::string message;
    std::vector<std::string> changed;
    if (headless) {
        message = headless->reason();
        changed = headless->changed();
    }
    headless.reset();
    if (headlessRun && app.InternalError()) {
        result = ExitFailed;
        message = "internal error: " + app.InternalErrorText().toStdString();
    }

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
        if (result == ExitOk) {
            result = ExitFailed;
            message = "the transcript " + args.transcript + " could not be written in full";
        }
    }
    if (!headlessRun) return result;
    // A check's differences are its output; with --json they are in the
    // report instead, which must stand alone on stdout.
    if (checkRun && !json)
        for (const std::string& line : changed)
            std::printf("%s\n", line.c_str());
    return ended(result, message, changed);
}
