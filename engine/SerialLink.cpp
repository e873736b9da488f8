#include "engine/SerialLink.h"

#include "engine/ConsoleLog.h"
#include "engine/KeyOutput.h"
#include "engine/Transcript.h"
#include "platform/NetworkLine.h"
#include "platform/Ui.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <cstring>
#ifdef __linux__
#include <pthread.h>
#endif

namespace {

SerialPort* g_port = nullptr;
ComThread* g_thread = nullptr;
bool g_manualStepping = false;
bool g_lastLinkNetwork = false;
// Touched only by the reader (or by the main thread while it steps the
// reader by hand); atomic so that a test resetting it never races a thread.
std::atomic<int32_t> g_flushCountdown{2};

std::function<QString(int32_t)>& languageLookup() {
    static std::function<QString(int32_t)> lookup;
    return lookup;
}

QString langText(int32_t id) {
    const auto& lookup = languageLookup();
    return lookup ? lookup(id) : QString();
}

// Texts of the port-open messages (the language files' ids; the engine sits
// below the language layer and names them here).
constexpr int32_t kTextPortOpenFailed = 1323;
constexpr int32_t kTextPortOpenCheck = 1324;
constexpr int32_t kTextCaptionSerialPort = 1227;
constexpr int32_t kTextPortNotDevice = 1341;
constexpr int32_t kTextPortInUse = 1342;
constexpr int32_t kTextPortNoPermission = 1380;
constexpr int32_t kTextPortPermissionFix = 1381;
constexpr int32_t kTextPortRootOnly = 1450;
constexpr int32_t kTextPortUdevRule = 1451;
constexpr int32_t kTextPortNewLogin = 1382;
constexpr int32_t kTextPortNotThere = 1383;
constexpr int32_t kTextNetRefused = 1374;
constexpr int32_t kTextNetUnknownHost = 1375;
constexpr int32_t kTextNetTimedOut = 1376;
constexpr int32_t kTextNetBadAddress = 1378;
constexpr int32_t kTextNetFailed = 1379;

// A message text with its line end dropped and "%1" filled in.
QString messageWith(int32_t id, const std::string& arg) {
    QString text = langText(id);
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.arg(QString::fromLocal8Bit(arg.c_str()));
}

constexpr int kReadMax = 80;
constexpr char kEsc = 27;

} // namespace

void SetLanguageLookup(std::function<QString(int32_t)> lookup) {
    languageLookup() = std::move(lookup);
}

// ---------------------------------------------------------------- SerialPort

SerialPort::SerialPort() = default;

SerialPort::~SerialPort() {
    Close();
}

int SerialPort::Open(int portNumber) {
    Close();
    const std::string name = "COM" + std::to_string(portNumber);
    const std::string path = platform::ResolvePortName(name);
    g_lastLinkNetwork = platform::IsNetworkPath(path);
    std::unique_ptr<platform::SerialDevice> device = platform::CreateSerialDevice();
    if (!device || !device->open(path)) {
        using Error = platform::SerialDevice::OpenError;
        const Error error = device ? device->openError() : Error::Failed;
        QString text = langText(kTextPortOpenFailed) + "\n" + langText(kTextPortOpenCheck);
        if (error == Error::NotSerialDevice) text = messageWith(kTextPortNotDevice, path);
        if (error == Error::InUse) text = messageWith(kTextPortInUse, path);
        if (error == Error::NotThere) text = messageWith(kTextPortNotThere, path);
        if (error == Error::BadAddress) text = messageWith(kTextNetBadAddress, path);
        if (error == Error::UnknownHost) text = messageWith(kTextNetUnknownHost, path);
        if (error == Error::ConnectRefused) text = messageWith(kTextNetRefused, path);
        if (error == Error::ConnectTimedOut) text = messageWith(kTextNetTimedOut, path);
        if (error == Error::ConnectFailed) text = messageWith(kTextNetFailed, path);
        if (error == Error::NoPermission) {
            // The group that owns this device, as the system has it
            // (dialout on Debian, uucp on Arch ...), not a guess.
            const std::string group = platform::DeviceGroup(path);
            // The parts keep their line ends: an empty line between them.
            QString groupName = QString::fromLocal8Bit(group.c_str());
            text = langText(kTextPortNoPermission)
                       .arg(QString::fromLocal8Bit(path.c_str()), groupName) +
                   "\n";
            if (group == "root") {
                // Joining root would open far more than the device: a udev
                // rule gives the device the serial lines' usual group.
                const QString kernelName =
                    QFileInfo(QFileInfo(QString::fromLocal8Bit(path.c_str())).canonicalFilePath())
                        .fileName();
                groupName = QStringLiteral("dialout");
                text += langText(kTextPortRootOnly) + langText(kTextPortUdevRule).arg(kernelName) +
                        "\n";
            }
            text += langText(kTextPortPermissionFix).arg(groupName) + "\n" +
                    langText(kTextPortNewLogin);
            while (text.endsWith(QLatin1Char('\n')))
                text.chop(1);
        }
        platform::AppMessageBox(text, langText(kTextCaptionSerialPort), platform::MB_OK);
        return -1;
    }
    device_ = std::move(device);
    return 1;
}

void SerialPort::Close() {
    if (!device_) return;
    device_->close();
    device_.reset();
}

bool SerialPort::IsOpen() const {
    return device_ && device_->isOpen();
}

int SerialPort::Read() {
    int n = 0;
    if (device_) n = device_->read(reinterpret_cast<uint8_t*>(rxBuffer), kReadMax);
    if (n < 0) n = 0;
    if (n > kReadMax) n = kReadMax;
    rxBuffer[n] = 0;
    return n;
}

int SerialPort::Write(const uint8_t* bytes, int count) {
    if (!device_) return 0;
    return device_->write(bytes, count);
}

LinkFault SerialPort::LineFault() {
    if (!device_) return LinkFaultNone;
    switch (device_->lineFault()) {
    case platform::SerialDevice::LineFault::HungUp:
        return LinkFaultHungUp;
    case platform::SerialDevice::LineFault::Error:
        return LinkFaultReadError;
    default:
        return LinkFaultNone;
    }
}

std::string SerialPort::TakeNote() {
    return device_ ? device_->takeNote() : std::string();
}

// ----------------------------------------------------------------- ComThread

ComThread::ComThread(SerialPort* port) : port(port) {
    watchdog_.Restart(LinkNowUs());
}

ComThread::~ComThread() {
    Terminate();
}

void ComThread::RunOnMain(void (ComThread::*step)()) {
    // With the application gone there is no main thread to hand over to;
    // the reader only waits to be stopped.
    if (QCoreApplication::instance() == nullptr && std::this_thread::get_id() == thread_.get_id())
        return;
    platform::Synchronize([this, step] { (this->*step)(); }, [this] { return terminate_.load(); });
}

void ComThread::ReceiveInput() {
    if (port == nullptr) return;
    ReportConsoleBytes(ConsoleDirection::Received,
                       std::string(port->rxBuffer, strnlen(port->rxBuffer, sizeof port->rxBuffer)));
    DeliverInput();
}

void ComThread::Cycle() {
    if (port == nullptr) return;
    const int n = port->Read();
    note_ = port->TakeNote();
    if (!note_.empty()) RunOnMain(&ComThread::WriteNote);
    if (n > 0) {
        watchdog_.Heard(LinkNowUs());
        port->rxBuffer[n] = 0;
        RunOnMain(&ComThread::ReceiveInput);
        return;
    }
    Quiet();
    if (sendPending.load()) {
        // A key asks the switch for an answer: the silence counts from here.
        watchdog_.Heard(LinkNowUs());
        RunOnMain(&ComThread::TypeNextKey);
        return;
    }
    if (g_flushCountdown.load() < 0) {
        // A lone ESC ends the partial line, so DeliverInput posts it.
        port->rxBuffer[0] = kEsc;
        port->rxBuffer[1] = 0;
        RunOnMain(&ComThread::DeliverInput);
        g_flushCountdown.store(2);
        return;
    }
    if (lineLength > 0) g_flushCountdown.fetch_sub(1);
}

void ComThread::Quiet() {
    if (watchdog_.Reported()) return;
    // Pending keys do not count as a wait here: the next one is typed right
    // after this check, and each key starts the wait for an answer afresh.
    const LinkFault fault = watchdog_.Check(LinkNowUs(), port->LineFault(), false);
    if (fault == LinkFaultNone) return;
    fault_ = fault;
    RunOnMain(&ComThread::ReportFault);
}

void ComThread::WriteNote() {
    TranscriptNote(note_);
}

void ComThread::ReportFault() {
    PostToTarget(WM_CONSOLE_FAULT, 0, fault_);
}

void ComThread::Start() {
    if (thread_.joinable() || terminate_.load()) return;
    thread_ = std::thread([this] {
#ifdef __linux__
        // Named so that top -H and the flow benchmark can tell it apart.
        pthread_setname_np(pthread_self(), "tavik-reader");
#endif
        while (!terminate_.load()) {
            // A port without a device cannot time its reads; pace the loop
            // here rather than spin until the link is closed.
            if (port == nullptr || !port->IsOpen()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                continue;
            }
            Cycle();
        }
    });
}

void ComThread::Terminate() {
    terminate_.store(true);
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    // The reader notices the flag after its current read (at most 100 ms);
    // a Synchronize it is waiting in gives up as soon as it sees the flag,
    // so this join cannot wait on the main thread that is doing it.
    thread_.join();
}

// ------------------------------------------------------- link free functions

namespace {
int g_openNumber = 0; // n of the COMn the link has open, 0 when none
} // namespace

int OpenComPort(int portNumber) {
    // Whatever path ends the program, the reader never outlives the event
    // loop it hands its steps to.
    static bool closeOnQuit = false;
    if (!closeOnQuit && QCoreApplication::instance() != nullptr) {
        closeOnQuit = true;
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                         [] { CloseComPort(); });
    }
    if (g_port == nullptr) g_port = new SerialPort();
    // Opening again means a new connection: the old reader must not read
    // the device that is about to be replaced.
    if (g_thread != nullptr) {
        ComThread* old = g_thread;
        g_thread = nullptr;
        delete old;
    }
    g_openNumber = 0;
    if (g_port->Open(portNumber) < 0) {
        // Nothing is open: the start window goes on listing the ports (a
        // device plugged in after a failed try appears).
        CloseComPort();
        return -1;
    }
    g_openNumber = portNumber;
    g_thread = new ComThread(g_port);
    g_thread->sendPending.store(false);
    return 1;
}

void StartComThread() {
    if (g_thread == nullptr || g_manualStepping) return;
    g_thread->Start();
}

void CloseComPort() {
    // Order matters: the reader is stopped and joined before the port goes,
    // so no read or delivery can touch a closed port.
    if (g_thread != nullptr) {
        ComThread* thread = g_thread;
        g_thread = nullptr;
        thread->Terminate();
        delete thread;
    }
    if (g_port != nullptr) {
        SerialPort* port = g_port;
        g_port = nullptr;
        port->Close();
        delete port;
    }
}

bool IsLinkOpen() {
    return g_port != nullptr;
}

int OpenPortNumber() {
    return g_port != nullptr ? g_openNumber : 0;
}

bool LinkIsNetwork() {
    return g_lastLinkNetwork;
}

SerialPort* GetSerialPort() {
    return g_port;
}
ComThread* GetComThread() {
    return g_thread;
}

void SetManualStepping(bool manual) {
    g_manualStepping = manual;
}

void StepComThread() {
    if (g_thread != nullptr) g_thread->Cycle();
}

void ResetLinkFlushCountdown() {
    g_flushCountdown.store(2);
}
