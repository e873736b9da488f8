// Which paths the termios device opens (terminal lines only, one program at a
// time), the message each refusal gives through the link, and a hang-up.
#include "engine/SerialLink.h"
#include "platform/SerialDevice.h"
#include "platform/Ui.h"
#include "tests/harness/MessageBoxes.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

using OpenError = platform::SerialDevice::OpenError;

namespace {
// A device whose open fails the way the system said.
class RefusingDevice : public platform::SerialDevice {
public:
    explicit RefusingDevice(OpenError error) : error_(error) {}
    bool open(const std::string&) override { return false; }
    int read(uint8_t*, int) override { return 0; }
    int write(const uint8_t*, int) override { return 0; }
    void close() override {}
    bool isOpen() const override { return false; }
    OpenError openError() const override { return error_; }

private:
    OpenError error_;
};
} // namespace

class EngineDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int master_ = -1;
    int slave_ = -1;
    std::string pty_;

    std::string touch(const char* name, const QByteArray& content = {}) {
        QFile f(dir_.filePath(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) qFatal("%s", name);
        return f.fileName().toStdString();
    }

private slots:
    void init() {
        char name[128] = {};
        QVERIFY(openpty(&master_, &slave_, name, nullptr, nullptr) == 0);
        ::close(slave_);
        pty_ = name;
    }
    void cleanup() {
        if (master_ >= 0) ::close(master_);
        platform::ClearPortMappings();
        platform::SetMessageBoxHandler(nullptr);
        SetLanguageLookup(nullptr);
        platform::SetSerialDeviceFactory(nullptr);
    }

    // Tests run as root, so the system never refuses them: the failures are
    // classified from the errno the open gave.
    void openFailuresAreClassified() {
        QList<int> got;
        for (const int err : {EACCES, EPERM, EBUSY, ENOENT, ENODEV, ENXIO, EIO})
            got << int(platform::ClassifyOpenFailure(err));
        using E = OpenError;
        QCOMPARE(got, (QList<int>{int(E::NoPermission), int(E::NoPermission), int(E::InUse),
                                  int(E::NotThere), int(E::NotThere), int(E::NotThere),
                                  int(E::Failed)}));
    }

    // A group the system has no name for is given by its number. (Named
    // groups show in eachRefusalHasItsMessage.)
    void theOwningGroupIsRead() {
        const std::string file = touch("ttyUSB9");
        gid_t unnamed = 54321;
        while (::getgrgid(unnamed) != nullptr)
            ++unnamed;
        QCOMPARE(::chown(file.c_str(), uid_t(-1), unnamed), 0);
        QCOMPARE(platform::DeviceGroup(file), std::to_string(unnamed));
        QCOMPARE(platform::DeviceGroup(file + ".missing"), std::string());
    }

    // Only terminal lines open: not a file or a folder, nor a character
    // device without terminal settings; a refused path is left untouched. A
    // second copy of the program is refused even as root (the lock); once
    // the first one closes, the device opens again, its exclusive mode
    // cleared. A far end that closes is reported as a hang-up.
    void onlySerialLinesOpenOnceAtATime() {
        const std::string file = touch("notes.txt", "notes\n");
        for (const std::string& path : {file, dir_.path().toStdString(), std::string("/dev/null"),
                                        std::string("/dev/zero"), std::string("/dev/urandom")}) {
            auto device = platform::CreateTermiosDevice();
            QVERIFY2(!device->open(path), path.c_str());
            QCOMPARE(int(device->openError()), int(OpenError::NotSerialDevice));
        }
        QFile f(QString::fromStdString(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("notes\n"));
        auto first = platform::CreateTermiosDevice();
        QVERIFY(first->open(pty_));
        QCOMPARE(int(first->openError()), int(OpenError::None));
        // Root may open a line in exclusive mode: this look is how.
        const int look = ::open(pty_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(look >= 0);
        int exclusive = -1;
        QCOMPARE(::ioctl(look, TIOCGEXCL, &exclusive), 0);
        QCOMPARE(exclusive, 1);
        auto second = platform::CreateTermiosDevice();
        QVERIFY(!second->open(pty_));
        QCOMPARE(int(second->openError()), int(OpenError::InUse));
        first->close();
        QCOMPARE(::ioctl(look, TIOCGEXCL, &exclusive), 0);
        ::close(look);
        QCOMPARE(exclusive, 0);
        QVERIFY(second->open(pty_));
        QCOMPARE(int(second->lineFault()), int(platform::SerialDevice::LineFault::None));
        ::close(master_);
        master_ = -1;
        QCOMPARE(int(second->lineFault()), int(platform::SerialDevice::LineFault::HungUp));
    }

    // Each refusal names the path; a missing permission also names the
    // group to join and what it takes.
    void eachRefusalHasItsMessage() {
        MessageBoxes boxes;
        boxes.record();
        static const QHash<int, QString> texts{
            {1341, "%1 is no line.\n"},     {1342, "%1 is in use.\n"}, {1380, "No %1, group %2.\n"},
            {1381, "usermod -aG %1.\n"},    {1382, "New login.\n"},    {1383, "%1 is not there.\n"},
            {1450, "Root only; a rule:\n"}, {1451, "KERNEL==%1\n"}};
        SetLanguageLookup([](int32_t id) { return texts.value(id, QString("[%1]").arg(id)); });
        const std::string file = touch("hostname");
        platform::MapPortName("COM1", file);
        platform::MapPortName("COM2", pty_);
        platform::MapPortName("COM3", file + ".missing");
        QCOMPARE(OpenComPort(1), -1);
        auto holder = platform::CreateTermiosDevice();
        QVERIFY(holder->open(pty_));
        QCOMPARE(OpenComPort(2), -1);
        QCOMPARE(OpenComPort(3), -1);
        // The system never refuses root: a device that says it was refused.
        const std::string acm = touch("ttyACM7");
        QCOMPARE(::chown(acm.c_str(), uid_t(-1), ::getgrnam("dialout")->gr_gid), 0);
        platform::MapPortName("COM4", acm);
        platform::SetSerialDeviceFactory(
            [] { return std::make_unique<RefusingDevice>(OpenError::NoPermission); });
        QCOMPARE(OpenComPort(4), -1);
        // A device only root may open: a udev rule, never joining root.
        const std::string usb = touch("ttyUSB9");
        QCOMPARE(::chown(usb.c_str(), uid_t(-1), gid_t(0)), 0);
        platform::MapPortName("COM5", usb);
        QCOMPARE(OpenComPort(5), -1);
        CloseComPort();
        const QString path = QString::fromStdString(file);
        const QString noGroup = "No " + QString::fromStdString(acm) +
                                ", group dialout.\n\nusermod -aG dialout.\n\nNew login.";
        const QString rootOnly = "No " + QString::fromStdString(usb) +
                                 ", group root.\n\nRoot only; a rule:\nKERNEL==ttyUSB9\n\n"
                                 "usermod -aG dialout.\n\nNew login.";
        QCOMPARE(boxes.pairs(), QStringList({"[1227]", path + " is no line.", "[1227]",
                                             QString::fromStdString(pty_) + " is in use.", "[1227]",
                                             path + ".missing is not there.", "[1227]", noGroup,
                                             "[1227]", rootOnly}));
    }
};

QTEST_MAIN(EngineDeviceTest)
#include "engine_device_test.moc"
